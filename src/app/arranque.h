// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QString>
#include <QStringList>

class QApplication;
class QWidget;

/// Before the application object exists: Qt reads the system locale from the environment
/// once, and the file dialog dates its files by it; Spanish whatever the desktop's language.
void fijarIdioma();

/// Names the program, installs Qt's Spanish catalogue and makes Spanish the language of all
/// it shows (the file dialog's dates and file kinds included), whatever the environment says.
void prepararAplicacion(QApplication &aplicacion);

/// The list to show in the "Fichero" box at start: the first argument after the program's
/// name (Qt's own options already taken out), or nothing.
QString ficheroDeArranque(const QStringList &argumentos);

/// Once `ventana` is on screen, saves what the display shows inside its frame to `ruta`
/// (a PNG) and ends the program: exit code 0 when the picture was saved.
void capturarAlMostrar(QWidget &ventana, const QString &ruta);
