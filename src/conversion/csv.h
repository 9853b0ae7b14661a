// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "tabla.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace torxal {

/// True when the text starting with `inicio` (the first bytes of a list, UTF-8,
/// Windows-1252 or UTF-16 with its mark) is a table: its first non-blank line, split by
/// `separador` or, when that is null, by the first of ';', tab and ',' that gives two or
/// more cells, has a cell naming the kind's identifier column. `hallado` gets the
/// separator that split it.
bool pareceTablaCsv(QByteArrayView inicio, TipoConsulta tipo, QChar separador, QChar *hallado);

/// The rows of a CSV text, RFC 4180 quoting: a cell that starts with a double quote runs
/// to the next lone one, separators and line ends included, and "" inside it is one
/// quote. Each physical line is UTF-8 when it is valid UTF-8, else Windows-1252; a UTF-8
/// byte-order mark at the start is skipped (UTF-16 must be turned into UTF-8 before).
/// A row starts being numbered at its first physical line.
class LectorCsv final : public LectorTabla {
public:
    /// `separador` is ';', ',' or '\t'.
    LectorCsv(QIODevice &entrada, QChar separador);

    bool leerFila(FilaTabla *fila, Fallo *fallo) override;
    bool esListaUtf8() const override { return m_listaUtf8; }

    /// Longest row, in characters, and most cells of a row kept (the rest are not read).
    static constexpr qsizetype MaximoCaracteresFila = 1 << 20;
    static constexpr qsizetype MaximoCeldas = 16384;

private:
    enum class Linea { Leida, Fin, Error };
    Linea leerLinea(Fallo *fallo);

    QIODevice &m_entrada;
    char16_t m_separador;
    QByteArray m_bloque;
    qsizetype m_pos = 0;
    qsizetype m_fin = 0;
    qint64 m_base = 0;          // the byte of the text where m_bloque starts
    qint64 m_inicioLinea = 0;   // the byte of the text where m_linea starts
    bool m_agotado = false;
    bool m_empezado = false;
    bool m_terminado = false;
    bool m_listaUtf8 = false;
    qint64 m_numeroLinea = 0;   // the physical line in m_linea
    bool m_lineaWindows1252 = false;
    QString m_linea;
};

} // namespace torxal
