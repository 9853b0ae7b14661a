// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "tipoconsulta.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>

namespace torxal {

/// What a cell of a table holds, as far as the list cares.
enum class ClaseCelda { Vacia, Texto, Entero, Decimal, Fecha, Error, SinResultado };

/// One cell: `texto` is the value as the spreadsheet shows it: text as text, a whole
/// number with no decimal part and no exponent ("8", "12345678901234567890"), a formula's
/// stored result, a decimal as stored ("12.5"), a date as dd/MM/yyyy (a time as hh:mm:ss),
/// an error as its code ("#N/A"); empty for Vacia and SinResultado.
struct Celda {
    ClaseCelda clase = ClaseCelda::Vacia;
    QString texto;
};

/// One row with at least one cell that holds something; rows with nothing are not read.
struct FilaTabla {
    qint64 numero = 0;   // 1-based: the row as the sheet numbers it; in CSV, the line where it starts
    QList<Celda> celdas; // by 0-based column; trailing empty cells may be missing
    bool windows1252 = false; // CSV: a line of the row was not UTF-8 and was read as Windows-1252
    qint64 inicio = -1;       // CSV: the byte of what the reader reads where the row starts
};

/// Streams the rows of one sheet or CSV text, never holding more than a row (and, for
/// XLSX, the workbook's shared strings).
class LectorTabla {
public:
    virtual ~LectorTabla();
    /// The next row with something in it. False at the end (`fallo->que` stays
    /// Texto::Ninguno) or on a failure, which `fallo` tells; nothing is read after either.
    virtual bool leerFila(FilaTabla *fila, Fallo *fallo) = 0;
    /// True once the list has shown itself to be UTF-8 (always, for sheets), as the
    /// fixed-column reader says, so a Windows-1252 line inside it can be warned about.
    virtual bool esListaUtf8() const { return true; }
};

/// Another reader's rows from row `desde` on: what stands above a header the user chose
/// (a title, a date) is neither header nor data.
class FilasDesde final : public LectorTabla {
public:
    FilasDesde(std::unique_ptr<LectorTabla> lector, qint64 desde) : m_lector(std::move(lector)), m_desde(desde) {}
    bool leerFila(FilaTabla *fila, Fallo *fallo) override;
    bool esListaUtf8() const override { return m_lector->esListaUtf8(); }

private:
    std::unique_ptr<LectorTabla> m_lector;
    qint64 m_desde;
};

/// The fields of the three kinds.
enum class CampoLista { NIF, APE, RC, PRO, MUN, POL, PAR };
inline constexpr int CuantosCampos = 7;

/// Which columns feed each field of a kind.
struct Columnas {
    /// By CampoLista: the 0-based columns that feed the field, in the order they are joined
    /// (only APE has more than one: surnames first, then the name, joined by a space).
    std::array<QList<int>, CuantosCampos> fuentes;
    int ine = -1;               // a column whose code gives both PRO (first 2) and MUN (last 3)
    bool nombrePrimero = false; // APE comes from a column whose header puts the name first
    qint64 filaCabecera = 0;    // the header's row; 0 when none was read
    QStringList nombres;        // the header's text of each column, for the summary

    QList<int> &de(CampoLista campo) { return fuentes[size_t(campo)]; }
    const QList<int> &de(CampoLista campo) const { return fuentes[size_t(campo)]; }
};

/// The columns the user chose for a table whose header said too little, over its first
/// rows shown.
struct EleccionColumnas {
    Columnas columnas;
    bool primeraEsCabecera = true; // the first row shown names the columns: it is not data
    qint64 primeraFila = 0;        // that row's number; what stands above it is neither header nor data
};

/// The rows of `lector` as the choice reads them: from its first row shown on, which names
/// `columnas` and is left out when it is the header.
bool leerSegunEleccion(std::unique_ptr<LectorTabla> *lector, const EleccionColumnas &eleccion, Columnas *columnas,
                       Fallo *fallo);

/// The widest sheet the spreadsheet programs make: XFD.
inline constexpr int UltimaColumna = 16384;

/// "del NIF", "de la provincia": a field as a message names it.
QString fraseDeCampo(CampoLista campo);

/// True when `nombre` is a header name of the kind's identifier column (NIF; RC; POL).
bool nombraIdentificador(QStringView nombre, TipoConsulta tipo);

/// "A", "B", ..., "Z", "AA": the column as a spreadsheet names it.
QString letrasDeColumna(int columna);

/// The mapping read from a header row: its names compared ignoring case, accents, spaces
/// and punctuation. A row that does not name the kind's identifier column (NIF; RC; POL
/// for polygon and parcel) is not a header: false with `fallo->que` left Texto::Ninguno.
/// A header with a column named twice, or without a required one, fails with a text
/// that names what it has. Whatever it returns, `columnas` gets the columns the row does
/// name (of a column named twice, the first), for a mapping dialog to start from.
bool reconocerCabecera(const FilaTabla &fila, TipoConsulta tipo, Columnas *columnas, Fallo *fallo);

/// Reads up to ten rows looking for the header. Every row read is appended to `leidas`
/// (for a mapping dialog); data starts with the reader's next row. Fails when no row
/// names the identifier, showing the row most like a header, whose recognised columns
/// are left in `columnas`.
bool buscarCabecera(LectorTabla &lector, TipoConsulta tipo, Columnas *columnas, QList<FilaTabla> *leidas,
                    Fallo *fallo);

/// Keeps the names of `cabecera`'s cells for the summary, when a mapping given by hand
/// has a header row anyway.
void nombrarColumnas(const FilaTabla &cabecera, Columnas *columnas);

/// A mapping as written by hand: "NIF=A,APE=C+D,PRO=E,MUN=F", columns as letters or
/// 1-based numbers, INE=F for a column with both codes.
bool leerColumnas(QStringView texto, TipoConsulta tipo, Columnas *columnas, Fallo *fallo);

/// "Columnas: NIF = B «DNI»; APE = C + D «APELLIDOS», «NOMBRE»; PRO = E «PROVINCIA»."
QString describirColumnas(const Columnas &columnas, TipoConsulta tipo);

/// Something about a mapped cell the record loop warns about.
enum class ProblemaCelda {
    Error,         // an error cell: the field is left empty
    SinResultado,  // a formula without a stored result: the field is left empty
    Fecha,         // a date in a code column (PRO, MUN, POL, PAR, or the INE column, told as PRO)
    Decimal,       // a number with decimals in a code column
    NombrePrimero, // APE's column holds the name before the surnames
};

struct ProblemaDeCampo {
    ProblemaCelda problema;
    CampoLista campo;
    int columna;   // 0-based
    QString valor; // the cell's text
};

/// Each field's text as the cells give it, before any cleaning, and what to warn about.
/// Reused from row to row.
struct CamposDeFila {
    std::array<QString, CuantosCampos> textos; // by CampoLista; empty when not mapped
    QList<ProblemaDeCampo> problemas;

    QString &de(CampoLista campo) { return textos[size_t(campo)]; }
    const QString &de(CampoLista campo) const { return textos[size_t(campo)]; }
};

/// Fills `campos` from the row: APE's pieces joined by one space, an INE code (or five
/// digits in the municipality's column) split into PRO and MUN, text put in normalisation
/// form C. False when every mapped cell is empty.
bool extraerCampos(const FilaTabla &fila, const Columnas &columnas, TipoConsulta tipo, CamposDeFila *campos);

} // namespace torxal
