// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// XLSX: the workbook names its sheets and, through its relationships, their parts; the
// shared strings and the styles (to tell dates from numbers) are read before the sheet,
// which is then streamed a row at a time.

#include "hoja.h"
#include "partezip.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QList>

namespace torxal {

using namespace Qt::StringLiterals;

namespace {

struct HojaDelLibro {
    QString nombre;
    QString relacion;
};

QStringView valorDe(const QXmlStreamAttributes &atributos, QStringView nombre, bool conEspacio = false)
{
    for (const QXmlStreamAttribute &a : atributos)
        if (a.name() == nombre && a.namespaceUri().isEmpty() != conEspacio)
            return a.value();
    return {};
}

// Appends the text of the element the reader is on, as readElementText would give it,
// to `texto`, whose room is kept: a new string for every cell's value adds up.
void leerTextoSimple(QXmlStreamReader &xml, QString &texto)
{
    for (;;) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            texto.append(xml.text());
            break;
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::Invalid:
            return;
        case QXmlStreamReader::StartElement:
            xml.raiseError(QCoreApplication::translate("QXmlStream", "Expected character data."));
            return;
        default:
            break; // comments and processing instructions hold no text
        }
    }
}

// Text OOXML could not hold as XML comes escaped as _xHHHH_ (and "_" before such a pattern as _x005F_).
void desescapar(QString &texto)
{
    if (!texto.contains(u"_x"))
        return;
    QString limpio;
    limpio.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto.at(i) == u'_' && i + 6 < texto.size() && texto.at(i + 1) == u'x' && texto.at(i + 6) == u'_') {
            bool bien = false;
            const uint codigo = QStringView(texto).sliced(i + 2, 4).toUInt(&bien, 16);
            if (bien) {
                limpio.append(QChar(char16_t(codigo)));
                i += 6;
                continue;
            }
        }
        limpio.append(texto.at(i));
    }
    texto = std::move(limpio);
}

