// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "arranque.h"
#include "frm_crear_mixto_xml.h"
#include "revision.h"

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
    // With a list named too, the picture is of the review window on it, read as NIF.
    const QString revisar = qEnvironmentVariable("TORXAL_CAPTURA_REVISION");
    if (!captura.isEmpty() && !revisar.isEmpty()) {
        if (VentanaRevision *revision = ventana.revisarLista(revisar, torxal::TipoConsulta::NIF))
            capturarAlMostrar(*revision, captura);
    } else if (!captura.isEmpty()) {
        capturarAlMostrar(ventana, captura);
    }
    return aplicacion.exec();
}
