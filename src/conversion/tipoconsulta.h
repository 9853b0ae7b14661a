// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QString>

#include <optional>

namespace torxal {

/// The kind of bulk query a list holds; it picks the input layout, the FIN line and the record format.
enum class TipoConsulta { PP, NIF, RC };

/// Reads "nif", "rc" or "pp" in any case; nothing for any other text.
std::optional<TipoConsulta> leerTipoConsulta(QStringView texto);

} // namespace torxal