// The text of a string item (<si>, <is>): its <t>, or the <t> of its runs; phonetic runs
// are a reading aid, not the text.
void leerTextoRico(QXmlStreamReader &xml, QString &texto)
{
    texto.resize(0);
    int profundidad = 1;
    while (profundidad > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (es(xml, u"t")) {
                leerTextoSimple(xml, texto);
            } else if (es(xml, u"rPh") || es(xml, u"phoneticPr")) {
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
    }
    desescapar(texto);
}

// "B12" → column 1, row 12; -1 where the part is missing.
void leerReferencia(QStringView referencia, int *columna, qint64 *fila)
{
    qsizetype i = 0;
    qint64 c = 0;
    while (i < referencia.size() && referencia.at(i).toUpper() >= u'A' && referencia.at(i).toUpper() <= u'Z' && c <= UltimaColumnaHoja)
        c = c * 26 + (referencia.at(i++).toUpper().unicode() - u'A' + 1);
    qint64 f = 0;
    const qsizetype cifras = i;
    while (i < referencia.size() && referencia.at(i) >= u'0' && referencia.at(i) <= u'9' && f <= UltimaFilaHoja)
        f = f * 10 + (referencia.at(i++).unicode() - u'0');
    *columna = c > 0 ? int(std::min<qint64>(c - 1, UltimaColumnaHoja)) : -1;
    *fila = i > cifras ? f : -1;
}

QString resolverDestino(const QString &carpeta, QStringView destino)
{
    if (destino.startsWith(u'/'))
        return QDir::cleanPath(destino.sliced(1).toString());
    return QDir::cleanPath(carpeta + u'/' + destino.toString());
}

class LectorXlsx final : public LectorLibro {
public:
    using LectorLibro::LectorLibro;

    bool abrir(const QString &hoja, Fallo *fallo) override;
    bool leerFila(FilaTabla *fila, Fallo *fallo) override;

private:
    bool leerLibro(QList<HojaDelLibro> *hojas, Fallo *fallo);
    bool leerRelaciones(QHash<QString, QString> *destinos, QString *textos, QString *estilos, Fallo *fallo);
    bool leerEstilos(const QString &parte, Fallo *fallo);
    bool leerTextos(const QString &parte, Fallo *fallo);
    bool leerCelda(FilaTabla *fila, qsizetype *usadas, int *columna, Fallo *fallo);

    bool m_desde1904 = false;
    QList<bool> m_estiloEsFecha; // by the index of the cell format, s="…"
    QString m_textos;            // every shared string, one after the other
    QList<qsizetype> m_inicios;  // where each starts in m_textos, and one past the last
    qint64 m_ultimaFila = 0;
    QString m_valor;
    QString m_auxiliar;
};

bool LectorXlsx::abrir(const QString &hoja, Fallo *fallo)
{
    if (!m_archivo.abrir(fallo))
        return false;
    QList<HojaDelLibro> hojas;
    QHash<QString, QString> destinos;
    QString textos = u"xl/sharedStrings.xml"_s;
    QString estilos = u"xl/styles.xml"_s;
    if (!leerLibro(&hojas, fallo) || !leerRelaciones(&destinos, &textos, &estilos, fallo))
        return false;
    if (hojas.isEmpty())
        return fallar(fallo, Texto::LibroSinHojas);

    // The first sheet, in order, with that name or at that place.
    bool esNumero = false;
    const qsizetype numero = hoja.toLongLong(&esNumero);
    qsizetype elegida = hoja.isEmpty() ? 0 : -1;
    for (qsizetype i = 0; i < hojas.size() && elegida < 0; ++i)
        if (hojas.at(i).nombre == hoja || (esNumero && numero == i + 1))
            elegida = i;
    if (elegida < 0) {
        QStringList nombres;
        for (const HojaDelLibro &h : hojas)
            nombres.append(textoDe(Texto::NombreDeColumna, {h.nombre}));
        return fallar(fallo, Texto::HojaNoExiste, {hoja, nombres.join(u", ")});
    }
    m_nombreHoja = hojas.at(elegida).nombre;
    const QString parteHoja = destinos.value(hojas.at(elegida).relacion);
    if (parteHoja.isEmpty())
        return fallar(fallo, Texto::ParteIlegible, {u"xl/_rels/workbook.xml.rels"_s});

    if (m_archivo.contiene(estilos) && !leerEstilos(estilos, fallo))
        return false;
    if (m_archivo.contiene(textos) && !leerTextos(textos, fallo))
        return false;
    if (!m_parte.abrir(m_archivo, parteHoja, fallo))
        return false;
    // On to the rows.
    QXmlStreamReader &xml = m_parte.xml();
    while (xml.readNextStartElement()) {
        if (es(xml, u"sheetData"))
            return true;
        xml.skipCurrentElement();
    }
    if (xml.hasError())
        return m_parte.fallarPorError(fallo);
    return fallar(fallo, Texto::HojaVacia, {m_nombreHoja});
}

bool LectorXlsx::leerLibro(QList<HojaDelLibro> *hojas, Fallo *fallo)
{
    if (!m_parte.abrir(m_archivo, u"xl/workbook.xml"_s, fallo))
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes atributos = xml.attributes();
        if (es(xml, u"workbookPr")) {
            const QStringView fecha = valorDe(atributos, u"date1904");
            m_desde1904 = fecha == u"1" || fecha == u"true";
        } else if (es(xml, u"sheet")) {
            hojas->append({valorDe(atributos, u"name").toString(), valorDe(atributos, u"id", true).toString()});
        }
    }
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorXlsx::leerRelaciones(QHash<QString, QString> *destinos, QString *textos, QString *estilos, Fallo *fallo)
{
    if (!m_parte.abrir(m_archivo, u"xl/_rels/workbook.xml.rels"_s, fallo))
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || !es(xml, u"Relationship"))
            continue;
        const QXmlStreamAttributes atributos = xml.attributes();
        if (valorDe(atributos, u"TargetMode") == u"External")
            continue;
        const QString destino = resolverDestino(u"xl"_s, valorDe(atributos, u"Target"));
        const QStringView tipo = valorDe(atributos, u"Type");
        destinos->insert(valorDe(atributos, u"Id").toString(), destino);
        if (tipo.endsWith(u"/sharedStrings"))
            *textos = destino;
        else if (tipo.endsWith(u"/styles"))
            *estilos = destino;
    }
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorXlsx::leerEstilos(const QString &parte, Fallo *fallo)
{
    if (!m_parte.abrir(m_archivo, parte, fallo))
        return false;
    QHash<int, bool> formatos;
    QXmlStreamReader &xml = m_parte.xml();
    bool enCeldas = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && es(xml, u"cellXfs"))
            enCeldas = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes atributos = xml.attributes();
        if (es(xml, u"numFmt")) {
            formatos.insert(valorDe(atributos, u"numFmtId").toInt(), esCodigoDeFecha(valorDe(atributos, u"formatCode")));
        } else if (es(xml, u"cellXfs")) {
            enCeldas = true;
        } else if (enCeldas && es(xml, u"xf")) {
            const int id = valorDe(atributos, u"numFmtId").toInt();
            m_estiloEsFecha.append(formatos.contains(id) ? formatos.value(id) : esFormatoFechaIncorporado(id));
            xml.skipCurrentElement();
        }
    }
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorXlsx::leerTextos(const QString &parte, Fallo *fallo)
{
    if (!m_parte.abrir(m_archivo, parte, fallo))
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    m_inicios.append(0);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || !es(xml, u"si"))
            continue;
        leerTextoRico(xml, m_auxiliar);
        if (m_inicios.size() > MaximoTextosCompartidos
            || m_textos.size() + m_auxiliar.size() > MaximoCaracteresCompartidos)
            return fallar(fallo, Texto::TextosCompartidosExcesivos,
                          {QString::number(MaximoTextosCompartidos), QString::number(MaximoCaracteresCompartidos)});
        m_textos += m_auxiliar;
        m_inicios.append(m_textos.size());
    }
    m_textos.squeeze();
    return !xml.hasError() || m_parte.fallarPorError(fallo);
}

