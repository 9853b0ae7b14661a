// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "utf8.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace torxal {

namespace {

// Windows-1252 at 0x80..0x9F; the five bytes the code page leaves undefined keep their own code.
constexpr std::array<char16_t, 32> Windows1252Alto = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The first continuation byte narrows for some lead bytes: that is what rules out
// overlong forms, the surrogates (ED A0..BF) and values past U+10FFFF (F4 90..).
struct Inicial {
    int continuaciones; // -1: not a lead byte
    unsigned char minimo;
    unsigned char maximo;
};

inline Inicial clasificarInicial(unsigned char c)
{
    if (c >= 0xC2 && c <= 0xDF) return {1, 0x80, 0xBF};
    if (c == 0xE0) return {2, 0xA0, 0xBF};
    if (c == 0xED) return {2, 0x80, 0x9F};
    if (c >= 0xE1 && c <= 0xEF) return {2, 0x80, 0xBF};
    if (c == 0xF0) return {3, 0x90, 0xBF};
    if (c >= 0xF1 && c <= 0xF3) return {3, 0x80, 0xBF};
    if (c == 0xF4) return {3, 0x80, 0x8F};
    return {-1, 0, 0};
}

inline const unsigned char *sinSigno(const char *p)
{
    return reinterpret_cast<const unsigned char *>(p);
}

} // namespace

const unsigned char *saltarAscii(const unsigned char *p, const unsigned char *fin)
{
#ifdef __SSE2__
    while (fin - p >= 16) {
        const int altos = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        if (altos != 0)
            return p + std::countr_zero(unsigned(altos));
        p += 16;
    }
#endif
    while (p < fin && *p < 0x80)
        ++p;
    return p;
}

void ValidadorUtf8::anadir(const unsigned char *p, const unsigned char *fin)
{
    // The state lives in locals while the bytes are read: a store through a char
    // pointer could alias the members, which would keep them out of registers.
    int pendientes = m_pendientes;
    unsigned char minimo = m_minimo;
    unsigned char maximo = m_maximo;
    bool invalido = m_invalido;
    bool multibyte = m_multibyte;
    const auto decidido = [&] { return invalido && (multibyte || !m_buscarMultibyte); };
    while (p < fin && !decidido()) {
        if (pendientes == 0) {
            p = saltarAscii(p, fin);
            if (p == fin)
                break;
            const unsigned char c = *p++;
            // Accented Latin letters, the bulk of a Spanish list's non-ASCII text, are
            // two-byte sequences: checked whole when both bytes are at hand.
            if (c >= 0xC2 && c <= 0xDF && p < fin && (*p & 0xC0) == 0x80) {
                ++p;
                multibyte = true;
                continue;
            }
            const Inicial inicial = clasificarInicial(c);
            if (inicial.continuaciones < 0) {
                invalido = true;
                continue;
            }
            pendientes = inicial.continuaciones;
            minimo = inicial.minimo;
            maximo = inicial.maximo;
        } else {
            const unsigned char c = *p;
            if (c < minimo || c > maximo) {
                // The byte that broke a sequence may start the next one.
                invalido = true;
                pendientes = 0;
                continue;
            }
            ++p;
            minimo = 0x80;
            maximo = 0xBF;
            if (--pendientes == 0)
                multibyte = true;
        }
    }
    m_pendientes = pendientes;
    m_minimo = minimo;
    m_maximo = maximo;
    m_invalido = invalido;
    m_multibyte = multibyte;
}

bool esUtf8Valido(std::string_view bytes)
{
    ValidadorUtf8 validador(false);
    validador.anadir(sinSigno(bytes.data()), sinSigno(bytes.data() + bytes.size()));
    return validador.valido();
}

char32_t caracterWindows1252(unsigned char byte)
{
    return (byte >= 0x80 && byte <= 0x9F) ? char32_t(Windows1252Alto[byte - 0x80]) : char32_t(byte);
}

void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino)
{
    const auto *p = sinSigno(bytes.data());
    const auto *fin = p + bytes.size();
    // One byte gives at most one character in both encodings, so the room is known beforehand.
    const size_t base = destino.size();
    destino.resize(base + bytes.size());
    char32_t *salida = destino.data() + base;
    if (codificacion == Codificacion::Windows1252) {
        for (; p < fin; ++p)
            *salida++ = caracterWindows1252(*p);
    } else {
        while (p < fin) {
            const unsigned char c = *p;
            if (c < 0x80) {
                *salida++ = c;
                ++p;
                continue;
            }
            Inicial inicial = clasificarInicial(c);
            ++p;
            if (inicial.continuaciones < 0) {
                *salida++ = U'\uFFFD';
                continue;
            }
            char32_t punto = c & (0x3F >> inicial.continuaciones);
            int i = 0;
            for (; i < inicial.continuaciones; ++i) {
                if (p == fin || *p < inicial.minimo || *p > inicial.maximo)
                    break;
                punto = (punto << 6) | (*p & 0x3F);
                ++p;
                inicial.minimo = 0x80;
                inicial.maximo = 0xBF;
            }
            // An ill-formed sequence ends before the byte that broke it, which starts afresh.
            *salida++ = (i == inicial.continuaciones) ? punto : U'\uFFFD';
        }
    }
    destino.resize(size_t(salida - destino.data()));
}

void normalizarNFC(std::u32string &texto)
{
    // Below U+0300 nothing combines or decomposes: Latin-1 and the usual Latin letters
    // are already in form C.
    if (std::all_of(texto.begin(), texto.end(), [](char32_t c) { return c < 0x300; }))
        return;
    const QString normalizado = QString::fromUcs4(texto.data(), qsizetype(texto.size()))
                                    .normalized(QString::NormalizationForm_C);
    texto.clear();
    for (char32_t c : normalizado.toUcs4())
        texto.push_back(c);
}

void codificarUtf8(std::u32string_view texto, std::string &destino)
{
    const size_t base = destino.size();
    destino.resize(base + texto.size() * 4);
    char *p = destino.data() + base;
    for (char32_t c : texto)
        p = anadirUtf8(p, c);
    destino.resize(size_t(p - destino.data()));
}

size_t contarCaracteres(std::string_view utf8)
{
    return size_t(std::count_if(utf8.begin(), utf8.end(),
                                [](char b) { return (static_cast<unsigned char>(b) & 0xC0) != 0x80; }));
}

} // namespace torxal
