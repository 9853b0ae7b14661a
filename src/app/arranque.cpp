// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "arranque.h"

#include "mensajes.h"

#include <QApplication>
#include <QLocale>
#include <QTranslator>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

// Qt's Spanish catalogue lacks the kinds the file dialog gives folders and unknown files.
class TraductorTiposFichero final : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char *contexto, const char *texto, const char *, int) const override
    {
        static constexpr struct {
            const char *ingles;
            const char16_t *espanol;
        } Tipos[] = {{"Folder", u"Carpeta"}, {"Drive", u"Unidad"}, {"File", u"Fichero"}, {"%1 File", u"Fichero %1"}};
        if (qstrcmp(contexto, "QAbstractFileIconProvider") == 0)
            for (const auto &tipo : Tipos)
                if (qstrcmp(texto, tipo.ingles) == 0)
                    return QString::fromUtf16(tipo.espanol);
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

void prepararAplicacion(QApplication &aplicacion)
{
    QApplication::setApplicationName(QStringLiteral("TORXAL"));
    QApplication::setApplicationVersion(QStringLiteral(TORXAL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("es.torxal.Torxal"));
    torxal::instalarCatalogoQt(aplicacion);
    QCoreApplication::installTranslator(new TraductorTiposFichero(&aplicacion));
    const QLocale espanol(QLocale::Spanish, QLocale::Spain);
    // File kinds and every other text Qt words by the default locale.
    QLocale::setDefault(espanol);
}

void fijarIdioma()
{
    qputenv("LC_ALL", "es_ES.UTF-8");
    qunsetenv("LANGUAGE");
}

QString ficheroDeArranque(const QStringList &argumentos)
{
    return argumentos.size() > 1 ? argumentos.at(1) : QString();
}

void capturarAlMostrar(QWidget &ventana, const QString &ruta)
{
    // Long enough for the display server to have drawn the window; there is nothing to wait on.
    QTimer::singleShot(1500, &ventana, [&ventana, ruta] {
        QScreen *pantalla = ventana.screen();
        // The display's own pixels, not a rendering of the widget: what a user would see.
        const QRect marco = ventana.frameGeometry();
        const QPixmap imagen = pantalla->grabWindow(0, marco.x(), marco.y(), marco.width(), marco.height());
        const bool guardada = !imagen.isNull() && imagen.save(ruta, "PNG");
        if (!guardada)
            std::fprintf(stderr, "torxal: no se puede guardar la captura en %s\n", qPrintable(ruta));
        QCoreApplication::exit(guardada ? 0 : 1);
    });
}
