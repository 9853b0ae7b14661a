// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "empaquetado.h"

#include "utf8.h"

namespace torxal::empaquetado {

void desempaquetar(quint64 x, size_t porPalabra, std::string &destino)
{
    for (size_t i = porPalabra; i-- > 0;) {
        const quint8 codigo = quint8((x >> (6 * i)) & 0x3F);
        if (codigo == 0)
            return;
        destino += Alfabeto[codigo - 1];
    }
}

size_t codificarReferencia(std::string_view valor, std::string &destino)
{
    const auto *p = reinterpret_cast<const unsigned char *>(valor.data());
    const auto *fin = p + valor.size();
    size_t caracteres = 0;
    while (p < fin) {
        const auto *inicio = p;
        const quint8 codigo = codigoDe(p, fin);
        ++caracteres;
        if (codigo != 0) {
            destino += char(codigo);
            continue;
        }
        // Any other character: its code point, decoded here whatever its length.
        p = inicio;
        std::u32string uno;
        const auto *siguiente = p + 1;
        while (siguiente < fin && (*siguiente & 0xC0) == 0x80)
            ++siguiente;
        decodificar(std::string_view(reinterpret_cast<const char *>(p), size_t(siguiente - p)), Codificacion::UTF8, uno);
        p = siguiente;
        const char32_t c = uno.empty() ? U'\uFFFD' : uno.front();
        destino += char(0x40);
        destino += char((c >> 16) & 0xFF);
        destino += char((c >> 8) & 0xFF);
        destino += char(c & 0xFF);
    }
    return caracteres;
}

void descodificarReferencia(std::string_view bytes, std::string &destino)
{
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b != 0x40) {
            destino += Alfabeto[b - 1];
            ++i;
            continue;
        }
        const char32_t c = (char32_t(static_cast<unsigned char>(bytes[i + 1])) << 16)
            | (char32_t(static_cast<unsigned char>(bytes[i + 2])) << 8) | static_cast<unsigned char>(bytes[i + 3]);
        char utf8[4];
        destino.append(utf8, size_t(anadirUtf8(utf8, c) - utf8));
        i += 4;
    }
}

size_t caracteresDe(std::string_view bytes)
{
    size_t n = 0;
    for (size_t i = 0; i < bytes.size(); ++n)
        i += static_cast<unsigned char>(bytes[i]) == 0x40 ? 4 : 1;
    return n;
}

void expandir(quint64 alto, quint64 bajo, std::string &destino)
{
    destino.clear();
    for (quint64 x : {alto, bajo}) {
        for (int i = 9; i >= 0; --i) {
            const auto codigo = char((x >> (6 * i)) & 0x3F);
            if (codigo == 0)
                return;
            destino += codigo;
        }
    }
}

} // namespace torxal::empaquetado
