// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// Times the record loop alone, in-process, on one list: with the checks and without them,
// taking turns, so the cost of the checks can be told from the rest. The document goes
// nowhere (its bytes are counted), so the disk plays no part.
//
//   torxal-medir --tipo nif|rc|pp [--veces N] FICHERO

#include "bucle.h"
#include "comprobaciones.h"
#include "destino.h"
#include "escritorxml.h"
#include "lectura.h"
#include "rutas.h"

#include <QCoreApplication>
#include <QIODevice>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace torxal;

namespace {

class DestinoNulo final : public Destino {
public:
    bool abrir(int *) override { return true; }
    bool escribir(const char *, qsizetype longitud, int *) override
    {
        m_bytes += longitud;
        return true;
    }
    bool preparar(int *) override { return true; }
    bool colocar(const QString &, bool, int *) override { return true; }
    void descartar() override {}
    bool apartarAnterior(const QString &, int *) override { return true; }
    void deshacer() override {}
    void confirmar() override {}

private:
    qint64 m_bytes = 0;
};

class ReceptorNulo final : public ReceptorAvisos {
public:
    void recibirAviso(const Aviso &) override { ++avisos; }
    qint64 avisos = 0;
};

// Wall time, which is what the user waits.
double segundos()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// One pass over the list; the time it took, in milliseconds.
double medir(const QString &ruta, TipoConsulta tipo, bool comprobar, qint64 *avisos)
{
    std::unique_ptr<QIODevice> entrada;
    Fallo fallo;
    if (!abrirEntrada(ruta, &entrada, &fallo)) {
        std::fprintf(stderr, "torxal-medir: %s\n", qPrintable(crearMensaje(fallo).texto));
        std::exit(1);
    }
    const double inicio = segundos();
    EscritorXML escritor([](const QString &) { return std::make_unique<DestinoNulo>(); }, derivarRutaSalida(ruta), tipo,
                         OpcionesDocumento{QStringLiteral("urn:x"), QStringLiteral("dd/MM/yyyy"), {}, 0});
    escritor.CrearCabeceraXML(&fallo);
    ReceptorNulo receptor;
    Comprobador comprobador(tipo, receptor);
    ResultadoConversion resultado;
    convertirRegistros(*entrada, ruta, tipo, escritor, comprobar ? &comprobador : nullptr, Camino::ElMasRapido,
                       &resultado, &fallo);
    escritor.CerrarFicheroXML(&fallo);
    *avisos = receptor.avisos;
    return (segundos() - inicio) * 1000;
}

double mediana(std::vector<double> valores)
{
    std::sort(valores.begin(), valores.end());
    const size_t n = valores.size();
    return n % 2 ? valores[n / 2] : (valores[n / 2 - 1] + valores[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication aplicacion(argc, argv);
    const QStringList argumentos = aplicacion.arguments().mid(1);
    std::optional<TipoConsulta> tipo;
    int veces = 5;
    QString fichero;
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        if (argumentos[i] == u"--tipo" && i + 1 < argumentos.size())
            tipo = leerTipoConsulta(argumentos[++i]);
        else if (argumentos[i] == u"--veces" && i + 1 < argumentos.size())
            veces = argumentos[++i].toInt();
        else
            fichero = argumentos[i];
    }
    if (!tipo || fichero.isEmpty() || veces < 1) {
        std::fputs("Uso: torxal-medir --tipo nif|rc|pp [--veces N] FICHERO\n", stderr);
        return 2;
    }
    std::vector<double> sin;
    std::vector<double> con;
    qint64 avisos = 0;
    for (int i = 0; i < veces; ++i) {
        sin.push_back(medir(fichero, *tipo, false, &avisos));
        con.push_back(medir(fichero, *tipo, true, &avisos));
    }
    // The machine's noise only ever adds time: the fastest run is the truest, the median
    // the most typical.
    const double a = mediana(sin);
    const double b = mediana(con);
    const double minA = *std::min_element(sin.begin(), sin.end());
    const double minB = *std::min_element(con.begin(), con.end());
    std::printf("mediana: sin %.1f ms, con %.1f ms (+%.1f%%); mínimo: sin %.1f ms, con %.1f ms (+%.1f%%); %lld avisos\n",
                a, b, 100 * (b - a) / a, minA, minB, 100 * (minB - minA) / minA, static_cast<long long>(avisos));
    return 0;
}
