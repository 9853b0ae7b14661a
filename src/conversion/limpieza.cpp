// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "limpieza.h"

#include "documento.h"
#include "limpiezabytes.h"

#include <QChar>

#include <algorithm>

namespace torxal {

namespace {

// A code is left-filled with zeros to its width, and a code of only zeros means
// "no code", the same as a blank one. Letters are kept as they are: no numeric check.
void rellenarConCeros(std::u32string &campo, int longitud)
{
    if (int(campo.size()) < longitud)
        campo.insert(0, size_t(longitud) - campo.size(), U'0');
    if (std::all_of(campo.begin(), campo.end(), [](char32_t c) { return c == U'0'; }))
        campo.clear();
}

void cortarColumna(std::u32string_view limpio, const Columna &columna, std::u32string &trozo, Campo &campo)
{
    trozo.clear();
    const size_t desde = size_t(columna.inicio - 1);
    if (desde < limpio.size()) {
        // Characters XML forbids are dropped here, after the cut, so no later column shifts.
        for (char32_t c : limpio.substr(desde, size_t(columna.longitud)))
            if (esCaracterXml(c))
                trozo.push_back(c);
    }
    std::u32string_view valor = trozo;
    switch (columna.normalizacion) {
    case Normalizacion::Ninguna:
        break;
    case Normalizacion::Recortar:
        valor = recortarEspacios(valor);
        break;
    case Normalizacion::Rellenar:
        trozo = recortarEspacios(valor);
        rellenarConCeros(trozo, columna.longitud);
        valor = trozo;
        break;
    }
    char *p = campo.datos + Campo::Delante;
    campo.inicio = Campo::Delante;
    for (char32_t c : valor)
        p = anadirUtf8(p, c);
    campo.longitud = int(p - (campo.datos + Campo::Delante));
    campo.sinInvisibles = false; // a decoded line may hold anything: the checks look
}

} // namespace

char32_t aMayuscula(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? c - 0x20 : c;
    // The simple mapping is one character for one (ß stays ß), so no column moves,
    // and it does not depend on the process locale.
    return QChar::toUpper(c);
}

bool esImprimible(char32_t c)
{
    if (c < 0x80)
        return c >= 0x20 && c <= 0x7E;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Separator_Space:
        return false;
    default:
        return true;
    }
}

bool esInvisible(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

std::u32string_view QuitarNoImprimiblesDer(std::u32string_view texto)
{
    size_t fin = texto.size();
    while (fin > 0 && !esImprimible(texto[fin - 1]))
        --fin;
    return texto.substr(0, fin);
}

std::u32string_view QuitarNoImprimiblesIzq(std::u32string_view texto)
{
    size_t inicio = 0;
    while (inicio < texto.size() && !esImprimible(texto[inicio]))
        ++inicio;
    return texto.substr(inicio);
}

std::u32string_view QuitarNoImprimibles(std::u32string_view texto)
{
    return QuitarNoImprimiblesIzq(QuitarNoImprimiblesDer(texto));
}

std::u32string_view recortarEspacios(std::u32string_view texto)
{
    const size_t inicio = texto.find_first_not_of(U' ');
    if (inicio == std::u32string_view::npos)
        return texto.substr(texto.size());
    const size_t fin = texto.find_last_not_of(U' ');
    return texto.substr(inicio, fin - inicio + 1);
}

std::u32string_view cortarRegistro(std::u32string &registro, TipoConsulta tipo, Campos &campos)
{
    const std::u32string_view util = QuitarNoImprimibles(registro);
    const size_t tab = util.find(U'\t');
    campos.tabulador = tab != std::u32string_view::npos && util.find_first_not_of(U" \t", tab) != std::u32string_view::npos;
    // Compacts in place: the write position never passes the read position.
    char32_t *salida = registro.data();
    for (char32_t c : util) {
        if (c != U'\t')
            *salida++ = aMayuscula(c);
    }
    registro.resize(size_t(salida - registro.data()));
    const std::u32string_view limpio = registro;
    campos.enBlanco = limpio.find_first_not_of(U' ') == std::u32string_view::npos;
    const size_t fin = size_t(finDeColumnas(tipo) - 1);
    campos.sobrante = limpio.size() > fin && limpio.find_first_not_of(U' ', fin) != std::u32string_view::npos;
    campos.limpioTexto = limpio;
    campos.limpioBytes = {};
    campos.tabla = nullptr;
    recorrerColumnas(tipo, [&](const Columna &columna) {
        cortarColumna(limpio, columna, campos.trozo, campos.*(columna.campo));
    });
    campos.escribible = tieneObligatorios(tipo, campos);
    return limpio;
}

bool tieneObligatorios(TipoConsulta tipo, const Campos &campos)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return campos.NIF.presente();
    case TipoConsulta::RC:
        return campos.RC.presente();
    case TipoConsulta::PP:
        return campos.PRO.presente() && campos.MUN.presente() && campos.POL.presente();
    }
    return false;
}

void textoLimpio(const Campos &campos, qsizetype desde, std::string &destino)
{
    // Only a warning's value: blanks at its ends say nothing, nor what XML forbids.
    const auto escribir = [&destino](auto caracteres, auto caracter) {
        const auto sobra = [](char32_t c) { return !esCaracterXml(c) || QChar::isSpace(c); };
        size_t inicio = 0;
        size_t fin = caracteres.size();
        while (inicio < fin && sobra(caracter(caracteres[inicio])))
            ++inicio;
        while (fin > inicio && sobra(caracter(caracteres[fin - 1])))
            --fin;
        const size_t base = destino.size();
        destino.resize(base + (fin - inicio) * 4);
        char *p = destino.data() + base;
        for (size_t i = inicio; i < fin; ++i)
            if (const char32_t c = caracter(caracteres[i]); esCaracterXml(c))
                p = anadirUtf8(p, c);
        destino.resize(size_t(p - destino.data()));
    };
    if (campos.tabla) {
        const TablaBytes &tabla = *campos.tabla;
        escribir(campos.limpioBytes.substr(std::min(size_t(desde), campos.limpioBytes.size())),
                 [&tabla](char b) { return aMayuscula(tabla.codigo[static_cast<unsigned char>(b)]); });
    } else {
        escribir(campos.limpioTexto.substr(std::min(size_t(desde), campos.limpioTexto.size())),
                 [](char32_t c) { return c; });
    }
}

} // namespace torxal
