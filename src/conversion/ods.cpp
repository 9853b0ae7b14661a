// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// ODS: the sheets are the table:table elements of content.xml, streamed in order; a
// row or cell repeated is read once and counted, so a sheet padded to its last row with
// one element of nothing repeated a million times costs nothing.

#include "hoja.h"
#include "partezip.h"

namespace torxal {

using namespace Qt::StringLiterals;

namespace {

qint64 repeticiones(const QXmlStreamAttributes &atributos, QStringView nombre)
{
    for (const QXmlStreamAttribute &a : atributos)
        if (a.name() == nombre)
            return std::max<qint64>(1, a.value().toLongLong());
    return 1;
}

class LectorOds final : public LectorLibro {
public:
    using LectorLibro::LectorLibro;

    bool abrir(const QString &hoja, Fallo *fallo) override;
    bool leerFila(FilaTabla *fila, Fallo *fallo) override;

private:
    bool comprobarCifrado(Fallo *fallo);
    bool leerFilaDeHoja(FilaTabla *fila, qsizetype *usadas, Fallo *fallo);
    bool leerCelda(Celda *celda, qint64 columna, Fallo *fallo);
    bool leerParrafo(QString &texto);

    qint64 m_siguienteFila = 1;
    FilaTabla m_repetida;     // a row with something in it, still to be given again
    qint64 m_repeticiones = 0;
    int m_grupos = 0;         // row groups open inside the table
};

bool LectorOds::comprobarCifrado(Fallo *fallo)
{
    const QString manifiesto = u"META-INF/manifest.xml"_s;
    if (!m_archivo.contiene(manifiesto))
        return true;
    if (!m_parte.abrir(m_archivo, manifiesto, fallo))
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && es(xml, u"encryption-data"))
            return fallar(fallo, Texto::LibroCifrado);
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorOds::abrir(const QString &hoja, Fallo *fallo)
{
    if (!m_archivo.abrir(fallo) || !comprobarCifrado(fallo) || !m_parte.abrir(m_archivo, u"content.xml"_s, fallo))
        return false;
    bool esNumero = false;
    const qint64 numero = hoja.toLongLong(&esNumero);
    QStringList nombres;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement()) {
            // The sheets are all inside the spreadsheet element: nothing after it is read.
            if (xml.isEndElement() && es(xml, u"spreadsheet"))
                break;
            continue;
        }
        if (es(xml, u"body") || es(xml, u"spreadsheet"))
            continue;
        if (!es(xml, u"table")) {
            xml.skipCurrentElement();
            continue;
        }
        QString nombre;
        for (const QXmlStreamAttribute &a : xml.attributes())
            if (a.name() == u"name")
                nombre = a.value().toString();
        nombres.append(textoDe(Texto::NombreDeColumna, {nombre}));
        if (hoja.isEmpty() || nombre == hoja || (esNumero && numero == nombres.size())) {
            m_nombreHoja = nombre;
            return true;
        }
        xml.skipCurrentElement();
    }
    if (xml.hasError())
        return m_parte.fallarPorError(fallo);
    if (nombres.isEmpty())
        return fallar(fallo, Texto::LibroSinHojas);
    return fallar(fallo, Texto::HojaNoExiste, {hoja, nombres.join(u", ")});
}

bool LectorOds::leerFila(FilaTabla *fila, Fallo *fallo)
{
    if (m_repeticiones > 0) {
        --m_repeticiones;
        *fila = m_repetida;
        fila->numero = m_siguienteFila++;
        return true;
    }
    if (m_terminado)
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (m_grupos == 0)
                break; // the table's end
            --m_grupos;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (es(xml, u"table-row-group") || es(xml, u"table-header-rows") || es(xml, u"table-rows")) {
            ++m_grupos;
            continue;
        }
        if (!es(xml, u"table-row")) {
            xml.skipCurrentElement();
            continue;
        }
        const qint64 veces = repeticiones(xml.attributes(), u"number-rows-repeated");
        qsizetype usadas = 0;
        if (!leerFilaDeHoja(fila, &usadas, fallo)) {
            m_terminado = true;
            return false;
        }
        if (usadas == 0) {
            m_siguienteFila += std::min(veces, UltimaFilaHoja);
            if (m_siguienteFila > UltimaFilaHoja)
                break;
            continue;
        }
        if (m_siguienteFila > UltimaFilaHoja)
            break;
        fila->celdas.resize(usadas);
        fila->numero = m_siguienteFila++;
        fila->windows1252 = false;
        m_repeticiones = std::min(veces - 1, UltimaFilaHoja + 1 - m_siguienteFila);
        if (m_repeticiones > 0)
            m_repetida = *fila;
        m_algunaFila = true;
        return true;
    }
    // Whatever follows this sheet in content.xml is not read.
    acabarFilas(fallo);
    return false;
}

