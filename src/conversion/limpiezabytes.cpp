// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "limpiezabytes.h"

#include "documento.h"
#include "ochoalavez.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace torxal {

namespace {

using namespace ochoalavez;

TablaBytes construirTabla(Codificacion codificacion)
{
    TablaBytes tabla{};
    for (int b = 0; b < 256; ++b) {
        // UTF-8 records reach the table as Latin-1 code points (see aLatin1).
        char32_t c = char32_t(b);
        if (codificacion == Codificacion::Windows1252) {
            const char byte = char(b);
            std::u32string decodificado;
            decodificar(std::string_view(&byte, 1), codificacion, decodificado);
            c = decodificado.at(0);
        }
        tabla.codigo[b] = c;
        CaracterByte &entrada = tabla.caracteres[b];
        entrada.imprimible = esImprimible(c);
        entrada.invisible = esInvisible(aMayuscula(c));
        // Tabs never reach a field: the cleaning takes them out first.
        const char32_t mayuscula = aMayuscula(c);
        if (c == U'\t' || !esCaracterXml(mayuscula))
            continue;
        char codificado[8];
        const char *fin = anadirUtf8(codificado, mayuscula);
        entrada.longitud = static_cast<unsigned char>(fin - codificado);
        std::memcpy(entrada.salida, codificado, entrada.longitud);
    }
    return tabla;
}

// How many of the eight bytes, from the first in memory, are printable ASCII; those
// come back upper-cased in `ocho`. Every test below is exact for the
// bytes before the first one that fails it (no carry or borrow reaches them), so on a
// little-endian machine the lowest flagged byte is the first that needs the table.
// DEL goes to the table too, which knows it for invisible: the checks then need not
// look at a field again.
inline int sencillos(quint64 &ocho)
{
    const quint64 raros = (ocho & Altos)      // 0x80 and above
        | (~(ocho + 0x60 * Unos) & Altos)     // below 0x20
        | bytesCero(ocho ^ (0x7F * Unos));    // DEL
    const quint64 minuscula = ((ocho + (0x80 - 'a') * Unos) & ~(ocho + (0x80 - 'z' - 1) * Unos)) & Altos;
    ocho ^= minuscula >> 2;
    if (raros == 0)
        return 8;
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(raros) / 8;
    return 0;
}

// Eight bytes from `q`, those from `tope` on as zeros, never read. Where the record goes
// on that far it is one load; near its end, its last eight moved down.
inline quint64 leerAntesDe(const char *q, const char *principio, const char *tope)
{
    if (tope - q >= 8)
        return leer(q);
    if constexpr (std::endian::native == std::endian::little)
        if (tope - principio >= 8)
            return leer(tope - 8) >> (8 * (8 - (tope - q)));
    quint64 ocho = 0;
    std::memcpy(&ocho, q, size_t(tope - q));
    return ocho;
}

void cortarColumnaBytes(std::string_view limpio, const Columna &columna, const TablaBytes &tabla, Campo &campo)
{
    const size_t desde = size_t(columna.inicio - 1);
    const std::string_view trozo = desde < limpio.size() ? limpio.substr(desde, size_t(columna.longitud))
                                                          : std::string_view();
    char *const principio = campo.datos + Campo::Delante;
    char *p = principio;
    const char *q = trozo.data();
    const char *fin = q + trozo.size();
    if constexpr (std::endian::native == std::endian::little) {
        if (columna.normalizacion == Normalizacion::Rellenar && columna.longitud <= 8
            && trozo.size() == size_t(columna.longitud)) {
            // A code written whole in digits, as most are, is its own field (none if all zeros).
            const quint64 mascara = columna.longitud == 8 ? ~0ULL : (1ULL << (8 * columna.longitud)) - 1;
            const quint64 ocho = (leerAntesDe(q, limpio.data(), limpio.data() + limpio.size()) & mascara)
                | ('0' * Unos & ~mascara);
            if (todoCifras(ocho)) {
                std::memcpy(principio, &ocho, 8);
                campo.inicio = Campo::Delante;
                campo.longitud = ocho == '0' * Unos ? 0 : columna.longitud;
                campo.sinInvisibles = true;
                return;
            }
        }
    }
    if (columna.normalizacion != Normalizacion::Ninguna) {
        // Names are padded with spaces to their column; trimming them before the copy
        // gives the same field, since dropping characters and trimming commute.
        while (fin - q >= 8) {
            const quint64 ocho = leer(fin - 8) ^ (Unos * ' ');
            if (ocho != 0) {
                if constexpr (std::endian::native == std::endian::little)
                    fin -= std::countl_zero(ocho) / 8; // the last bytes are the highest
                break;
            }
            fin -= 8;
        }
        while (fin > q && fin[-1] == ' ')
            --fin;
    }
    int caracteres = 0;
    bool sinInvisibles = true;
    const char *const tope = limpio.data() + limpio.size();
    // Characters XML forbids are dropped before trimming and padding, as the general path
    // does. The whole entry is copied in one store; its first `longitud` bytes count.
    const auto deTabla = [&] {
        const CaracterByte &c = tabla.caracteres[static_cast<unsigned char>(*q++)];
        sinInvisibles &= !c.invisible;
        std::memcpy(p, &c, sizeof c);
        p += c.longitud;
        caracteres += c.longitud != 0;
    };
    while (q < fin) {
        // The field has room behind its end, so a whole load is always written; only the
        // bytes that count are kept.
        const int quedan = int(fin - q);
#ifdef __SSE2__
        if (tope - q >= 16) {
            // Sixteen bytes at once while the record goes on that far: what is below a
            // space, DEL, or 0x80 and above (below a space too, as signed bytes) needs the table.
            __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(q));
            const unsigned raros = unsigned(_mm_movemask_epi8(
                _mm_or_si128(_mm_cmplt_epi8(dieciseis, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(dieciseis, _mm_set1_epi8(0x7F)))));
            const __m128i minuscula = _mm_and_si128(_mm_cmpgt_epi8(dieciseis, _mm_set1_epi8('a' - 1)),
                                                    _mm_cmplt_epi8(dieciseis, _mm_set1_epi8('z' + 1)));
            dieciseis = _mm_sub_epi8(dieciseis, _mm_and_si128(minuscula, _mm_set1_epi8(0x20)));
            // Stored as two halves: the checks read the field back a byte at a time at once,
            // and read from one sixteen-byte store those bytes made the reference loop a
            // quarter slower.
            _mm_storel_epi64(reinterpret_cast<__m128i *>(p), dieciseis);
            _mm_storel_epi64(reinterpret_cast<__m128i *>(p + 8), _mm_unpackhi_epi64(dieciseis, dieciseis));
            const int n = std::min(raros == 0 ? 16 : std::countr_zero(raros), quedan);
            p += n;
            q += n;
            caracteres += n;
            if (n < 16 && n < quedan)
                deTabla();
            continue;
        }
#endif
        quint64 ocho = leerAntesDe(q, limpio.data(), tope);
        const int n = std::min(sencillos(ocho), quedan);
        std::memcpy(p, &ocho, 8);
        p += n;
        q += n;
        caracteres += n;
        if (n < 8 && n < quedan)
            deTabla();
    }
    // Spaces are single bytes in the document form, and no other character contains one.
    char *inicio = principio;
    while (inicio < p && *inicio == ' ')
        ++inicio;
    char *final = p;
    while (final > inicio && final[-1] == ' ')
        --final;
    switch (columna.normalizacion) {
    case Normalizacion::Ninguna:
        inicio = principio;
        final = p;
        break;
    case Normalizacion::Recortar:
        break;
    case Normalizacion::Rellenar: {
        caracteres -= int((inicio - principio) + (p - final));
        for (; caracteres < columna.longitud; ++caracteres)
            *--inicio = '0';
        if (std::all_of(inicio, final, [](char b) { return b == '0'; }))
            final = inicio;
        break;
    }
    }
    campo.inicio = int(inicio - campo.datos);
    campo.longitud = int(final - inicio);
    campo.sinInvisibles = sinInvisibles;
}

} // namespace

