#pragma once

#include "mensajes.h"
#include "tipoconsulta.h"
#include "utf16.h"

#include <QList>
#include <QString>

#include <optional>

class QIODevice;

namespace torxal {

class Comprobador;
class EscritorXML;

/// Which way the record loop cuts records.
enum class Camino {
    ElMasRapido, // on the bytes where one byte is one character, else on the decoded text
    General,     // always on the decoded text
};

/// What the record loop made of a list.
struct ResultadoConversion {
    qint64 escritos = 0;
    qint64 omitidos = 0;           // non-blank records that lacked a mandatory field
    QList<qint64> lineasOmitidas;  // the first of them, by line of the file
    bool listaUtf8 = false;        // the list showed itself to be UTF-8 somewhere
    std::optional<OrdenUtf16> utf16SinMarca;
};

/// Reads, cleans and cuts every record of the list `entrada` (named `ruta` in failures)
/// and hands it to `escritor`, whose header must already be written, and to `comprobador`
/// when there is one, whose checks it also ends. False when the list cannot be read, holds
/// a record too long, or has one that does not fit alone in a part, or the document
/// cannot be written.
bool convertirRegistros(QIODevice &entrada, const QString &ruta, TipoConsulta tipo, EscritorXML &escritor,
                        Comprobador *comprobador, Camino camino, ResultadoConversion *resultado, Fallo *fallo);

} // namespace torxal
