// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// libFuzzer target over production's record loop, run on a list held in memory.
//
// The first byte picks the query kind (its value modulo 3: NIF, RC, PP) and the mode
// (its value divided by 3, modulo 4); the rest is the list. In every mode both ways of
// cutting records run and must agree on the document, the counts and the warnings:
// the byte-wise way is only a shortcut. Each mode then holds one more promise, so that
// a run stays short:
//   0  the bytes as they are, any mix of encodings: the document keeps every promise,
//      and a run without the checks writes the same document;
//   1  the bytes taken as Windows-1252 text; that text as UTF-8, as UTF-8 with its mark,
//      decomposed (NFD), and as the raw bytes where they read as that text;
//   2  the same text as UTF-8 and as UTF-16 LE and BE with their marks;
//      (1 and 2: one document and one set of warnings for every encoding)
//   3  the bytes as they are under a size limit of 256 to 736 bytes (from the first
//      byte divided by 12): whole parts within the limit, each as full as it can be,
//      holding between them the records of the unlimited document in order; or the
//      stop on the first record that fits in no part.
// A failed check aborts, which libFuzzer reports as a crash with the input saved.

#include "conversionenmemoria.h"
#include "lectura.h"
#include "utf16.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

using namespace torxal;

namespace {

// How a run in memory ends: whole, on a record too long, or on one that fits in no part
// (nothing else can fail in memory), and the line it names.
enum class Parada { Completa, DemasiadoLargo, NoCabe, Otra };

Parada paradaDe(const ConversionEnMemoria &c)
{
    switch (c.fallo.que) {
    case Texto::Ninguno:
        return Parada::Completa;
    case Texto::RegistroLargo:
        return Parada::DemasiadoLargo;
    case Texto::RegistroNoCabe:
        return Parada::NoCabe;
    default:
        return Parada::Otra;
    }
}

qint64 lineaDe(const ConversionEnMemoria &c)
{
    return c.fallo.argumentos.isEmpty() ? 0 : c.fallo.argumentos.constFirst().toLongLong();
}

QByteArrayList lineasDAT(const QByteArray &documento)
{
    QByteArrayList dat;
    for (const QByteArray &linea : documento.split('\n'))
        if (linea.startsWith("<DAT>"))
            dat.append(linea.chopped(1)); // the CR
    return dat;
}

QString describir(const ConversionEnMemoria &c)
{
    return QStringLiteral("parada %1 línea %2, escritos %3, omitidos %4, con avisos %5, partes %6\n%7\n%8")
        .arg(int(paradaDe(c)))
        .arg(lineaDe(c))
        .arg(c.resultado.escritos)
        .arg(c.resultado.omitidos)
        .arg(c.conAvisos)
        .arg(c.partes.size())
        .arg(QString::fromUtf8(lineasDAT(c.documento).join('\n')), c.avisos.join(u'\n'))
        .left(6000);
}

[[noreturn]] void fallo(const char *que, const QByteArray &documento)
{
    std::fprintf(stderr, "fuzz_conversion: %s\n---- document (%lld bytes)\n%.*s\n----\n", que,
                 static_cast<long long>(documento.size()), static_cast<int>(std::min<qsizetype>(documento.size(), 6000)),
                 documento.constData());
    std::abort();
}

[[noreturn]] void fallo(const char *que, const ConversionEnMemoria &una, const ConversionEnMemoria &otra)
{
    std::fprintf(stderr, "fuzz_conversion: %s\n---- one\n%s\n---- the other\n%s\n----\n", que,
                 qPrintable(describir(una)), qPrintable(describir(otra)));
    std::abort();
}

// Both ways of cutting, which must not differ in anything; the general one is returned.
ConversionEnMemoria convertirAmbas(const QByteArray &lista, TipoConsulta tipo, qint64 tamanoMaximo = 0)
{
    ConversionEnMemoria general = convertirEnMemoria(lista, tipo, Camino::General, tamanoMaximo);
    const ConversionEnMemoria rapida = convertirEnMemoria(lista, tipo, Camino::ElMasRapido, tamanoMaximo);
    if (!(general == rapida))
        fallo("the byte-wise way differs from the general one", general, rapida);
    return general;
}

// Whether a line was UTF-8 may depend on the encoding: Windows-1252 bytes can form a
// UTF-8 sequence elsewhere in the list, which makes it a mixed list with a warning for
// each line that is not UTF-8, and a record with a warning more.
bool igualesSalvoCodificacion(ConversionEnMemoria a, ConversionEnMemoria b)
{
    const auto quitar = [](ConversionEnMemoria &c) {
        return c.avisos.removeIf([](const QString &aviso) {
                   return QStringView(aviso).sliced(aviso.indexOf(u' ') + 1).startsWith(u"codificacion ");
               }) > 0;
    };
    const bool enA = quitar(a);
    const bool enB = quitar(b);
    if (enA || enB)
        a.conAvisos = b.conAvisos = 0;
    return a == b;
}

// Qt's decoder replaces what is not UTF-8, so only valid UTF-8 comes back unchanged; the
// letter in front keeps it from taking a leading U+FEFF for a mark and dropping it.
bool esUtf8(const QByteArray &bytes)
{
    const QByteArray conLetra = 'a' + bytes;
    return QString::fromUtf8(conLetra).toUtf8() == conLetra;
}

QByteArray cabeceraEsperada(TipoConsulta tipo)
{
    const QByteArray comun = "<?xml version='1.0' encoding='UTF-8'?>\r\n"
                             "<LISTADATOS xmlns='http://www.catastro.meh.es/' "
                             "xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>\r\n"
                             "<FEC>07/12/2026</FEC>\r\n";
    switch (tipo) {
    case TipoConsulta::NIF:
        return comun + "<FIN>Consulta por NIF</FIN>\r\n";
    case TipoConsulta::RC:
        return comun + "<FIN>Consulta por Referencia Catastral</FIN>\r\n";
    case TipoConsulta::PP:
        return comun + "<FIN>Consulta por Pol\xC3\xADgono y Parcela</FIN>\r\n";
    }
    return {};
}

constexpr std::string_view Cierre = "</LISTADATOS>\r\n";

// The element names a DAT line may hold for each kind, in order, and which are mandatory.
struct Hijo {
    const char *nombre;
    bool obligatorio;
};

std::span<const Hijo> hijos(TipoConsulta tipo)
{
    static const Hijo nif[] = {{"NIF", true}, {"APE", false}, {"PRO", false}, {"MUN", false}};
    static const Hijo rc[] = {{"RC", true}, {"PRO", false}, {"MUN", false}};
    static const Hijo pp[] = {{"PRO", true}, {"MUN", true}, {"POL", true}, {"PAR", false}};
    switch (tipo) {
    case TipoConsulta::NIF:
        return nif;
    case TipoConsulta::RC:
        return rc;
    case TipoConsulta::PP:
        return pp;
    }
    return {};
}

// One DAT line, checked by hand: the kind's children in order, mandatory ones present,
// every value non-blank with only the three entities the writer uses.
void comprobarLineaDAT(std::string_view linea, TipoConsulta tipo, const QByteArray &documento)
{
    if (linea.substr(0, 5) != "<DAT>" || linea.size() < 11 || linea.substr(linea.size() - 6) != "</DAT>")
        fallo("a record line is not a DAT element", documento);
    std::string_view resto = linea.substr(5, linea.size() - 11);
    for (const Hijo &hijo : hijos(tipo)) {
        const std::string apertura = std::string("<") + hijo.nombre + ">";
        const std::string cierre = std::string("</") + hijo.nombre + ">";
        if (resto.substr(0, apertura.size()) != apertura) {
            if (hijo.obligatorio)
                fallo("a DAT line lacks a mandatory field", documento);
            continue;
        }
        resto.remove_prefix(apertura.size());
        const size_t fin = resto.find('<');
        if (fin == std::string_view::npos || resto.substr(fin, cierre.size()) != cierre)
            fallo("a field element is not closed where its value ends", documento);
        const std::string_view valor = resto.substr(0, fin);
        if (valor.find_first_not_of(' ') == std::string_view::npos)
            fallo("a field element holds a blank value", documento);
        for (size_t i = valor.find('&'); i != std::string_view::npos; i = valor.find('&', i + 1)) {
            const std::string_view entidad = valor.substr(i);
            if (entidad.substr(0, 5) != "&amp;" && entidad.substr(0, 4) != "&lt;" && entidad.substr(0, 4) != "&gt;")
                fallo("a value holds an ampersand that is not one of the writer's entities", documento);
        }
        if (valor.find('>') != std::string_view::npos)
            fallo("a value holds a bare >", documento);
        resto.remove_prefix(fin + cierre.size());
    }
    if (!resto.empty())
        fallo("a DAT line holds something after its last field", documento);
}

// Every promise of one whole document; returns its record count.
qint64 comprobarDocumento(const QByteArray &documento, TipoConsulta tipo)
{
    if (!esUtf8(documento))
        fallo("the document is not valid UTF-8", documento);
    QXmlStreamReader xml(documento);
    int elementos = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            ++elementos;
    }
    if (xml.hasError())
        fallo(qPrintable(QStringLiteral("the document is not well-formed XML: ") + xml.errorString()), documento);
    // Values cannot hold a "<", so every closing tag closes an element the parser counted.
    if (elementos != documento.count("</"))
        fallo("the parser saw elements the closing tags do not account for", documento);

