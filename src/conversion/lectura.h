// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "utf16.h"
#include "utf8.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QIODevice;

namespace torxal {

/// The longest record, in characters as delimited and normalised, that the cleaning is made for.
inline constexpr qsizetype LongitudMaximaRegistro = 32767;

/// Opens the list at `ruta` for reading, without ever blocking: a FIFO, a device or a
/// socket is refused, not read.
bool abrirEntrada(const QString &ruta, std::unique_ptr<QIODevice> *entrada, Fallo *fallo);

/// Streams the records of a list. A record ends at a comma or a line end (CR LF, LF or
/// CR); one whose first character is a double quote runs to the next quote on its line.
/// Each line is decoded on its own: as UTF-8 when it is valid UTF-8, else as
/// Windows-1252; a list that starts with a UTF-16 byte-order mark, or whose first line
/// has a NUL in every other byte, is UTF-16 throughout. A line must end within the
/// reader's 1 MiB block; no list of records has longer ones.
class LectorRegistros {
public:
    /// `ruta` names the list in the failures the reader fills.
    explicit LectorRegistros(QIODevice &entrada, const QString &ruta = {});
    ~LectorRegistros();

    /// Reads the next record; false at the end of the list (`fallo` untouched) or when
    /// the list cannot be read or holds a record too long.
    bool leerRegistro(Fallo *fallo);

    /// 1-based line of the file on which the record just read (or refused) starts.
    qint64 linea() const { return m_lineaRegistro; }
    /// Where the record's line starts, in bytes of what the reader reads (a UTF-16 list's
    /// as UTF-8): a reader over the bytes from there reads the line's records again.
    qint64 inicioDeLinea() const { return m_inicioLinea; }
    /// How the record's line is decoded; `bytes()` are in that encoding (UTF-16 lists
    /// reach them as UTF-8).
    Codificacion codificacion() const { return m_codificacionLinea; }
    /// The record as the file holds it; valid until the next call.
    std::string_view bytes() const { return m_bytes; }
    /// True for the first record of its line: the others followed a comma.
    bool primeroDeSuLinea() const { return m_primeroDeSuLinea; }
    /// True when every byte of the record's line is below 0x80.
    bool lineaAscii() const { return m_lineaAscii; }
    /// The record decoded and in normalisation form C; valid until the next call.
    std::u32string &texto();

    /// True once the list has shown itself to be UTF-8: a byte-order mark, UTF-16, or a
    /// well-formed multi-byte sequence anywhere so far.
    bool esListaUtf8() const { return m_listaUtf8; }
    /// The byte order of a list read as UTF-16 although it has no mark.
    std::optional<OrdenUtf16> utf16SinMarca() const { return m_utf16SinMarca; }

private:
    enum class Busqueda { Encontrado, FinDeFichero, DemasiadoLargo, Error };
    Busqueda buscar(char parada, qsizetype &inicio, qsizetype limite);
    bool rellenar(qsizetype &inicio);
    bool empezar();
    Busqueda decidirLinea();
    void consumirDelimitador();
    bool fallarLectura(Fallo *fallo) const;
    bool fallarLargo(Fallo *fallo) const;
    bool seguirTras(Busqueda busqueda, Fallo *fallo) const;

    QIODevice *m_entrada;
    QString m_ruta;
    std::unique_ptr<QIODevice> m_utf16;
    QByteArray m_bloque;
    qsizetype m_pos = 0;
    qsizetype m_fin = 0;
    bool m_agotado = false;
    bool m_empezado = false;
    bool m_saltarLF = false;
    bool m_inicioDeLinea = true;
    qint64 m_linea = 1;
    qint64 m_lineaRegistro = 0;
    qint64 m_base = 0; // where the block starts in what the reader reads
    qint64 m_inicioLinea = 0;
    QString m_razon; // the device's words for a failed read

    Codificacion m_codificacionLinea = Codificacion::UTF8;
    bool m_lineaAscii = true;
    qsizetype m_finPrimerRegistro = -1; // where the line's first record ends in the block, when known
    bool m_listaUtf8 = false;
    std::optional<OrdenUtf16> m_utf16SinMarca;
    bool m_primeroDeSuLinea = true;
    std::string_view m_bytes;
    std::string m_copia;
    bool m_decodificado = false;
    std::u32string m_texto;
};

} // namespace torxal
