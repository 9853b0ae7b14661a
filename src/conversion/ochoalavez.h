// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QtGlobal>

#include <cstring>

// Lists are long runs of plain ASCII: looking at eight bytes in one 64-bit word skips
// most of them without a test per byte.
namespace torxal::ochoalavez {

inline constexpr quint64 Unos = 0x0101010101010101ULL;
inline constexpr quint64 Altos = 0x8080808080808080ULL;

inline quint64 leer(const void *p)
{
    quint64 ocho;
    std::memcpy(&ocho, p, 8);
    return ocho;
}

/// The high bit of every byte of `x` that is zero, and possibly of bytes above one that is:
/// a borrow runs from the low bytes to the high ones. So the lowest flag is exact, which
/// on a little-endian machine is the first zero byte in memory order; callers that need
/// its position (not just "some byte is zero") check the byte order first.
inline quint64 bytesCero(quint64 x)
{
    return (x - Unos) & ~x & Altos;
}

inline bool todoAscii(quint64 ocho)
{
    return (ocho & Altos) == 0;
}

/// True when every byte is below 0x7F: adding one to each sets no high bit, and a byte
/// whose addition would carry has its own high bit set already.
inline bool todoAsciiVisibleOControl(quint64 ocho)
{
    return ((ocho | (ocho + Unos)) & Altos) == 0;
}

/// True when every byte is an ASCII digit: its high half is 3, and adding 6 to its low
/// half (at most 9) does not carry into it.
inline bool todoCifras(quint64 ocho)
{
    constexpr quint64 MitadesAltas = 0xF0F0F0F0F0F0F0F0ULL;
    return (ocho & MitadesAltas) == 0x30 * Unos && ((ocho + 0x06 * Unos) & MitadesAltas) == 0x30 * Unos;
}

} // namespace torxal::ochoalavez
