// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QStringList>

class QTextStream;

namespace torxal {

/// The streams of the console the command line runs on; `entrada` is null when
/// there is no terminal to ask on.
struct Consola {
    QTextStream &salida;
    QTextStream &errores;
    QTextStream *entrada = nullptr;
};

/// Runs `torxal-cli` with its arguments (without the program name); returns the exit
/// status: 0 when every file was converted, 1 when any was not, 2 for a usage error.
int ejecutarLineaDeOrdenes(const QStringList &argumentos, Consola &consola);

} // namespace torxal