    const QByteArray cabecera = cabeceraEsperada(tipo);
    if (!documento.startsWith(cabecera))
        fallo("the header lines are not the document's", documento);
    if (!documento.endsWith(QByteArrayView(Cierre.data(), qsizetype(Cierre.size()))))
        fallo("the last line is not the closing tag", documento);
    std::string_view resto(documento.constData() + cabecera.size(),
                           size_t(documento.size() - cabecera.size()) - Cierre.size());
    qint64 registros = 0;
    while (!resto.empty()) {
        const size_t fin = resto.find("\r\n");
        if (fin == std::string_view::npos)
            fallo("a record line does not end in CR LF", documento);
        const std::string_view linea = resto.substr(0, fin);
        if (linea.find_first_of("\r\n") != std::string_view::npos)
            fallo("a bare CR or LF inside a line", documento);
        comprobarLineaDAT(linea, tipo, documento);
        resto.remove_prefix(fin + 2);
        ++registros;
    }
    return registros;
}

// In memory nothing fails to read or write, and without a limit every record fits:
// a run completes with its document, or stops on a record too long for the cleaning.
void comprobarConversion(const ConversionEnMemoria &c, TipoConsulta tipo)
{
    if (paradaDe(c) == Parada::DemasiadoLargo)
        return;
    if (paradaDe(c) != Parada::Completa || c.partes.size() != 1)
        fallo("an unlimited in-memory run ended otherwise than whole or on a too-long record", c.documento);
    if (comprobarDocumento(c.documento, tipo) != c.resultado.escritos)
        fallo("the count of written records does not match the DAT lines", c.documento);
}

