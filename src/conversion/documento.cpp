#include "documento.h"

#include <cstring>

namespace torxal {

namespace {

inline char *copiar(char *p, std::string_view texto)
{
    std::memcpy(p, texto.data(), texto.size());
    return p + texto.size();
}

} // namespace

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

char *codificarValor(char *p, std::u32string_view valor)
{
    for (char32_t c : valor) {
        if (!esCaracterXml(c))
            continue;
        if (c < 0x80) {
            switch (c) {
            case U'&':
                p = copiar(p, "&amp;");
                break;
            case U'<':
                p = copiar(p, "&lt;");
                break;
            case U'>':
                p = copiar(p, "&gt;");
                break;
            default:
                *p++ = char(c);
                break;
            }
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
    }
    return p;
}

std::string_view descodificarValor(std::string_view documento, std::string &almacen)
{
    if (documento.find('&') == std::string_view::npos)
        return documento;
    almacen.clear();
    for (size_t i = 0; i < documento.size(); ++i) {
        const std::string_view resto = documento.substr(i);
        if (resto.starts_with("&amp;")) {
            almacen += '&';
            i += 4;
        } else if (resto.starts_with("&lt;")) {
            almacen += '<';
            i += 3;
        } else if (resto.starts_with("&gt;")) {
            almacen += '>';
            i += 3;
        } else {
            almacen += documento[i];
        }
    }
    return almacen;
}

QString textoDeValor(std::string_view documento)
{
    std::string almacen;
    const std::string_view valor = descodificarValor(documento, almacen);
    return QString::fromUtf8(valor.data(), qsizetype(valor.size()));
}

} // namespace torxal
