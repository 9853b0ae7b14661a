// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "tabla.h"
#include "tipoconsulta.h"
#include "utf16.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QIODevice;

namespace torxal {

class Comprobador;
class EscritorXML;
class LectorRegistros;
struct Campos;

/// Which way the record loop cuts records.
enum class Camino {
    ElMasRapido, // on the bytes where one byte is one character, else on the decoded text
    General,     // always on the decoded text
};

/// Cleans and cuts the record `lector` has just read into `campos`; `latin1` is room the
/// fast way keeps from record to record. The one cutting every reader of a list goes through.
void cortarLeido(LectorRegistros &lector, TipoConsulta tipo, Camino camino, Campos &campos, std::string &latin1);

/// Room the cutting of a table's rows keeps from row to row, and what it found in the
/// last row: each field's text and problems, the fields longer than their column.
struct EspacioFila {
    CamposDeFila deFila;
    QList<CampoLista> cortados;
    std::u32string registro;
    std::string registroBytes;
};

/// Lays a table row's mapped cells out as the kind's fixed columns hold them and cleans
/// and cuts them into `campos`, as a fixed list's line is cut. False when every mapped
/// cell is empty: the row is no record. The one cutting every reader of a table goes through.
bool cortarFila(const FilaTabla &fila, const Columnas &columnas, TipoConsulta tipo, EspacioFila &espacio,
                Campos &campos);

/// Reads and cuts every row of a table, hands each record to `registro` (false there stops
/// the walk and fails it) and runs the checks on it, and their end, when `comprobador` is
/// there: cut cells, error cells, formulas without a result, dates and decimals in a code
/// and a name put before the surnames are warned about as the run warns about them.
bool recorrerFilas(LectorTabla &lector, const Columnas &columnas, TipoConsulta tipo, Comprobador *comprobador,
                   const std::function<bool(const FilaTabla &, const Campos &)> &registro, Fallo *fallo);

/// What the record loop made of a list.
struct ResultadoConversion {
    qint64 escritos = 0;
    qint64 omitidos = 0;           // non-blank records that lacked a mandatory field
    QList<qint64> lineasOmitidas;  // the first of them, by line of the file
    bool listaUtf8 = false;        // the list showed itself to be UTF-8 somewhere
    std::optional<OrdenUtf16> utf16SinMarca;
    QString columnas;              // a table: which columns fed which field, for the summary
    bool filas = false;            // a sheet: warnings and the summary name rows, not lines
};

/// Reads, cleans and cuts every record of the list `entrada` (named `ruta` in failures)
/// and hands it to `escritor`, whose header must already be written, and to `comprobador`
/// when there is one, whose checks it also ends. False when the list cannot be read, holds
/// a record too long, or has one that does not fit alone in a part, or the document
/// cannot be written.
bool convertirRegistros(QIODevice &entrada, const QString &ruta, TipoConsulta tipo, EscritorXML &escritor,
                        Comprobador *comprobador, Camino camino, ResultadoConversion *resultado, Fallo *fallo);

/// The same for the rows of a table: each row's mapped cells are laid out as the kind's
/// fixed columns hold them and go through the same cleaning and cutting, so a table and the
/// same list in fixed columns give the same records. A cell longer than its field is cut to
/// it and warned about, as are error cells, formulas without a result, dates and decimals
/// in a code and a name put before the surnames.
bool convertirFilas(LectorTabla &lector, const Columnas &columnas, TipoConsulta tipo, EscritorXML &escritor,
                    Comprobador *comprobador, ResultadoConversion *resultado, Fallo *fallo);

} // namespace torxal
