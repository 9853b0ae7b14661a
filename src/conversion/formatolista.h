// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "tabla.h"

#include <QChar>
#include <QString>

#include <memory>

class QIODevice;

namespace torxal {

/// How a list is written: fixed columns (every list before tables), or a table.
enum class FormatoLista { Columnas, Csv, Xlsx, Ods };

/// What the user said about a table.
struct OpcionesTabla {
    QChar separador;          // ';', ',' or '\t' (--separador); null: found from the first non-blank line
    QString hoja;             // --hoja: a sheet's name or 1-based place; empty: the first
    bool forzarTabla = false; // a mapping was given (--columnas): a text list is CSV whatever its first line
};

/// Tells the list's format from its content, whatever its name: a zip with
/// xl/workbook.xml is XLSX, a zip whose mimetype entry is an OpenDocument spreadsheet is
/// ODS, a text whose first non-blank line names the kind's identifier column is CSV, and
/// anything else is fixed columns. Fails, saying what to do, for a damaged zip, a zip of
/// something else, a password-protected workbook and the binary formats of old Office
/// (.xls). `lista` must be open; it is left at its start.
bool reconocerFormato(QIODevice &lista, TipoConsulta tipo, const OpcionesTabla &opciones, FormatoLista *formato,
                      Fallo *fallo);

/// The reader of a table of format `formato` (not Columnas), at its first row, or
/// nothing and `fallo` filled. `lista` must stay open while the reader lives; for CSV it
/// must give UTF-8 or Windows-1252 bytes (a UTF-16 list is turned into UTF-8 before).
std::unique_ptr<LectorTabla> abrirTabla(QIODevice &lista, TipoConsulta tipo, FormatoLista formato,
                                        const OpcionesTabla &opciones, Fallo *fallo);

} // namespace torxal
