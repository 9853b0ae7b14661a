#include "arranque.h"
#include "frm_crear_mixto_xml.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication aplicacion(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TORXAL"));
    QApplication::setApplicationVersion(QStringLiteral(TORXAL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("es.torxal.Torxal"));
    torxal::instalarCatalogoQt(aplicacion);

    Frm_Crear_Mixto_XML ventana;
    ventana.show();
    // For tools/screenshot.sh: a picture of the window as the display shows it.
    const QString captura = qEnvironmentVariable("TORXAL_CAPTURA");
    if (!captura.isEmpty())
        capturarAlMostrar(ventana, captura);
    return aplicacion.exec();
}
