// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "tipoconsulta.h"

namespace torxal {

std::optional<TipoConsulta> leerTipoConsulta(QStringView texto)
{
    if (texto.compare(u"nif", Qt::CaseInsensitive) == 0)
        return TipoConsulta::NIF;
    if (texto.compare(u"rc", Qt::CaseInsensitive) == 0)
        return TipoConsulta::RC;
    if (texto.compare(u"pp", Qt::CaseInsensitive) == 0)
        return TipoConsulta::PP;
    return std::nullopt;
}

} // namespace torxal
