// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>

namespace torxal {

/// How one line of a list is decoded.
enum class Codificacion { Windows1252, UTF8 };

/// Writes `c` in UTF-8 at `p` and returns the end (one to four bytes).
inline char *anadirUtf8(char *p, char32_t c)
{
    if (c < 0x80) {
        *p++ = char(c);
    } else if (c < 0x800) {
        *p++ = char(0xC0 | (c >> 6));
        *p++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = char(0xE0 | (c >> 12));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    } else {
        *p++ = char(0xF0 | (c >> 18));
        *p++ = char(0x80 | ((c >> 12) & 0x3F));
        *p++ = char(0x80 | ((c >> 6) & 0x3F));
        *p++ = char(0x80 | (c & 0x3F));
    }
    return p;
}

/// The first byte of 0x80 or more in [p, fin), or fin.
const unsigned char *saltarAscii(const unsigned char *p, const unsigned char *fin);

/// Validates bytes fed in pieces, so a sequence may straddle two reads. Past the first
/// invalid byte it goes on only while asked to find a well-formed multi-byte sequence
/// (which tells a list is UTF-8 even where one of its lines is not).
class ValidadorUtf8 {
public:
    explicit ValidadorUtf8(bool buscarMultibyte) : m_buscarMultibyte(buscarMultibyte) {}

    void anadir(const unsigned char *p, const unsigned char *fin);

    /// The answer cannot change any more.
    bool decidido() const { return m_invalido && (m_multibyte || !m_buscarMultibyte); }
    /// Valid UTF-8 if the bytes end here.
    bool valido() const { return !m_invalido && m_pendientes == 0; }
    /// A well-formed multi-byte sequence was met.
    bool multibyte() const { return m_multibyte; }

private:
    bool m_buscarMultibyte;
    int m_pendientes = 0;
    unsigned char m_minimo = 0x80;
    unsigned char m_maximo = 0xBF;
    bool m_invalido = false;
    bool m_multibyte = false;
};

/// True when the bytes are valid UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool esUtf8Valido(std::string_view bytes);

/// The character a Windows-1252 byte stands for; the five bytes the code page leaves
/// undefined keep their own code.
char32_t caracterWindows1252(unsigned char byte);

/// Appends the characters of `bytes` to `destino`; invalid UTF-8 becomes U+FFFD,
/// one for each maximal ill-formed subpart.
void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino);

/// Puts `texto` in Unicode normalisation form C, so a letter and its accent typed apart
/// count as the one character the user sees.
void normalizarNFC(std::u32string &texto);

/// Appends `texto` to `destino` in UTF-8.
void codificarUtf8(std::u32string_view texto, std::string &destino);

/// The number of characters of a UTF-8 text.
size_t contarCaracteres(std::string_view utf8);

} // namespace torxal
