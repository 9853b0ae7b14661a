#pragma once

#include <QByteArray>
#include <QString>

#include <cstring>
#include <string>
#include <string_view>

namespace torxal {

// How a value stands in the document: UTF-8, & < > as entities (quotes need nothing
// outside attributes), characters XML 1.0 forbids left out. Both ways of cleaning a
// record and the writer share these rules, so the document is always well-formed.

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

/// Copies `texto` to `p` and returns the end.
inline char *copiar(char *p, std::string_view texto)
{
    std::memcpy(p, texto.data(), texto.size());
    return p + texto.size();
}

/// A character that XML 1.0 allows in a document.
bool esCaracterXml(char32_t c);

/// The most bytes one character takes in its document form ("&amp;").
inline constexpr int BytesPorCaracter = 5;

/// Writes `valor` in its document form at `destino` and returns the end; needs room for
/// BytesPorCaracter bytes a character.
char *codificarValor(char *destino, std::u32string_view valor);

/// True when a value in its document form holds something other than spaces: a field
/// that is empty or only spaces is absent.
inline bool estaPresente(std::string_view valor)
{
    return valor.find_first_not_of(' ') != std::string_view::npos;
}

/// The value a document form stands for, as UTF-8 (the three entities undone).
std::string_view descodificarValor(std::string_view documento, std::string &almacen);

/// The value a document form stands for, as text.
QString textoDeValor(std::string_view documento);

} // namespace torxal
