#pragma once

#include "comprobaciones.h"
#include "destino.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace torxal {

/// The checks' warnings as a CSV file a spreadsheet opens as it is: UTF-8 with a
/// byte-order mark, ";" between fields, CR LF line ends, quoting as RFC 4180. Written
/// beside its target and put in place at the end, like the document.
class Informe {
public:
    Informe(FabricaDestino fabrica, const QString &ruta);
    ~Informe();

    /// Creates the file and writes the header line.
    bool abrir(QString *razon);
    /// One row per warning, in the order found.
    bool anadir(const Aviso &aviso, QString *razon);
    /// Makes the report durable; nothing is in place yet.
    bool preparar(QString *razon);
    /// Puts the report at its name, over whatever report stood there.
    bool colocar(QString *razon);
    void descartar();

    const QString &ruta() const { return m_ruta; }

private:
    bool vaciar(QString *razon);

    QString m_ruta;
    std::unique_ptr<Destino> m_destino;
    QByteArray m_buffer;
};

/// One CSV line of the report, CR LF included.
QByteArray filaCsv(const QStringList &campos);

} // namespace torxal
