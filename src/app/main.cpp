#include "arranque.h"
#include "frm_crear_mixto_xml.h"

#include <QApplication>

int main(int argc, char **argv)
{
    fijarIdioma();
    QApplication aplicacion(argc, argv);
    prepararAplicacion(aplicacion);

    Frm_Crear_Mixto_XML ventana;
    // "Open with" from the file manager, or a list named at the prompt.
    const QString fichero = ficheroDeArranque(QApplication::arguments());
    if (!fichero.isEmpty())
        ventana.elegirFichero(fichero);
    ventana.show();
    // For tools/screenshot.sh: a picture of the window as the display shows it.
    const QString captura = qEnvironmentVariable("TORXAL_CAPTURA");
    if (!captura.isEmpty())
        capturarAlMostrar(ventana, captura);
    return aplicacion.exec();
}