void comprobarCrudo(const QByteArray &lista, TipoConsulta tipo)
{
    const ConversionEnMemoria general = convertirAmbas(lista, tipo);
    comprobarConversion(general, tipo);
    ConversionEnMemoria sinComprobar = convertirEnMemoria(lista, tipo, Camino::ElMasRapido, 0, false);
    sinComprobar.avisos = general.avisos;
    sinComprobar.conAvisos = general.conAvisos;
    if (!(sinComprobar == general))
        fallo("the checks change what the run writes", general, sinComprobar);
}

// The raw bytes read as their Windows-1252 text only when no mark makes them another
// encoding and no line with a byte past ASCII is valid UTF-8 (which the reader takes as such).
bool seLeenComoWindows1252(const QByteArray &lista)
{
    if (lista.startsWith("\xEF\xBB\xBF") || lista.startsWith("\xFF\xFE") || lista.startsWith("\xFE\xFF"))
        return false;
    qsizetype inicio = 0;
    while (inicio <= lista.size()) {
        qsizetype fin = inicio;
        bool alto = false;
        for (; fin < lista.size() && lista[fin] != '\r' && lista[fin] != '\n'; ++fin)
            alto |= static_cast<unsigned char>(lista[fin]) >= 0x80;
        const QByteArray linea = lista.sliced(inicio, fin - inicio);
        if (alto && esUtf8(linea))
            return false;
        inicio = fin + 1;
    }
    return true;
}

