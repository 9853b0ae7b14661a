// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "claves.h"
#include "identificadores.h"
#include "mensajes.h"
#include "tipoconsulta.h"
#include "utf8.h"

#include <QLatin1StringView>
#include <QString>

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torxal {

struct Campo;
struct Campos;

/// One warning: where it comes from (the physical line, as the skipped-record list counts
/// them), the field and its value as written, and what its text names. The views are
/// valid only during the call that hands the warning over.
struct Aviso {
    CodigoAviso codigo;
    qint64 linea = 0;
    QLatin1StringView campo;  // "NIF", "PRO"...; empty when the warning is about the record or its line
    std::string_view valor;   // UTF-8
    std::string_view detalle; // what the text names: an earlier line, the right control character...
    bool fila = false;        // `linea` and an earlier one in `detalle` are a sheet's rows
};

/// The Spanish text of a warning.
QString textoDeAviso(const Aviso &aviso);

/// Hears every warning as it is found.
class ReceptorAvisos {
public:
    virtual ~ReceptorAvisos() = default;
    virtual void recibirAviso(const Aviso &aviso) = 0;
};

/// Checks every record of a list as the run reads it, on the same thread and in order.
/// A record's own warnings and its line's reach the receptor as the list is read; the
/// Windows-1252 lines of a list that shows itself to be UTF-8 only later come when it
/// does; duplicates and references that include another are found once the whole list
/// is known, in terminar(), and come last, in the order of their lines.
class Comprobador {
public:
    Comprobador(TipoConsulta tipo, ReceptorAvisos &receptor);
    /// The list is a sheet: its warnings name rows.
    void setFilas(bool filas) { m_filas = filas; }

    /// One record as read and cut. Only the records the record rule lets into the
    /// document are checked, but every record counts for the line it comes from.
    void comprobarRegistro(const Campos &campos, qint64 linea, bool primeroDeSuLinea, Codificacion codificacion,
                           bool listaUtf8);
    /// A warning about the cells of the row just checked: one of a cell's codes, or a
    /// value cut to its field (TextoSobrante with the field named).
    void avisarCelda(const Campos &campos, CodigoAviso codigo, qint64 linea, QLatin1StringView campo,
                     std::string_view valor);
    /// The end of the list: the last line's warnings, then duplicates and inclusions.
    void terminar(bool listaUtf8);

    /// Warnings found so far.
    qint64 avisos() const { return m_avisos; }
    /// Written records that carry at least one warning, their line's included; final
    /// once terminar() has returned.
    qint64 registrosConAvisos() const;
    /// Written records whose identifier has the wrong shape, or that run past the last
    /// column: many of them suggest a list of another kind.
    qint64 registrosDeOtroTipo() const { return m_registrosDeOtroTipo; }
    /// When many records suggest a list of another kind: the kind most of them look like,
    /// if one does.
    std::optional<TipoConsulta> tipoAparente() const;

private:
    void votarTipo(const Campos &campos);
    void avisar(CodigoAviso codigo, qint64 linea, QLatin1StringView campo, std::string_view valor,
                std::string_view detalle = {});
    bool comprobarCampos(const Campos &campos, qint64 linea);
    void comprobarCodigo(const Campo &campo, CodigoAviso numerico, size_t cifras, QLatin1StringView nombre,
                         qint64 linea);
    void comprobarInvisibles(const Campo &campo, QLatin1StringView nombre, qint64 linea);
    void cerrarLinea(bool listaUtf8);
    void marcar(quint32 desde, quint32 hasta);
    void anadirPendiente(quint64 numero);

    TipoConsulta m_tipo;
    bool m_filas = false;
    ReceptorAvisos &m_receptor;
    Claves m_claves;
    qint64 m_avisos = 0;
    qint64 m_registrosDeOtroTipo = 0;
    std::array<qint64, 3> m_votos{}; // records of another kind's look, by kind
    quint32 m_escritos = 0;
    std::vector<quint64> m_conAvisos; // one bit a written record
    std::string m_texto;              // a warning's value being built
    char m_numero[24];

    // The line being read.
    qint64 m_linea = 0;
    bool m_lineaAbierta = false;
    bool m_windows1252 = false;
    int m_noEnBlanco = 0;
    quint32 m_primerEscritoDeLinea = 0;
    std::string m_trasLaComa;

    // Windows-1252 lines met before the list showed itself to be UTF-8: reported once it
    // does, forgotten if it never does. A list that is Windows-1252 throughout has one for
    // almost every line, so each takes a few bytes: the step from the line before, its
    // first written record and how many it has, as variable-length numbers.
    std::deque<quint8> m_pendientes; // a vector's doublings would copy megabytes
    qint64 m_ultimaPendiente = 0;
    quint32 m_primeroPendiente = 0;
};

} // namespace torxal
