#include "limpieza.h"

#include <QChar>

#include <algorithm>

namespace torxal {

namespace {

void recortarEnSitio(std::u32string &campo)
{
    const std::u32string_view valor = recortarEspacios(campo);
    const size_t desde = valor.data() - campo.data();
    campo.erase(desde + valor.size());
    campo.erase(0, desde);
}

// A code is left-filled with zeros to its width, and a code of only zeros means
// "no code", the same as a blank one. Letters are kept as they are: no numeric check.
void rellenarConCeros(std::u32string &campo, int longitud)
{
    recortarEnSitio(campo);
    if (int(campo.size()) < longitud)
        campo.insert(0, longitud - campo.size(), U'0');
    if (std::all_of(campo.begin(), campo.end(), [](char32_t c) { return c == U'0'; }))
        campo.clear();
}

void cortarColumna(std::u32string_view limpio, const Columna<Campos> &columna, Campos &campos)
{
    std::u32string &campo = campos.*(columna.campo);
    campo.clear();
    const size_t desde = size_t(columna.inicio - 1);
    if (desde < limpio.size()) {
        // Characters XML forbids are dropped here, after the cut, so no later column shifts.
        for (char32_t c : limpio.substr(desde, size_t(columna.longitud)))
            if (esCaracterXml(c))
                campo.push_back(c);
    }
    switch (columna.normalizacion) {
    case Normalizacion::Ninguna:
        break;
    case Normalizacion::Recortar:
        recortarEnSitio(campo);
        break;
    case Normalizacion::Rellenar:
        rellenarConCeros(campo, columna.longitud);
        break;
    }
}

inline char32_t aMayuscula(char32_t c)
{
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? c - 0x20 : c;
    // The simple mapping is one character for one (ß stays ß), so no column moves,
    // and it does not depend on the process locale.
    return QChar::toUpper(c);
}

} // namespace

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

std::u32string_view limpiarRegistro(std::u32string &registro)
{
    const std::u32string_view util = QuitarNoImprimibles(registro);
    // Compacts in place: the write position never passes the read position.
    char32_t *salida = registro.data();
    for (char32_t c : util) {
        if (c != U'\t')
            *salida++ = aMayuscula(c);
    }
    registro.resize(salida - registro.data());
    return registro;
}

std::u32string_view recortarEspacios(std::u32string_view texto)
{
    const size_t inicio = texto.find_first_not_of(U' ');
    if (inicio == std::u32string_view::npos)
        return texto.substr(texto.size());
    const size_t fin = texto.find_last_not_of(U' ');
    return texto.substr(inicio, fin - inicio + 1);
}

bool estaPresente(std::u32string_view texto)
{
    return texto.find_first_not_of(U' ') != std::u32string_view::npos;
}

void cortarRegistro(std::u32string_view limpio, TipoConsulta tipo, Campos &campos)
{
    recorrerColumnas<Campos>(tipo, [&](const Columna<Campos> &columna) { cortarColumna(limpio, columna, campos); });
}

} // namespace torxal
