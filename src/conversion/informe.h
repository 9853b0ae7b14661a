// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "comprobaciones.h"
#include "destino.h"
#include "mensajes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace torxal {

/// The checks' warnings as a CSV file a spreadsheet opens as it is: UTF-8 with a
/// byte-order mark, ";" between fields, CR LF line ends, quoting as RFC 4180. Written
/// beside its target and put in place at the end, like the document.
class Informe final : public ReceptorAvisos {
public:
    Informe(FabricaDestino fabrica, const QString &ruta);
    ~Informe() override;

    /// Creates the file and writes the header line, whose first column is the line or,
    /// for a sheet, the row.
    bool abrir(Fallo *fallo, bool filas = false);
    /// One row per warning, in the order found; a failure to write is kept for preparar().
    void recibirAviso(const Aviso &aviso) override;
    /// Makes the report durable; nothing is in place yet.
    bool preparar(Fallo *fallo);
    /// Puts the report at its name: over the file there when `reemplazar`.
    bool colocar(bool reemplazar, Fallo *fallo);
    void descartar();

    const QString &ruta() const { return m_ruta; }

private:
    bool vaciar();
    bool fallarInforme(Fallo *fallo, int error) const;

    QString m_ruta;
    std::unique_ptr<Destino> m_destino;
    QByteArray m_buffer;
    int m_error = 0; // the first failure to write, reported at the end
};

/// One CSV line of the report, CR LF included.
QByteArray filaCsv(const QStringList &campos);

} // namespace torxal
