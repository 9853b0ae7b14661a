// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QtGlobal>

#include <vector>

namespace torxal {

// A written record's packed identifier, with the record's ordinal and line.
struct Entrada64 {
    quint64 clave;
    quint32 ordinal;
    quint32 linea;
};

struct Entrada128 {
    quint64 alto;
    quint64 bajo;
    quint32 ordinal;
    quint32 linea;
};

/// Sorts a bucket's keys, equal keys left in the list's order (by ordinal); `auxiliar`
/// is room kept from bucket to bucket.
void ordenarPorClave(std::vector<Entrada64> &v, std::vector<Entrada64> &auxiliar);
void ordenarPorClave(std::vector<Entrada128> &v, std::vector<Entrada128> &auxiliar);

} // namespace torxal
