// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"

#include <QString>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace torxal {

// The rules of the identifiers a record carries: a NIF's shape and control character, a
// cadastral reference's characters, length and control pair; and the character tests
// the other checks share.
namespace identificadores {

constexpr bool esCifra(char c)
{
    return c >= '0' && c <= '9';
}

constexpr bool esLetra(char c)
{
    return c >= 'A' && c <= 'Z';
}

inline bool sonCifras(std::string_view texto, size_t cuantas)
{
    // Through a lambda, not the function's address, which the compiler may call instead of inlining.
    return texto.size() == cuantas && std::all_of(texto.begin(), texto.end(), [](char c) { return esCifra(c); });
}

inline int numero(std::string_view cifras)
{
    int n = 0;
    for (char c : cifras)
        n = n * 10 + (c - '0');
    return n;
}

} // namespace identificadores

/// What a NIF as written (nine characters, spaces included) is: nothing to say, a shape
/// that is none of a DNI, an NIE or an entity's NIF, or a wrong control character.
/// `esperado` receives the right control character in the last case, or an entity's two
/// forms of it, digit and letter ("Z", "4D").
std::optional<CodigoAviso> comprobarNIF(std::string_view nif, std::array<char, 3> *esperado = nullptr);

/// The right control as a warning names it: "Z", "4 o D".
QString textoControlNIF(const std::array<char, 3> &esperado);

/// What the checks find in a cadastral reference as written, trimmed (UTF-8).
struct AvisosRC {
    bool forma = false;             // a character other than 0-9, A-Z, Ñ
    bool longitud = false;          // neither 14, 18 nor 20 characters
    bool control = false;           // 20 characters whose last two are not the right ones
    size_t caracteres = 0;
    std::array<char, 3> esperado{}; // the right check characters, when `control`
};
AvisosRC comprobarRC(std::string_view rc);

} // namespace torxal
