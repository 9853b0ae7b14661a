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

/// Cuts the fields of the kind's layout out of a cleaned record and normalises them.
void cortarRegistro(std::u32string_view limpio, TipoConsulta tipo, Campos &campos);

} // namespace torxal
