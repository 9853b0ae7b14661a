// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "tipoconsulta.h"
#include "utf8.h"

#include <QString>

#include <string>
#include <string_view>

namespace torxal {

struct TablaBytes;

/// A graphic character (letter, mark, number, punctuation, symbol) or the plain space.
bool esImprimible(char32_t c);

/// A character a field should not hold because nobody sees it: a control, a format
/// character (zero-width space, byte-order mark, soft hyphen...), a line or paragraph
/// separator.
bool esInvisible(char32_t c);

/// The upper case of `c`, one character for one whatever the locale (ß stays ß).
char32_t aMayuscula(char32_t c);

/// The text without the non-printable characters at its right end.
std::u32string_view QuitarNoImprimiblesDer(std::u32string_view texto);
/// The text without the non-printable characters at its left end.
std::u32string_view QuitarNoImprimiblesIzq(std::u32string_view texto);
/// The text without the non-printable characters at either end.
std::u32string_view QuitarNoImprimibles(std::u32string_view texto);

/// Leading and trailing U+0020 removed; no other character counts as a space.
std::u32string_view recortarEspacios(std::u32string_view texto);

/// A field as cut, in plain UTF-8; characters XML forbids are already left out.
struct Campo {
    // Zeros may go in front of a code; a field is at most 62 characters of up to four
    // bytes; a copy may overrun by sixteen, and the writer reads up to fifteen past the end.
    static constexpr int Delante = 8;
    char datos[Delante + 62 * 4 + 16]{};
    int inicio = Delante;
    int longitud = 0;
    bool sinInvisibles = false; // cut on bytes, and no invisible character among them
    std::string_view vista() const { return std::string_view(datos + inicio, size_t(longitud)); }
    /// Empty, or only spaces: the field is absent.
    bool presente() const { return vista().find_first_not_of(' ') != std::string_view::npos; }
};

/// One record cut into the fields of its kind, with what the checks need to know of the
/// record as a whole. Reused from record to record, so cutting allocates nothing once warm.
struct Campos {
    Campo NIF, APE, RC, PRO, MUN, POL, PAR;
    bool escribible = false; // the kind's mandatory fields are present: the record goes in the document
    bool enBlanco = true;    // the cleaned record holds nothing but spaces
    bool tabulador = false;  // a tab inside the record shifted the columns after it
    bool sobrante = false;   // something other than a space stands past the layout's last column

    // The cleaned record, for the checks' reports: decoded text, or bytes and their table.
    std::u32string_view limpioTexto;
    std::string_view limpioBytes;
    const TablaBytes *tabla = nullptr;
    // Room the two ways of cutting keep from record to record, grown to the longest record
    // met rather than to the longest possible, so a short list stays cheap to start.
    std::string copiaBytes;
    std::u32string trozo;
};

/// The record rule: whether the kind's mandatory fields are present (the NIF; the
/// reference; province, municipality and polygon). A record without them is left out.
bool tieneObligatorios(TipoConsulta tipo, const Campos &campos);

/// Appends to `destino`, in UTF-8, the cleaned record the fields were cut from, from its
/// 0-based position `desde` on, without the blanks at its ends; characters XML forbids are
/// left out, as from a field.
void textoLimpio(const Campos &campos, qsizetype desde, std::string &destino);

enum class Normalizacion { Ninguna, Recortar, Rellenar };

/// One field of a layout.
struct Columna {
    Campo Campos::*campo;
    int inicio; // 1-based, in characters of the cleaned record
    int longitud;
    Normalizacion normalizacion;
};

/// The 1-based position after the layout's last column: what stands there belongs to no field.
constexpr int finDeColumnas(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return 77;
    case TipoConsulta::RC:
        return 26;
    case TipoConsulta::PP:
        return 14;
    }
    return 0;
}

/// Calls `cortar` with each column of the kind's layout, in order: the fixed columns
/// of the three layouts, written once for both ways of cutting.
template<typename Funcion>
void recorrerColumnas(TipoConsulta tipo, Funcion &&cortar)
{
    static constexpr Columna ColumnasNIF[] = {
        {&Campos::NIF, 1, 9, Normalizacion::Ninguna},
        {&Campos::APE, 10, 62, Normalizacion::Recortar},
        {&Campos::PRO, 72, 2, Normalizacion::Rellenar},
        {&Campos::MUN, 74, 3, Normalizacion::Rellenar},
    };
    static constexpr Columna ColumnasRC[] = {
        {&Campos::RC, 1, 20, Normalizacion::Recortar},
        {&Campos::PRO, 21, 2, Normalizacion::Rellenar},
        {&Campos::MUN, 23, 3, Normalizacion::Rellenar},
    };
    static constexpr Columna ColumnasPP[] = {
        {&Campos::PRO, 1, 2, Normalizacion::Rellenar},
        {&Campos::MUN, 3, 3, Normalizacion::Rellenar},
        {&Campos::POL, 6, 3, Normalizacion::Rellenar},
        {&Campos::PAR, 9, 5, Normalizacion::Rellenar},
    };
    switch (tipo) {
    case TipoConsulta::NIF:
        for (const Columna &columna : ColumnasNIF)
            cortar(columna);
        break;
    case TipoConsulta::RC:
        for (const Columna &columna : ColumnasRC)
            cortar(columna);
        break;
    case TipoConsulta::PP:
        for (const Columna &columna : ColumnasPP)
            cortar(columna);
        break;
    }
}

/// Cleans a decoded record in place (non-printables off both ends, every tab out, upper
/// case) and cuts the kind's fields out of it. Returns the cleaned record.
std::u32string_view cortarRegistro(std::u32string &registro, TipoConsulta tipo, Campos &campos);

} // namespace torxal
