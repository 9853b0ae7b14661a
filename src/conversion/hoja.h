// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "tabla.h"

#include <QString>

#include <memory>

class QIODevice;

namespace torxal {

/// A cell holds at most what the spreadsheet programs let one hold.
inline constexpr qsizetype MaximoCaracteresCelda = 32767;
/// The last row and column the spreadsheet programs number; cells past them are not read
/// (an ODS row of nothing repeated to the end of the sheet costs nothing).
inline constexpr qint64 UltimaFilaHoja = 1048576;
inline constexpr int UltimaColumnaHoja = 16384;
/// XLSX shared strings kept at most (their texts, and their characters in all).
inline constexpr qsizetype MaximoTextosCompartidos = qsizetype(1) << 22;
inline constexpr qsizetype MaximoCaracteresCompartidos = qsizetype(1) << 26;

/// The sheet named `hoja` of the XLSX workbook in `lista` (a sheet of that name, else the
/// `hoja`-th when it is a number from 1), or the first when `hoja` is empty. `lista` must
/// be open and seekable, and outlive the reader.
std::unique_ptr<LectorTabla> abrirXlsx(QIODevice &lista, const QString &hoja, Fallo *fallo);
/// The same for an ODS spreadsheet.
std::unique_ptr<LectorTabla> abrirOds(QIODevice &lista, const QString &hoja, Fallo *fallo);

// What both formats store, as a cell shows it.

/// A stored number ("8", "8.0", "1.5E+3", "-0.25"): whole numbers as their digits without
/// exponent or decimal part (Entero), others as plain decimals (Decimal); Texto, with the
/// text as it is, when `valor` is not a number or is too far from a list's codes to write out.
ClaseCelda leerNumero(QStringView valor, QString *texto);
/// A spreadsheet date serial as dd/MM/yyyy, with hh:mm:ss when it has a time, or only
/// hh:mm:ss for a time alone; false when it is no date.
bool textoDeSerie(QStringView valor, bool desde1904, QString *texto);
/// An ISO 8601 date or date and time ("2024-01-05", "2024-01-05T10:30:00") the same way.
bool textoDeFechaIso(QStringView valor, QString *texto);
/// An ISO 8601 duration as ODS stores times ("PT10H30M00S") as hh:mm:ss.
bool textoDeDuracion(QStringView valor, QString *texto);

// Which XLSX number formats make a stored number a date.

/// Formats 14-22, 27-36, 45-47 and 50-58 are the built-in dates and times.
bool esFormatoFechaIncorporado(int id);
/// A format code that shows a date or a time: a d, m, y, h or s outside quotes, escapes
/// and brackets (where only elapsed times, [h] [mm] [ss], count), in its first section.
bool esCodigoDeFecha(QStringView codigo);

} // namespace torxal
