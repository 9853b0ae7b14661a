// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// Times what the window does with a large list: the run as the window makes it, then
// "Revisión de la lista" opened on it and scrolled through, in one process, so the peak
// resident memory printed is the whole program's.
//
//   torxal-revisar LIST nif|rc|pp
//
// Prints one line: run ms, the run's peak RSS in MiB, review open ms (index built and the window painted), the
// slowest and the median page of 200 scrolled pages in ms, and the whole program's peak RSS in MiB.

#include "conversor.h"
#include "dialogoabrir.h"
#include "indicelista.h"
#include "revision.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Answers every question Yes and says nothing: the timing is of the work, not of boxes.
class SinCuadros : public torxal::Mensajero {
public:
    torxal::Boton mostrar(const torxal::Mensaje &mensaje) override
    {
        return torxal::esPregunta(mensaje.estilo) ? torxal::Boton::Si : torxal::Boton::Aceptar;
    }
};

class SinDialogo : public DialogoAbrir {
protected:
    QString elegirFichero(QWidget *) override { return {}; }
    QString elegirGuardar(QWidget *, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication aplicacion(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "uso: torxal-revisar LISTA nif|rc|pp\n");
        return 2;
    }
    const QString lista = QString::fromLocal8Bit(argv[1]);
    const QByteArray clase = argv[2];
    const torxal::TipoConsulta tipo = clase == "rc" ? torxal::TipoConsulta::RC
        : clase == "pp"                             ? torxal::TipoConsulta::PP
                                                    : torxal::TipoConsulta::NIF;
    SinCuadros mensajero;
    SinDialogo dialogo;
    QElapsedTimer reloj;
    reloj.start();
    {
        // Without a size limit, as the window runs when the clerk answers "Un solo fichero".
        torxal::OpcionesConversion opciones;
        opciones.documento.tamanoAviso = 0;
        opciones.preguntarSiDudosa = true;
        torxal::Conversor conversor(mensajero);
        conversor.setOpciones(opciones);
        conversor.GenerarFicheroXML(lista, tipo);
    }
    const qint64 ejecucion = reloj.restart();
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    const double picoEjecucion = double(uso.ru_maxrss) / 1024;

    auto indice = std::make_unique<torxal::IndiceLista>();
    torxal::Fallo fallo;
    if (!indice->construir(lista, tipo, &fallo)) {
        std::fprintf(stderr, "%s\n", qPrintable(torxal::crearMensaje(fallo).texto));
        return 1;
    }
    VentanaRevision ventana(std::move(indice), mensajero, dialogo);
    ventana.setAttribute(Qt::WA_DeleteOnClose, false);
    ventana.show();
    ventana.repaint();
    QApplication::processEvents();
    const qint64 apertura = reloj.restart();

    auto *tabla = ventana.findChild<QTableView *>(QStringLiteral("Tabla"));
    QScrollBar *barra = tabla->verticalScrollBar();
    std::vector<qint64> paginas;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer pagina;
        pagina.start();
        // Pages spread over the whole list: every one of them is cut afresh.
        barra->setValue(int(qint64(barra->maximum()) * i / 199));
        tabla->viewport()->repaint();
        paginas.push_back(pagina.nsecsElapsed() / 1000);
    }
    std::sort(paginas.begin(), paginas.end());
    getrusage(RUSAGE_SELF, &uso);
    std::printf("%lld %.1f %lld %.1f %.1f %.1f\n", qint64(ejecucion), picoEjecucion, qint64(apertura), double(paginas.back()) / 1000,
                double(paginas[paginas.size() / 2]) / 1000, double(uso.ru_maxrss) / 1024);
    return 0;
}
