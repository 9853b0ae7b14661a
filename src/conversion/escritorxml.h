// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "destino.h"
#include "mensajes.h"
#include "rutas.h"
#include "tipoconsulta.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <memory>
#include <string_view>
#include <vector>

namespace torxal {

struct Campos;

/// What the document carries besides its records.
struct OpcionesDocumento {
    QString espacioDeNombres;  // the xmlns URI of the root element
    QString formatoFecha = QStringLiteral("dd/MM/yyyy");
    QDate fecha;               // written in FEC; the current date when not set
    qint64 tamanoMaximo = 0;   // bytes a part may take; 0: one document, however large
    qint64 tamanoAviso = 450 * 1024; // without a limit, past this a document ought to be split; 0: never
};

/// One document of the run: the whole document, or a part of it under a size limit.
struct Parte {
    std::unique_ptr<Destino> destino;
    qint64 registros = 0;
    qint64 bytes = 0;
};

/// Writes the query document: header, one line per written record, closing line. Record
/// lines are gathered in a buffer and handed on in large blocks. Under a size limit the
/// document is split into parts, each a whole document, filled in order and as full as
/// they can be; records are never split.
class EscritorXML {
public:
    /// The document (or its parts) go through destinations made by `fabrica` beside the
    /// output `nombres` names; its parts are named as they say, and the list as `lista`
    /// says, in the failures.
    EscritorXML(FabricaDestino fabrica, const RutaSalida &nombres, TipoConsulta tipo, OpcionesDocumento opciones,
                const QString &lista = {});
    ~EscritorXML();

    /// Creates the document and writes its header lines.
    bool CrearCabeceraXML(Fallo *fallo);

    /// Writes the record's line, or nothing when the record rule leaves it out (`escrito`
    /// says which). False when the destination fails, or when under a size limit the
    /// record, of line `linea`, does not fit even alone in a part.
    bool escribirRegistro(const Campos &campos, qint64 linea, bool *escrito, Fallo *fallo);

    /// Writes the closing line and makes every part durable; nothing is in place yet.
    bool CerrarFicheroXML(Fallo *fallo);

    /// The parts written, in order (one when the document fits, or without a limit).
    std::vector<Parte> &partes() { return m_partes; }

    /// Abandons the document: every target keeps whatever it held before.
    void descartar();

    /// The bytes a part may take; 0 when there is no limit.
    qint64 limite() const { return m_limite; }

    /// The header and closing lines alone, in bytes: the least a part can take.
    qint64 bytesSinRegistros() const { return qint64(m_cabecera.size()) + qint64(Cierre.size()); }

private:
    static constexpr std::string_view Cierre = "</LISTADATOS>\r\n";

    // One record line of each kind: the DAT element with the kind's children, an absent
    // optional field left out.
    bool EscribirRegistroNIF(const Campos &campos, qint64 linea, Fallo *fallo);
    bool EscribirRegistroRC(const Campos &campos, qint64 linea, Fallo *fallo);
    bool EscribirRegistroPP(const Campos &campos, qint64 linea, Fallo *fallo);
    bool abrirParte(Fallo *fallo);
    bool cerrarParte(Fallo *fallo);
    template<typename... Elementos>
    bool escribirDAT(qint64 linea, Fallo *fallo, const Elementos &...elementos);
    bool terminarLinea(char *inicio, char *fin, qint64 linea, Fallo *fallo);
    char *reservar(size_t bytes, Fallo *fallo);
    /// Room for `necesario` bytes at the cursor.
    bool hacerHueco(qsizetype necesario, Fallo *fallo);
    bool vaciar(Fallo *fallo);
    /// The name of the part being written, as the user will know it.
    QString nombreParte() const;
    bool fallarEscritura(Fallo *fallo, int error) const;

    FabricaDestino m_fabrica;
    RutaSalida m_nombres;
    QString m_lista;
    TipoConsulta m_tipo;
    qint64 m_limite;
    QByteArray m_cabecera;
    std::vector<Parte> m_partes;
    QByteArray m_buffer;
    char *m_cursor = nullptr;
};

} // namespace torxal
