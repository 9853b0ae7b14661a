// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "tipoconsulta.h"

#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torxal {

struct Campos;

/// A duplicate or a reference that includes another, found among the written records.
struct Hallazgo {
    CodigoAviso codigo;     // Duplicado or RcIncluida
    quint32 ordinal;        // the written record it is about, counted from 0 in the list's order
    quint32 linea;          // its line
    quint32 nombrada;       // the earlier line it names
    std::string_view valor; // the identifier as written; valid during the call
};

/// The identifier of every written record (the NIF, the reference, or province,
/// municipality, polygon and parcel together), kept exact and compact until the end of
/// the list: a NIF or a plot in eight bytes, a reference in sixteen, six bits a character
/// of the usual ones; an identifier with any other character is kept as text aside.
/// Sorting them once then puts equal ones side by side, and a parcel's reference right
/// before those of its properties. Lines past 4,294,967,295 are named as that one.
class Claves {
public:
    explicit Claves(TipoConsulta tipo);
    ~Claves();
    Claves(const Claves &) = delete;
    Claves &operator=(const Claves &) = delete;

    /// The record's identifier, once its fields are cut; `ordinal` counts written records.
    void anadir(const Campos &campos, quint32 ordinal, qint64 linea);

    /// Hands over every duplicate and inclusion, in the order of the records they are about,
    /// as a list read in order would find them: a duplicate names the first record with
    /// that identifier; a reference of 14, 18 or 20 characters that starts with an earlier
    /// one, or that an earlier one starts with, names that earlier one. Empties the keys.
    void buscar(const std::function<void(const Hallazgo &)> &cada);

private:
    struct Estado;
    TipoConsulta m_tipo;
    std::unique_ptr<Estado> m_estado;
};

} // namespace torxal
