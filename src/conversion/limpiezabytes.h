#pragma once

#include "lectura.h"
#include "tipoconsulta.h"

#include <array>
#include <string>
#include <string_view>

namespace torxal {

// Most lists are Windows-1252, or UTF-8 with nothing past Latin-1: one byte holds one
// character, so cleaning and slicing can work on the bytes and each field can go out
// through a table, without decoding the record. The table is built from the same
// functions the general path calls, so both give the same document.
struct CaracterByte {
    char salida[5];         // the upper-case character in its document form
    unsigned char longitud; // bytes of `salida`; 0 for a character XML forbids, which a field drops
    bool imprimible;        // kept at the ends of a record by the cleaning
    char relleno = 0;
};
static_assert(sizeof(CaracterByte) == 8);
using TablaBytes = std::array<CaracterByte, 256>;

/// The table for records in `codificacion`; UTF-8 records reach it narrowed to Latin-1.
const TablaBytes &tablaBytes(Codificacion codificacion);

/// The UTF-8 record as Latin-1 bytes, or false when a character lies past U+00FF or a
/// sequence is not a plain two-byte one (the general path decodes those).
bool aLatin1(std::string_view utf8, std::string &destino);

/// True when every byte is below 0x80.
bool esAscii(std::string_view bytes);

/// A field in its document form (UTF-8, escaped), cut from a one-byte-per-character record.
struct CampoXml {
    // Zeros may go in front of a code; a field is at most 62 characters of up to five
    // bytes; a copy may overrun by eight.
    static constexpr int Delante = 8;
    char datos[Delante + 62 * 5 + 8];
    int inicio = 0;
    int longitud = 0;
    std::string_view vista() const { return std::string_view(datos + inicio, size_t(longitud)); }
};

struct CamposXml {
    CampoXml NIF, APE, RC, PRO, MUN, POL, PAR;
    std::string_view util; // the record without its non-printable ends, tabs still in
    // The cleaned record, followed by eight spare bytes so it can be read eight at a time.
    std::string limpio = std::string(size_t(LongitudMaximaRegistro) + 8, '\0');
};

/// Cleans and slices a record of one byte per character as `limpiarRegistro` and
/// `cortarRegistro` do, leaving each field in its document form.
void cortarRegistroXml(std::string_view registro, const TablaBytes &tabla, TipoConsulta tipo, CamposXml &campos);

} // namespace torxal