// The cells of the row the reader is on, up to its end.
bool LectorOds::leerFilaDeHoja(FilaTabla *fila, qsizetype *usadas, Fallo *fallo)
{
    QXmlStreamReader &xml = m_parte.xml();
    qint64 columna = 0;
    Celda celda;
    while (xml.readNextStartElement()) {
        const bool cubierta = es(xml, u"covered-table-cell");
        if (!cubierta && !es(xml, u"table-cell")) {
            xml.skipCurrentElement();
            continue;
        }
        const qint64 veces = repeticiones(xml.attributes(), u"number-columns-repeated");
        if (cubierta) {
            // Hidden under a merged cell: the sheet shows nothing there.
            xml.skipCurrentElement();
            celda = Celda{};
        } else if (!leerCelda(&celda, columna, fallo)) {
            return false;
        }
        if (celda.clase != ClaseCelda::Vacia && columna < UltimaColumnaHoja) {
            const qint64 hasta = std::min<qint64>(columna + veces, UltimaColumnaHoja);
            if (fila->celdas.size() < hasta)
                fila->celdas.resize(hasta);
            for (qsizetype i = *usadas; i < columna; ++i)
                fila->celdas[i] = Celda{};
            for (qsizetype i = columna; i < hasta; ++i)
                fila->celdas[i] = celda;
            *usadas = hasta;
        }
        columna = std::min<qint64>(columna + veces, UltimaColumnaHoja);
    }
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorOds::leerCelda(Celda *celda, qint64 columna, Fallo *fallo)
{
    QXmlStreamReader &xml = m_parte.xml();
    enum class Tipo { Ninguno, Numero, Fecha, Hora, Logico, Texto } tipo = Tipo::Ninguno;
    bool error = false;
    bool formula = false;
    bool conTextoGuardado = false;
    QString valor;
    QString textoGuardado;
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        const QStringView nombre = a.name();
        if (nombre == u"value-type") {
            const QStringView v = a.value();
            if (a.namespaceUri().contains(u"calcext"))
                error = v == u"error";
            else
                tipo = v == u"float" || v == u"percentage" || v == u"currency" ? Tipo::Numero
                    : v == u"date"                                            ? Tipo::Fecha
                    : v == u"time"                                            ? Tipo::Hora
                    : v == u"boolean"                                         ? Tipo::Logico
                    : v == u"string"                                          ? Tipo::Texto
                                                                               : Tipo::Ninguno;
        } else if (nombre == u"value" || nombre == u"date-value" || nombre == u"time-value" || nombre == u"boolean-value") {
            valor = a.value().toString();
        } else if (nombre == u"string-value") {
            textoGuardado = a.value().toString();
            conTextoGuardado = true;
        } else if (nombre == u"formula") {
            formula = true;
        }
    }
    QString texto;
    bool primero = true;
    while (xml.readNextStartElement()) {
        if (es(xml, u"p") || es(xml, u"h")) {
            if (!primero)
                texto.append(u'\n');
            primero = false;
            if (!leerParrafo(texto))
                break;
        } else {
            // Comments, drawings and the like are not the cell's value.
            xml.skipCurrentElement();
        }
        if (texto.size() > MaximoCaracteresCelda)
            break;
    }
    if (texto.size() > MaximoCaracteresCelda || textoGuardado.size() > MaximoCaracteresCelda)
        return fallar(fallo, Texto::CeldaLarga,
                      {letrasDeColumna(int(columna)) + QString::number(m_siguienteFila),
                       QString::number(MaximoCaracteresCelda)});
    if (xml.hasError())
        return m_parte.fallarPorError(fallo);

    celda->texto.clear();
    if (error) {
        *celda = {ClaseCelda::Error, texto};
        return true;
    }
    switch (tipo) {
    case Tipo::Numero:
        celda->clase = leerNumero(valor, &celda->texto);
        if (celda->clase == ClaseCelda::Texto)
            celda->texto = texto;
        break;
    case Tipo::Fecha:
        celda->clase = textoDeFechaIso(valor, &celda->texto) ? ClaseCelda::Fecha : ClaseCelda::Texto;
        break;
    case Tipo::Hora:
        celda->clase = textoDeDuracion(valor, &celda->texto) ? ClaseCelda::Fecha : ClaseCelda::Texto;
        break;
    case Tipo::Logico:
        *celda = {ClaseCelda::Texto, textoDe(valor == u"true" ? Texto::CeldaVerdadero : Texto::CeldaFalso)};
        break;
    case Tipo::Texto:
        *celda = {ClaseCelda::Texto, conTextoGuardado ? textoGuardado : texto};
        break;
    case Tipo::Ninguno:
        *celda = {formula ? ClaseCelda::SinResultado : ClaseCelda::Texto, formula ? QString() : texto};
        break;
    }
    if (celda->clase == ClaseCelda::Texto && celda->texto.isEmpty()) {
        if (tipo == Tipo::Fecha || tipo == Tipo::Hora)
            celda->texto = texto;
        if (celda->texto.isEmpty())
            celda->clase = ClaseCelda::Vacia;
    }
    return true;
}

// Appends a paragraph's text: its runs, its spaces (text:s), tabs and line breaks.
bool LectorOds::leerParrafo(QString &texto)
{
    QXmlStreamReader &xml = m_parte.xml();
    int profundidad = 1;
    while (profundidad > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            texto.append(xml.text());
            break;
        case QXmlStreamReader::StartElement:
            if (es(xml, u"s")) {
                qint64 espacios = 1;
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == u"c")
                        espacios = std::clamp<qint64>(a.value().toLongLong(), 1, MaximoCaracteresCelda + 1);
                texto.append(QString(qsizetype(espacios), u' '));
                xml.skipCurrentElement();
            } else if (es(xml, u"tab")) {
                texto.append(u'\t');
                xml.skipCurrentElement();
            } else if (es(xml, u"line-break")) {
                texto.append(u'\n');
                xml.skipCurrentElement();
            } else if (es(xml, u"note") || es(xml, u"annotation") || es(xml, u"frame") || es(xml, u"ruby-text")) {
                xml.skipCurrentElement();
            } else {
                ++profundidad;
            }
            break;
        case QXmlStreamReader::EndElement:
            --profundidad;
            break;
        default:
            break;
        }
        if (texto.size() > MaximoCaracteresCelda)
            return false;
    }
    return !xml.hasError();
}

} // namespace

std::unique_ptr<LectorTabla> abrirOds(QIODevice &lista, const QString &hoja, Fallo *fallo)
{
    return abrirLibro(std::make_unique<LectorOds>(lista), hoja, fallo);
}

} // namespace torxal
