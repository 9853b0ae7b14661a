#pragma once

#include "destino.h"
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
};

/// What became of one record handed to the writer.
enum class Escritura {
    Escrito,
    Omitido, // a mandatory field is absent: nothing written
    NoCabe,  // with a size limit, the record does not fit even alone in a part
    Fallo,   // the destination failed; `razon` says why
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
    /// The document (or its parts) go through destinations made by `fabrica` beside `ruta`.
    EscritorXML(FabricaDestino fabrica, const QString &ruta, TipoConsulta tipo, OpcionesDocumento opciones);
    ~EscritorXML();

    /// Creates the document and writes its header lines.
    bool CrearCabeceraXML(QString *razon);

    /// Each writes one record line, or nothing when a mandatory field is absent. The values
    /// are in their document form (UTF-8, escaped).
    Escritura EscribirRegistroNIF(std::string_view NIF, std::string_view APE, std::string_view PRO,
                                  std::string_view MUN, QString *razon);
    Escritura EscribirRegistroRC(std::string_view RC, std::string_view PRO, std::string_view MUN, QString *razon);
    Escritura EscribirRegistroPP(std::string_view PRO, std::string_view MUN, std::string_view POL,
                                 std::string_view PAR, QString *razon);
    /// The record operation of the document's kind, with the fields it takes.
    Escritura escribirRegistro(const Campos &campos, QString *razon);

    /// Writes the closing line and makes every part durable; nothing is in place yet.
    bool CerrarFicheroXML(QString *razon);

    /// The parts written, in order (one when the document fits, or without a limit).
    std::vector<Parte> &partes() { return m_partes; }

    /// Abandons the document: every target keeps whatever it held before.
    void descartar();

    /// The header and closing lines alone, in bytes: the least a part can take.
    qint64 bytesSinRegistros() const { return qint64(m_cabecera.size()) + qint64(Cierre.size()); }

private:
    static constexpr std::string_view Cierre = "</LISTADATOS>\r\n";

    bool abrirParte(QString *razon);
    bool cerrarParte(QString *razon);
    template<typename... Elementos>
    Escritura escribirDAT(QString *razon, const Elementos &...elementos);
    Escritura terminarLinea(char *inicio, char *fin, QString *razon);
    char *reservar(size_t bytes, QString *razon);
    /// Room for `necesario` bytes at the cursor.
    bool hacerHueco(qsizetype necesario, QString *razon);
    bool vaciar(QString *razon);

    FabricaDestino m_fabrica;
    QString m_ruta;
    TipoConsulta m_tipo;
    qint64 m_limite;
    QByteArray m_cabecera;
    std::vector<Parte> m_partes;
    QByteArray m_buffer;
    char *m_cursor = nullptr;
};

} // namespace torxal
