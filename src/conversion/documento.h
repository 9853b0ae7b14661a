// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "utf8.h"

#include <cstring>
#include <string_view>

namespace torxal {

// How a value stands in the document: UTF-8, & < > as entities (quotes need nothing
// outside attributes), characters XML 1.0 forbids left out. The cutting leaves those
// out of every field; the writer escapes; so the document is always well-formed.

/// Copies `texto` to `p` and returns the end.
inline char *copiar(char *p, std::string_view texto)
{
    std::memcpy(p, texto.data(), texto.size());
    return p + texto.size();
}

/// A character that XML 1.0 allows in a document.
bool esCaracterXml(char32_t c);

/// The most bytes one byte of a value takes in the document ("&amp;").
inline constexpr int BytesPorByteEscapado = 5;

/// Writes `valor` (UTF-8) at `p` with & < > as entities and returns the end; needs room
/// for BytesPorByteEscapado bytes a byte and fifteen more. Up to fifteen bytes past the
/// value are read and copied, never kept: a field has that room behind it.
char *escaparValor(char *p, std::string_view valor);

} // namespace torxal
