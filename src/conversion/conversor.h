#pragma once

#include "escritorxml.h"
#include "lectura.h"
#include "tipoconsulta.h"

#include <QDate>
#include <QList>
#include <QString>

class QIODevice;

namespace torxal {

class Mensajes;

/// What a run made of the records it read.
struct Resumen {
    qint64 escritos = 0;
    qint64 omitidos = 0;        // non-blank records that lacked a mandatory field
    QList<qint64> lineasOmitidas; // the first few of them, by line of the file
};

/// The record loop's outcome, for callers that convert a device rather than a file.
enum class FinConversion { Completa, ErrorLectura, DemasiadoLargo, ErrorEscritura };

/// Reads, cleans and slices every record of `entrada` and hands it to `escritor`,
/// whose header must already be written. On DemasiadoLargo, `lineaFallo` names the line.
FinConversion convertirRegistros(QIODevice &entrada, Codificacion codificacion, TipoConsulta tipo,
                                 EscritorXML &escritor, Resumen &resumen, qint64 &lineaFallo, QString &razon);

/// The conversion run: one list in, its XML document beside it, every outcome told
/// through the window-level messages.
class Conversor {
public:
    explicit Conversor(Mensajes &mensajes);

    /// The date written in FEC; the current date when none is set.
    void setFecha(QDate fecha) { m_fecha = fecha; }
    /// Where documents are written; files through QSaveFile unless replaced.
    void setFabricaDestino(FabricaDestino fabrica) { m_fabrica = std::move(fabrica); }

    /// Converts one list. True when the document was created (the user has been told either way).
    bool GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo);

    /// Tells whether a file exists at `directorio` + `nombre`. Sets `estado` to 0, or to 99
    /// after showing the failure message, leaving `existe` as it was.
    void ExisteFichero(const QString &directorio, const QString &nombre, bool &existe, int &estado);

    /// The summary of the last run that created its document.
    const Resumen &resumen() const { return m_resumen; }

private:
    Mensajes &m_mensajes;
    QDate m_fecha;
    FabricaDestino m_fabrica = crearDestinoFichero;
    Resumen m_resumen;
};

/// The lines shown beneath the success message.
QString describirResumen(const Resumen &resumen);

} // namespace torxal
