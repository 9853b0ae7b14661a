#pragma once

#include "tipoconsulta.h"

#include <string>
#include <string_view>

namespace torxal {

/// A graphic character (letter, mark, number, punctuation, symbol) or the plain space.
bool esImprimible(char32_t c);

/// A character that XML 1.0 allows in a document.
bool esCaracterXml(char32_t c);

/// The text without the non-printable characters at its right end.
std::u32string_view QuitarNoImprimiblesDer(std::u32string_view texto);
/// The text without the non-printable characters at its left end.
std::u32string_view QuitarNoImprimiblesIzq(std::u32string_view texto);
/// The text without the non-printable characters at either end.
std::u32string_view QuitarNoImprimibles(std::u32string_view texto);

/// Cleans a record in place: non-printables off both ends, every tab out,
/// upper case one character for one. Returns the cleaned record.
std::u32string_view limpiarRegistro(std::u32string &registro);

/// Leading and trailing U+0020 removed; no other character counts as a space.
std::u32string_view recortarEspacios(std::u32string_view texto);

/// True when the text holds something other than U+0020.
bool estaPresente(std::u32string_view texto);
inline bool estaPresente(std::string_view texto)
{
    return texto.find_first_not_of(' ') != std::string_view::npos;
}

/// The fields of one record, named after the elements they are written to.
/// They are reused from record to record, so slicing allocates nothing once warm.
struct Campos {
    std::u32string NIF, APE, RC, PRO, MUN, POL, PAR;
};

enum class Normalizacion { Ninguna, Recortar, Rellenar };

/// One field of a layout, for any record type with the fields named as elements.
template<typename CamposT>
struct Columna {
    decltype(CamposT::NIF) CamposT::*campo;
    int inicio; // 1-based, in characters of the cleaned record
    int longitud;
    Normalizacion normalizacion;
};

/// Calls `cortar` with each column of the kind's layout, in order: the fixed columns
/// of the three layouts, written once for every way of holding the fields.
template<typename CamposT, typename Funcion>
void recorrerColumnas(TipoConsulta tipo, Funcion &&cortar)
{
    using C = Columna<CamposT>;
    static constexpr C ColumnasNIF[] = {
        {&CamposT::NIF, 1, 9, Normalizacion::Ninguna},
        {&CamposT::APE, 10, 62, Normalizacion::Recortar},
        {&CamposT::PRO, 72, 2, Normalizacion::Rellenar},
        {&CamposT::MUN, 74, 3, Normalizacion::Rellenar},
    };
    static constexpr C ColumnasRC[] = {
        {&CamposT::RC, 1, 20, Normalizacion::Recortar},
        {&CamposT::PRO, 21, 2, Normalizacion::Rellenar},
        {&CamposT::MUN, 23, 3, Normalizacion::Rellenar},
    };
    static constexpr C ColumnasPP[] = {
        {&CamposT::PRO, 1, 2, Normalizacion::Rellenar},
        {&CamposT::MUN, 3, 3, Normalizacion::Rellenar},
        {&CamposT::POL, 6, 3, Normalizacion::Rellenar},
        {&CamposT::PAR, 9, 5, Normalizacion::Rellenar},
    };
    switch (tipo) {
    case TipoConsulta::NIF:
        for (const C &columna : ColumnasNIF)
            cortar(columna);
        break;
    case TipoConsulta::RC:
        for (const C &columna : ColumnasRC)
            cortar(columna);
        break;
    case TipoConsulta::PP:
        for (const C &columna : ColumnasPP)
            cortar(columna);
        break;
    }
}

/// Cuts the fields of the kind's layout out of a cleaned record and normalises them.
void cortarRegistro(std::u32string_view limpio, TipoConsulta tipo, Campos &campos);

} // namespace torxal
