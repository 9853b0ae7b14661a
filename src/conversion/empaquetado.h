// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QtGlobal>

#include <array>
#include <string>
#include <string_view>

// How the duplicate search keeps an identifier compact: each character of the usual ones
// in six bits, ten to a 64-bit word; a reference with any other character as ordered bytes.
namespace torxal::empaquetado {

// The characters an identifier usually holds, each in six bits; 0 ends a key, so a
// shorter key sorts before the longer ones it starts.
inline constexpr const char *Alfabeto[] = {
    " ", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J",
    "K", "L", "M", "N", "\xC3\x91", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z",
    "\xC3\x81", "\xC3\x89", "\xC3\x8D", "\xC3\x93", "\xC3\x9A", "\xC3\x9C", "\xC3\x87", "\xC3\x80", "\xC3\x88",
    "\xC3\x92", "\xC3\x8F", "\xC2\xAA", "\xC2\xBA", "-", ".", "/", ",", "'", "&", "(", ")", "_", ":", "\"", "*",
};
static_assert(std::size(Alfabeto) == 63);

struct TablaCodigos {
    std::array<quint8, 128> ascii{};
    std::array<quint8, 64> trasC2{}; // the second byte of a two-byte character, less 0x80
    std::array<quint8, 64> trasC3{};
};

constexpr TablaCodigos construirCodigos()
{
    TablaCodigos tabla;
    for (size_t i = 0; i < std::size(Alfabeto); ++i) {
        const auto primero = static_cast<unsigned char>(Alfabeto[i][0]);
        const auto segundo = static_cast<unsigned char>(Alfabeto[i][1]);
        const auto codigo = quint8(i + 1);
        if (primero < 0x80)
            tabla.ascii[primero] = codigo;
        else if (primero == 0xC2)
            tabla.trasC2[segundo - 0x80] = codigo;
        else
            tabla.trasC3[segundo - 0x80] = codigo;
    }
    return tabla;
}

inline constexpr TablaCodigos Codigos = construirCodigos();

// The code of the character at p (advancing past it), or 0 when it is not in the alphabet.
inline quint8 codigoDe(const unsigned char *&p, const unsigned char *fin)
{
    const unsigned char c = *p++;
    if (c < 0x80)
        return Codigos.ascii[c];
    if ((c == 0xC2 || c == 0xC3) && p < fin && (*p & 0xC0) == 0x80) {
        const unsigned char segundo = *p++;
        return (c == 0xC2 ? Codigos.trasC2 : Codigos.trasC3)[segundo - 0x80];
    }
    return 0;
}

// The codes of `valor`, or false when a character is not in the alphabet or there are
// more than `maximo`.
inline bool empaquetar(std::string_view valor, size_t maximo, quint8 *codigos, size_t *cuantos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(valor.data());
    const auto *fin = p + valor.size();
    size_t n = 0;
    while (p < fin) {
        if (n == maximo)
            return false;
        const quint8 codigo = codigoDe(p, fin);
        if (codigo == 0)
            return false;
        codigos[n++] = codigo;
    }
    *cuantos = n;
    return true;
}

// Codes from the highest bits down, ten to a word.
inline quint64 palabra(const quint8 *codigos, size_t desde, size_t cuantos, size_t porPalabra)
{
    quint64 x = 0;
    for (size_t i = 0; i < porPalabra; ++i)
        x = (x << 6) | (desde + i < cuantos ? codigos[desde + i] : 0);
    return x;
}

// `porPalabra` bytes packed as palabra() packs their codes, or false when one is not a
// character of the alphabet in one byte: most identifiers, without a list of codes between.
inline bool palabraDeBytes(const char *bytes, size_t porPalabra, quint64 *x)
{
    quint64 palabra = 0;
    bool todos = true;
    for (size_t i = 0; i < porPalabra; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const quint8 codigo = c < 0x80 ? Codigos.ascii[c] : 0;
        todos &= codigo != 0;
        palabra = (palabra << 6) | codigo;
    }
    *x = palabra;
    return todos;
}

/// Appends the characters of a packed word to `destino`, up to its end code.
void desempaquetar(quint64 x, size_t porPalabra, std::string &destino);

/// Appends a reference's ordered bytes to `destino`: a character of the alphabet as its
/// code, any other as 0x40 and its code point in three bytes, so comparing bytes compares
/// references and one that starts another sorts right before it. Returns how many
/// characters it has.
size_t codificarReferencia(std::string_view valor, std::string &destino);
/// Appends the UTF-8 of a reference's ordered bytes to `destino`.
void descodificarReferencia(std::string_view bytes, std::string &destino);
/// How many characters a reference's ordered bytes hold.
size_t caracteresDe(std::string_view bytes);
/// A packed reference's two words as its ordered bytes, in `destino` (emptied first).
void expandir(quint64 alto, quint64 bajo, std::string &destino);

} // namespace torxal::empaquetado
