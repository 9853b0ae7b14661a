// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QString>

/// What the window remembers between uses, in the user's state folder
/// ($XDG_STATE_HOME/torxal/, on Windows %LOCALAPPDATA%\torxal\), apart from the
/// settings, which are configuration.
QString carpetaEstado();
QString rutaEstado();
/// The folder of the last list chosen; empty when none is remembered.
QString leerUltimaCarpeta();
void guardarUltimaCarpeta(const QString &carpeta);