bool LectorXlsx::leerFila(FilaTabla *fila, Fallo *fallo)
{
    if (m_terminado)
        return false;
    QXmlStreamReader &xml = m_parte.xml();
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && es(xml, u"sheetData"))
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (!es(xml, u"row")) {
            xml.skipCurrentElement();
            continue;
        }
        int columna = -1;
        qint64 numero = -1;
        leerReferencia(valorDe(xml.attributes(), u"r"), &columna, &numero);
        numero = numero > 0 ? numero : m_ultimaFila + 1;
        m_ultimaFila = numero;
        qsizetype usadas = 0;
        columna = -1;
        while (xml.readNextStartElement()) {
            if (!es(xml, u"c")) {
                xml.skipCurrentElement();
                continue;
            }
            if (!leerCelda(fila, &usadas, &columna, fallo)) {
                m_terminado = true;
                return false;
            }
        }
        if (xml.hasError())
            break;
        if (usadas > 0 && numero <= UltimaFilaHoja) {
            fila->celdas.resize(usadas);
            fila->numero = numero;
            fila->windows1252 = false;
            m_algunaFila = true;
            return true;
        }
    }
    // The end of the rows: false either way, with a failure only for a damaged part or an
    // empty sheet; what is left of the part is read so its checksum is checked.
    if (acabarFilas(fallo))
        m_parte.terminar(fallo);
    return false;
}