const TablaBytes &tablaBytes(Codificacion codificacion)
{
    static const TablaBytes windows1252 = construirTabla(Codificacion::Windows1252);
    static const TablaBytes latin1 = construirTabla(Codificacion::UTF8);
    return codificacion == Codificacion::Windows1252 ? windows1252 : latin1;
}

bool aLatin1(std::string_view utf8, std::string &destino)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *fin = p + utf8.size();
    // Room for sixteen bytes stored at once past the last one kept.
    destino.resize(utf8.size() + 16);
    char *salida = destino.data();
    while (p < fin) {
#ifdef __SSE2__
        // Sixteen bytes are copied at once and kept up to the first letter among them.
        if (fin - p >= 16) {
            const __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(salida), dieciseis);
            const unsigned altos = unsigned(_mm_movemask_epi8(dieciseis));
            const int n = altos == 0 ? 16 : std::countr_zero(altos);
            p += n;
            salida += n;
            if (n == 16)
                continue;
        }
#endif
        const unsigned char c = *p;
        if (c < 0x80) {
            *salida++ = char(c);
            ++p;
            // ASCII comes in runs: eight bytes at a time while it lasts.
            while (fin - p >= 8 && todoAscii(leer(p))) {
                std::memcpy(salida, p, 8);
                salida += 8;
                p += 8;
            }
        } else if ((c == 0xC2 || c == 0xC3) && fin - p >= 2 && (p[1] & 0xC0) == 0x80) {
            *salida++ = char(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            return false;
        }
    }
    destino.resize(salida - destino.data());
    return true;
}

