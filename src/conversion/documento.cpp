#include "documento.h"

namespace torxal {

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
            p = anadirUtf8(p, c);
            break;
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
