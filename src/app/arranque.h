#pragma once

#include <QString>

class QCoreApplication;
class QWidget;

/// Loads Qt's own Spanish catalogue, so the standard dialogs speak Spanish whatever the
/// desktop's language. False when the system has no such catalogue.
bool instalarCatalogoQt(QCoreApplication &aplicacion);

/// Once `ventana` is on screen, saves what the display shows inside its frame to `ruta`
/// (a PNG) and ends the program: exit code 0 when the picture was saved.
void capturarAlMostrar(QWidget &ventana, const QString &ruta);
