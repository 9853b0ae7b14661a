// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "destino.h"
#include "formatolista.h"
#include "mensajes.h"
#include "tipoconsulta.h"
#include "utf16.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace torxal {

struct Campos;

/// What became of one record of a list.
enum class EstadoRegistro : quint8 { Escrito, ConAvisos, Omitido };

/// One warning about an indexed record: its code, the column of the kind's layout it marks
/// (-1: the record or its line) and its text.
struct AvisoDeRegistro {
    CodigoAviso codigo;
    int columna;
    QString texto;
};

/// A record cut again: its fields as the document has them, in the kind's columns; the
/// line it comes from, as decoded; the record as cleaned, where the columns were counted.
/// A table's row has no line but its cells, each with something in it as
/// "B «DNI»: 12345678Z" (the column's letter and its header's name).
struct RegistroCortado {
    QStringList campos;
    QString linea;
    QString limpio;
    QStringList celdas;
};

/// Where every non-blank record of a list starts and what became of it, to look at a list
/// of a million records without keeping its fields: a record is read and cut again, by
/// the run's own reader and cutting, when someone looks at it. A record is found by the
/// start of its line and its place in it; a table's row, in CSV by where it starts, in a
/// sheet by its cells, kept.
class IndiceLista {
public:
    /// A table's columns as chosen for the run, where its header said too little: its rows
    /// are read as the run read them.
    void setEleccion(const EleccionColumnas &eleccion) { m_eleccion = eleccion; }
    /// Reads the whole list once, as a run reads it, with its checks.
    bool construir(const QString &ruta, TipoConsulta tipo, Fallo *fallo);

    const QString &ruta() const { return m_ruta; }
    TipoConsulta tipo() const { return m_tipo; }
    FormatoLista formato() const { return m_formato; }
    /// A sheet (XLSX, ODS): its records are rows as the sheet numbers them, not lines.
    bool esHoja() const { return m_formato == FormatoLista::Xlsx || m_formato == FormatoLista::Ods; }
    qint64 registros() const { return qint64(m_registros.size()); }
    qint64 linea(qint64 registro) const { return qint64(m_registros[size_t(registro)].linea); }
    EstadoRegistro estado(qint64 registro) const { return EstadoRegistro(m_registros[size_t(registro)].estado); }
    /// One bit a code (1 << CodigoAviso) of the record's warnings.
    quint32 codigos(qint64 registro) const { return quint32(m_registros[size_t(registro)].codigos); }
    /// Warnings of each code in the whole list.
    qint64 avisosDe(CodigoAviso codigo) const { return m_porCodigo[size_t(codigo)]; }
    QList<AvisoDeRegistro> avisos(qint64 registro) const;

    /// The kind's column names, in the order of `RegistroCortado::campos`, and where each
    /// stands in the cleaned record (1-based start, length).
    static QStringList nombresColumnas(TipoConsulta tipo);
    static QList<std::pair<int, int>> posicionesColumnas(TipoConsulta tipo);

    /// Reads and cuts the record again; false when the list can no longer be read.
    bool cortar(qint64 registro, RegistroCortado *cortado, Fallo *fallo) const;

    /// The list's warnings written to `informe` as the run's report is, and by the same
    /// path: never over the list nor through a link; over a file there only when `reemplazar`.
    bool guardarAvisos(const QString &informe, bool reemplazar, Fallo *fallo,
                       FabricaDestino fabrica = crearDestinoFichero) const;

private:
    friend class IndexadorAvisos;
    QIODevice &textoDeTabla(QIODevice &entrada, std::unique_ptr<QIODevice> *utf16) const;
    bool copiarComoUtf8(QIODevice &entrada, OrdenUtf16 orden, qsizetype marca, Fallo *fallo);
    bool abrirFilas(QIODevice &texto, std::unique_ptr<LectorTabla> *lector, Columnas *columnas, Fallo *fallo) const;
    void guardarCeldas(const FilaTabla &fila);
    bool cortarDeTabla(qint64 registro, RegistroCortado *cortado, Fallo *fallo) const;
    static void llenarCortado(const Campos &campos, TipoConsulta tipo, RegistroCortado *cortado);
    bool releerFila(qint64 registro, FilaTabla *fila, Fallo *fallo) const;
    // Sixteen bytes a record, for a million of them. A line of at most 1 MiB holds fewer
    // than 2^20 records.
    struct Entrada {
        quint64 inicio : 44; // where the record's line (CSV: row) starts in what the reader reads; a sheet: in m_celdas
        quint64 orden : 20;  // the record's place in its line
        quint64 linea : 38;
        quint64 estado : 2;
        quint64 codigos : 24;
    };
    static_assert(NumeroDeCodigos <= 24 && sizeof(Entrada) == 16);
    struct AvisoGuardado {
        quint32 registro;
        CodigoAviso codigo;
        qint8 columna;
        quint32 detalle; // where its words start in m_detalles, after their length
    };

    QString m_ruta;
    TipoConsulta m_tipo = TipoConsulta::NIF;
    // Grown in blocks: no copy of a million entries, twice their size, while they grow.
    std::deque<Entrada> m_registros;
    std::deque<AvisoGuardado> m_avisos; // in record order
    QByteArray m_detalles;
    std::vector<qint64> m_porCodigo = std::vector<qint64>(NumeroDeCodigos);
    mutable QFile m_fichero;
    FormatoLista m_formato = FormatoLista::Columnas;
    OpcionesTabla m_opcionesTabla;
    Columnas m_columnas;
    std::optional<EleccionColumnas> m_eleccion;
    // A sheet's rows cannot be found again without reading its zip from the start, far too
    // slow for each row looked at: their cells are kept, but in one block of UTF-8 bytes
    // grown a piece at a time (a count of cells, then each one's column, class, length and
    // bytes), not a QString each, whose header alone would be more than most cells hold.
    std::deque<char> m_celdas;
    // A UTF-16 list of fixed columns, as its reader decodes it: its records are found again
    // where their offsets say, not by decoding the list from its start for each one.
    std::unique_ptr<QTemporaryFile> m_copiaUtf8;
    std::optional<OrdenUtf16> m_ordenUtf16; // a table in UTF-16, read through its decoding to UTF-8
    qsizetype m_marca = 0;                  // the bytes of its mark
};

} // namespace torxal