bool esAscii(std::string_view bytes)
{
    const char *p = bytes.data();
    const char *fin = p + bytes.size();
    for (; fin - p >= 8; p += 8)
        if (!todoAscii(leer(p)))
            return false;
    for (; p < fin; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    return true;
}

void cortarRegistroBytes(std::string_view registro, const TablaBytes &tabla, TipoConsulta tipo, Campos &campos)
{
    size_t inicio = 0;
    size_t fin = registro.size();
    while (fin > 0 && !tabla.caracteres[static_cast<unsigned char>(registro[fin - 1])].imprimible)
        --fin;
    while (inicio < fin && !tabla.caracteres[static_cast<unsigned char>(registro[inicio])].imprimible)
        ++inicio;
    const std::string_view util = registro.substr(inicio, fin - inicio);
    // The fields are cut from the record where it stands: reading eight bytes just
    // written by a copy would wait for the copy's stores, on every field.
    std::string_view limpio = util;
    const size_t tab = util.find('\t');
    campos.tabulador = false;
    if (tab != std::string_view::npos) {
        campos.tabulador = util.find_first_not_of(" \t", tab) != std::string_view::npos;
        if (campos.copiaBytes.size() < util.size())
            campos.copiaBytes.resize(util.size());
        char *const copia = campos.copiaBytes.data();
        size_t longitud = 0;
        for (char b : util)
            if (b != '\t')
                copia[longitud++] = b;
        limpio = std::string_view(copia, longitud);
    }
    campos.enBlanco = limpio.find_first_not_of(' ') == std::string_view::npos;
    const size_t finColumnas = size_t(finDeColumnas(tipo) - 1);
    campos.sobrante = limpio.size() > finColumnas && limpio.find_first_not_of(' ', finColumnas) != std::string_view::npos;
    campos.limpioBytes = limpio;
    campos.limpioTexto = {};
    campos.tabla = &tabla;
    recorrerColumnas(tipo, [&](const Columna &columna) {
        cortarColumnaBytes(limpio, columna, tabla, campos.*(columna.campo));
    });
    campos.escribible = tieneObligatorios(tipo, campos);
}

} // namespace torxal
