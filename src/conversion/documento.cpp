// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "documento.h"

#include "ochoalavez.h"

#include <algorithm>
#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
    // Values almost never hold markup: many bytes are looked at together, and copied
    // whole while none of them needs an entity. Most values fit in sixteen.
#ifdef __SSE2__
    const __m128i y = _mm_set1_epi8('&');
    const __m128i menor = _mm_set1_epi8('<');
    const __m128i mayor = _mm_set1_epi8('>');
    while (q < fin) {
        const __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
        unsigned marcas = unsigned(_mm_movemask_epi8(_mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(dieciseis, y), _mm_cmpeq_epi8(dieciseis, menor)), _mm_cmpeq_epi8(dieciseis, mayor))));
        const ptrdiff_t quedan = fin - q;
        if (quedan < 16)
            marcas &= (1u << quedan) - 1;
        if (marcas != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p), dieciseis);
        const ptrdiff_t n = std::min<ptrdiff_t>(quedan, 16);
        p += n;
        q += n;
    }
#endif
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
