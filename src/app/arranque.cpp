#include "arranque.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <cstdio>

bool instalarCatalogoQt(QCoreApplication &aplicacion)
{
    auto *traductor = new QTranslator(&aplicacion);
    if (!traductor->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traductor;
        return false;
    }
    return QCoreApplication::installTranslator(traductor);
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
