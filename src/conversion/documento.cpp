// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "documento.h"

#include "ochoalavez.h"

#include <algorithm>
#include <bit>

namespace torxal {

using namespace ochoalavez;

bool esCaracterXml(char32_t c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c < 0xD800)
        return true;
    if (c < 0xE000)
        return false;
    return c != 0xFFFE && c != 0xFFFF && c <= 0x10FFFF;
}

char *escaparValor(char *p, std::string_view valor)
{
    const char *q = valor.data();
    const char *fin = q + valor.size();
    // Values almost never hold markup: eight bytes are looked at together, and copied
    // whole while none of them needs an entity.
    while (q < fin) {
        const quint64 ocho = leer(q);
        quint64 marcas = bytesCero(ocho ^ (Unos * '&')) | bytesCero(ocho ^ (Unos * '<')) | bytesCero(ocho ^ (Unos * '>'));
        const ptrdiff_t quedan = fin - q;
        if (quedan < 8) {
            // The last bytes of the value: the flags of those past it are dropped, and a
            // borrow only runs upwards, so the ones kept are exact.
            if constexpr (std::endian::native != std::endian::little)
                break;
            marcas &= (quint64(1) << (8 * quedan)) - 1;
        }
        if (marcas != 0)
            break;
        std::memcpy(p, &ocho, 8);
        const ptrdiff_t n = std::min<ptrdiff_t>(quedan, 8);
        p += n;
        q += n;
    }
    for (; q < fin; ++q) {
        switch (*q) {
        case '&':
            p = copiar(p, "&amp;");
            break;
        case '<':
            p = copiar(p, "&lt;");
            break;
        case '>':
            p = copiar(p, "&gt;");
            break;
        default:
            *p++ = *q;
            break;
        }
    }
    return p;
}

} // namespace torxal
