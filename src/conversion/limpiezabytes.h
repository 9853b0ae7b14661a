// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "limpieza.h"
#include "tipoconsulta.h"

#include <array>
#include <string>
#include <string_view>

namespace torxal {

// Most lists are Windows-1252, or UTF-8 with nothing past Latin-1: one byte holds one
// character, so cleaning and cutting can work on the bytes and each field can go out
// through a table, without decoding the record. The table is built from the same
// functions the general way calls, so both give the same document.
struct CaracterByte {
    char salida[5];         // the upper-case character in UTF-8
    unsigned char longitud; // bytes of `salida`; 0 for a character XML forbids, which a field drops
    bool imprimible;        // kept at the ends of a record by the cleaning
    bool invisible = false; // see esInvisible
};
static_assert(sizeof(CaracterByte) == 8);

struct TablaBytes {
    std::array<CaracterByte, 256> caracteres;
    std::array<char32_t, 256> codigo; // the character each byte stands for
};

/// The table for records in `codificacion`; UTF-8 records reach it narrowed to Latin-1.
const TablaBytes &tablaBytes(Codificacion codificacion);

/// The UTF-8 record as Latin-1 bytes, or false when a character lies past U+00FF or a
/// sequence is not a plain two-byte one (the general way decodes those).
bool aLatin1(std::string_view utf8, std::string &destino);

/// True when every byte is below 0x80.
bool esAscii(std::string_view bytes);

/// Cleans and cuts a record of one byte per character as `cortarRegistro` does.
void cortarRegistroBytes(std::string_view registro, const TablaBytes &tabla, TipoConsulta tipo, Campos &campos);

} // namespace torxal
