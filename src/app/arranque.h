#pragma once

#include <QString>

class QWidget;

/// Once `ventana` is on screen, saves what the display shows inside its frame to `ruta`
/// (a PNG) and ends the program: exit code 0 when the picture was saved.
void capturarAlMostrar(QWidget &ventana, const QString &ruta);