void comprobarCodificaciones(const QByteArray &lista, TipoConsulta tipo, bool utf16)
{
    std::u32string decodificado;
    decodificar(std::string_view(lista.constData(), size_t(lista.size())), Codificacion::Windows1252, decodificado);
    const QString texto = QString::fromUcs4(decodificado.data(), qsizetype(decodificado.size()));
    // A text whose first line has a NUL in every other byte is UTF-16 without a mark, as
    // far as the reader can tell: it is read as such, and has no one text to compare.
    const QByteArray enUtf8 = texto.toUtf8();
    if (reconocerUtf16SinMarca(std::string_view(enUtf8.constData(), size_t(enUtf8.size()))))
        return;
    const ConversionEnMemoria utf8 = convertirAmbas(enUtf8, tipo);
    comprobarConversion(utf8, tipo);

    const auto comparar = [&](const char *nombre, const QByteArray &bytes) {
        const ConversionEnMemoria otra = convertirAmbas(bytes, tipo);
        if (!igualesSalvoCodificacion(otra, utf8))
            fallo(qPrintable(QStringLiteral("the same text gives another result in %1 than in UTF-8")
                                 .arg(QString::fromLatin1(nombre))),
                  utf8, otra);
    };
    if (utf16) {
        comparar("UTF-16 LE", comoUtf16(texto, false));
        comparar("UTF-16 BE", comoUtf16(texto, true));
        return;
    }
    comparar("UTF-8 with its mark", "\xEF\xBB\xBF" + texto.toUtf8());
    comparar("decomposed UTF-8", texto.normalized(QString::NormalizationForm_D).toUtf8());
    if (seLeenComoWindows1252(lista) && !reconocerUtf16SinMarca(std::string_view(lista.constData(), size_t(lista.size()))))
        comparar("Windows-1252", lista);
}

void comprobarPartes(const QByteArray &lista, TipoConsulta tipo, qint64 limite)
{
    const ConversionEnMemoria entera = convertirEnMemoria(lista, tipo, Camino::General);
    const ConversionEnMemoria partida = convertirAmbas(lista, tipo, limite);
    const Parada parada = paradaDe(partida);
    if (paradaDe(entera) == Parada::DemasiadoLargo) {
        // The same record stops the run, unless one before it fits in no part.
        if (!(parada == Parada::DemasiadoLargo && lineaDe(partida) == lineaDe(entera))
            && !(parada == Parada::NoCabe && lineaDe(partida) <= lineaDe(entera)))
            fallo("a limit changes where a too-long record stops the run", entera, partida);
        return;
    }
    comprobarConversion(entera, tipo);
    const QByteArrayList registros = lineasDAT(entera.documento);
    const qint64 sinRegistros = cabeceraEsperada(tipo).size() + qint64(Cierre.size());

    if (parada == Parada::NoCabe) {
        // The run stops on the first record that does not fit even alone in a part.
        const qint64 n = partida.resultado.escritos;
        if (n >= registros.size())
            fallo("the run stops for a record the unlimited document does not hold", entera, partida);
        for (qint64 i = 0; i <= n; ++i) {
            const bool cabe = sinRegistros + registros[i].size() + 2 <= limite;
            if (cabe != (i < n))
                fallo("the run stops on another record than the first that fits in no part", entera, partida);
        }
        return;
    }
    if (parada != Parada::Completa)
        fallo("a limit makes a run stop that completes without one", entera, partida);

    ConversionEnMemoria comoEntera = partida;
    comoEntera.documento = entera.documento;
    comoEntera.partes = entera.partes;
    if (!(comoEntera == entera))
        fallo("a limit changes the counts or the warnings", entera, partida);
    QByteArrayList enPartes;
    for (qsizetype i = 0; i < partida.partes.size(); ++i) {
        const QByteArray &parte = partida.partes[i];
        if (parte.size() > limite)
            fallo("a part is larger than the limit", parte);
        comprobarDocumento(parte, tipo);
        const QByteArrayList deLaParte = lineasDAT(parte);
        if (i > 0 && deLaParte.isEmpty())
            fallo("a part after the first holds no record", parte);
        // Parts are filled in order: the next part's first record would not have fitted.
        if (i > 0 && partida.partes[i - 1].size() + deLaParte.constFirst().size() + 2 <= limite)
            fallo("a record went into a new part while it fitted in the one before", partida.partes[i - 1]);
        enPartes += deLaParte;
    }
    if (enPartes != registros)
        fallo("the parts do not hold the records of the unlimited document in order", entera, partida);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t tamano)
{
    if (tamano < 1)
        return 0;
    const TipoConsulta tipo = datos[0] % 3 == 0 ? TipoConsulta::NIF : datos[0] % 3 == 1 ? TipoConsulta::RC
                                                                                          : TipoConsulta::PP;
    const QByteArray lista(reinterpret_cast<const char *>(datos + 1), qsizetype(tamano - 1));
    switch ((datos[0] / 3) % 4) {
    case 0:
        comprobarCrudo(lista, tipo);
        break;
    case 1:
        comprobarCodificaciones(lista, tipo, false);
        break;
    case 2:
        comprobarCodificaciones(lista, tipo, true);
        break;
    case 3:
        comprobarPartes(lista, tipo, 256 + 24 * (datos[0] / 12));
        break;
    }
    return 0;
}