// Reads the <c> element the reader is on; places it in the row when it holds anything.
bool LectorXlsx::leerCelda(FilaTabla *fila, qsizetype *usadas, int *columna, Fallo *fallo)
{
    QXmlStreamReader &xml = m_parte.xml();
    // What the attributes say is taken now: their text does not outlive the next token, and
    // a copy of them held across it would make the reader copy its own on every cell.
    enum class Tipo { Numero, Compartido, EnLinea, Formula, Logico, Error, Fecha };
    Tipo tipo = Tipo::Numero;
    int estilo = 0;
    {
        const QXmlStreamAttributes atributos = xml.attributes();
        int enReferencia = -1;
        qint64 sinUso;
        leerReferencia(valorDe(atributos, u"r"), &enReferencia, &sinUso);
        *columna = enReferencia >= 0 ? enReferencia : *columna + 1;
        const QStringView t = valorDe(atributos, u"t");
        tipo = t == u"s"           ? Tipo::Compartido
            : t == u"inlineStr"    ? Tipo::EnLinea
            : t == u"str"          ? Tipo::Formula
            : t == u"b"            ? Tipo::Logico
            : t == u"e"            ? Tipo::Error
            : t == u"d"            ? Tipo::Fecha
                                   : Tipo::Numero;
        estilo = valorDe(atributos, u"s").toInt();
    }
    const auto referencia = [this, columna] { return letrasDeColumna(*columna) + QString::number(m_ultimaFila); };

    bool conValor = false;
    bool conFormula = false;
    bool enLinea = false;
    m_valor.resize(0);
    while (xml.readNextStartElement()) {
        if (es(xml, u"v")) {
            m_valor.resize(0);
            leerTextoSimple(xml, m_valor);
            conValor = true;
        } else if (es(xml, u"is")) {
            leerTextoRico(xml, m_valor);
            enLinea = true;
        } else {
            conFormula = conFormula || es(xml, u"f");
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        return m_parte.fallarPorError(fallo);

    Celda celda;
    if (tipo == Tipo::EnLinea) {
        celda = {ClaseCelda::Texto, m_valor};
    } else if (!conValor) {
        celda.clase = conFormula ? ClaseCelda::SinResultado : enLinea ? ClaseCelda::Texto : ClaseCelda::Vacia;
        if (enLinea)
            celda.texto = m_valor;
    } else if (tipo == Tipo::Compartido) {
        bool bien = false;
        const qsizetype indice = m_valor.toLongLong(&bien);
        if (!bien || indice < 0 || indice + 1 >= m_inicios.size())
            return fallar(fallo, Texto::TextoCompartidoInexistente, {referencia()});
        celda = {ClaseCelda::Texto, m_textos.sliced(m_inicios.at(indice), m_inicios.at(indice + 1) - m_inicios.at(indice))};
    } else if (tipo == Tipo::Formula) {
        desescapar(m_valor);
        celda = {ClaseCelda::Texto, m_valor};
    } else if (tipo == Tipo::Logico) {
        celda = {ClaseCelda::Texto, textoDe(m_valor.trimmed() == u"1" ? Texto::CeldaVerdadero : Texto::CeldaFalso)};
    } else if (tipo == Tipo::Error) {
        celda = {ClaseCelda::Error, m_valor};
    } else if (tipo == Tipo::Fecha) {
        celda.clase = textoDeFechaIso(m_valor, &celda.texto) ? ClaseCelda::Fecha : ClaseCelda::Texto;
        if (celda.clase == ClaseCelda::Texto)
            celda.texto = m_valor;
    } else if (estilo >= 0 && estilo < m_estiloEsFecha.size() && m_estiloEsFecha.at(estilo)
               && textoDeSerie(m_valor, m_desde1904, &celda.texto)) {
        celda.clase = ClaseCelda::Fecha;
    } else {
        celda.clase = leerNumero(m_valor, &celda.texto);
    }
    if (celda.clase == ClaseCelda::Texto && celda.texto.isEmpty())
        celda.clase = ClaseCelda::Vacia;
    if (celda.clase == ClaseCelda::Vacia || *columna >= UltimaColumnaHoja)
        return true;
    if (celda.texto.size() > MaximoCaracteresCelda)
        return fallar(fallo, Texto::CeldaLarga, {referencia(), QString::number(MaximoCaracteresCelda)});
    // Cells come left to right; one out of order only overwrites.
    if (fila->celdas.size() < *columna + 1)
        fila->celdas.resize(*columna + 1);
    for (qsizetype i = *usadas; i < *columna; ++i)
        fila->celdas[i] = Celda{};
    fila->celdas[*columna] = std::move(celda);
    *usadas = std::max<qsizetype>(*usadas, *columna + 1);
    return true;
}

} // namespace

std::unique_ptr<LectorTabla> abrirXlsx(QIODevice &lista, const QString &hoja, Fallo *fallo)
{
    return abrirLibro(std::make_unique<LectorXlsx>(lista), hoja, fallo);
}

} // namespace torxal
