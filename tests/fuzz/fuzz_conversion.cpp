// libFuzzer target over the whole conversion of an in-memory list.
//
// The first byte picks the query kind (its value modulo 3: NIF, RC, PP) and what is
// checked (its value divided by 3, modulo 2); the rest is the list.
//   - 0: the bytes as Windows-1252, and the same text re-encoded as UTF-8: the two
//     documents must be identical (the encoding of a list never changes its content);
//   - 1: the bytes as UTF-8, whatever they are (invalid sequences included).
// Each document is also compared with a reference built one record at a time from the
// reader's decoded text, the cleaning, the slicing and the writer's per-character
// methods, so the byte-wise fast path can never drift from them; and everything the
// document promises is checked on it. A failed check aborts, which libFuzzer reports
// as a crash with the input saved. (Each conversion sets up megabyte buffers, costly
// under AddressSanitizer, hence one pair of checks per input rather than both.)

#include "destinomemoria.h"
#include "conversor.h"
#include "escritorxml.h"
#include "lectura.h"
#include "limpieza.h"
#include "mensajes.h"
#include "tipoconsulta.h"

#include <QBuffer>
#include <QByteArray>
#include <QXmlStreamReader>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>

using namespace torxal;

namespace {

[[noreturn]] void fallo(const char *que, const QByteArray &documento = {})
{
    std::fprintf(stderr, "fuzz_conversion: %s\n", que);
    if (!documento.isEmpty())
        std::fprintf(stderr, "---- document (%lld bytes)\n%.*s\n----\n", static_cast<long long>(documento.size()),
                     static_cast<int>(std::min<qsizetype>(documento.size(), 4000)), documento.constData());
    std::abort();
}

class MensajeroMudo final : public Mensajero {
public:
    int mostrar(const Mensaje &) override { return BotonAceptar; }
};

struct Resultado {
    FinConversion fin = FinConversion::Completa;
    qint64 lineaFallo = 0;
    qint64 escritos = 0;
    qint64 omitidos = 0;
    QByteArray documento;
};

bool operator==(const Resultado &a, const Resultado &b)
{
    return a.fin == b.fin && a.lineaFallo == b.lineaFallo && a.escritos == b.escritos && a.omitidos == b.omitidos
        && a.documento == b.documento;
}


void empezar(EscritorXML &escritor, TipoConsulta tipo)
{
    escritor.setFecha(QDate(2026, 12, 7));
    int estado = -1;
    escritor.CrearCabeceraXML(QString(), QStringLiteral("lista.xml"), tipo, estado);
    if (estado != 0)
        fallo("the header could not be written to memory");
}

Resultado convertir(const QByteArray &lista, Codificacion codificacion, TipoConsulta tipo)
{
    MensajeroMudo mensajero;
    Mensajes mensajes(mensajero);
    Resultado resultado;
    EscritorXML escritor(mensajes, fabricaEnMemoria(&resultado.documento));
    empezar(escritor, tipo);
    QByteArray copia = lista;
    QBuffer entrada(&copia);
    entrada.open(QIODevice::ReadOnly);
    Resumen resumen;
    QString razon;
    resultado.fin = convertirRegistros(entrada, codificacion, tipo, escritor, resumen, resultado.lineaFallo, razon);
    resultado.escritos = resumen.escritos;
    resultado.omitidos = resumen.omitidos;
    if (resultado.fin == FinConversion::Completa) {
        if (!escritor.CerrarFicheroXML())
            fallo("closing an in-memory document failed");
    } else {
        escritor.descartar();
    }
    return resultado;
}

// The record loop as it reads without any shortcut: decoded text, cleaning, slicing,
// and the writer's methods that take characters.
Resultado convertirReferencia(const QByteArray &lista, Codificacion codificacion, TipoConsulta tipo)
{
    MensajeroMudo mensajero;
    Mensajes mensajes(mensajero);
    Resultado resultado;
    EscritorXML escritor(mensajes, fabricaEnMemoria(&resultado.documento));
    empezar(escritor, tipo);
    QByteArray copia = lista;
    QBuffer entrada(&copia);
    entrada.open(QIODevice::ReadOnly);
    LectorRegistros lector(entrada, codificacion);
    Campos campos;
    for (;;) {
        const LectorRegistros::Resultado leido = lector.leerRegistro();
        if (leido == LectorRegistros::Resultado::Fin)
            break;
        if (leido == LectorRegistros::Resultado::DemasiadoLargo) {
            resultado.fin = FinConversion::DemasiadoLargo;
            resultado.lineaFallo = lector.linea();
            escritor.descartar();
            return resultado;
        }
        if (leido == LectorRegistros::Resultado::ErrorLectura)
            fallo("reading an in-memory buffer failed");
        const std::u32string_view limpio = limpiarRegistro(lector.registro());
        cortarRegistro(limpio, tipo, campos);
        bool escrito = false;
        switch (tipo) {
        case TipoConsulta::NIF:
            escrito = escritor.EscribirRegistroNIF(std::u32string_view(campos.NIF), std::u32string_view(campos.APE),
                                                   std::u32string_view(campos.PRO), std::u32string_view(campos.MUN));
            break;
        case TipoConsulta::RC:
            escrito = escritor.EscribirRegistroRC(std::u32string_view(campos.RC), std::u32string_view(campos.PRO),
                                                  std::u32string_view(campos.MUN));
            break;
        case TipoConsulta::PP:
            escrito = escritor.EscribirRegistroPP(std::u32string_view(campos.PRO), std::u32string_view(campos.MUN),
                                                  std::u32string_view(campos.POL), std::u32string_view(campos.PAR));
            break;
        }
        if (escrito)
            ++resultado.escritos;
        else if (estaPresente(limpio))
            ++resultado.omitidos;
    }
    if (!escritor.CerrarFicheroXML())
        fallo("closing an in-memory document failed");
    return resultado;
}

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

void comprobarDocumento(const Resultado &resultado, TipoConsulta tipo)
{
    const QByteArray &documento = resultado.documento;
    if (resultado.fin != FinConversion::Completa) {
        if (!documento.isEmpty())
            fallo("a run that stopped left a document behind", documento);
        if (resultado.fin != FinConversion::DemasiadoLargo)
            fallo("an in-memory run ended in a read or write error");
        return;
    }
    if (!esUtf8Valido(std::string_view(documento.constData(), size_t(documento.size()))))
        fallo("the document is not valid UTF-8", documento);

    // Well-formed XML, as any parser sees it.
    QXmlStreamReader xml(documento);
    int elementos = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            ++elementos;
    }
    if (xml.hasError())
        fallo(qPrintable(QStringLiteral("the document is not well-formed XML: ") + xml.errorString()), documento);

    // Line by line: CR LF everywhere, four header lines, one DAT per written record, the closing tag.
    std::string_view resto(documento.constData(), size_t(documento.size()));
    qint64 lineas = 0;
    qint64 registros = 0;
    while (!resto.empty()) {
        const size_t fin = resto.find("\r\n");
        if (fin == std::string_view::npos)
            fallo("the document does not end in CR LF", documento);
        const std::string_view linea = resto.substr(0, fin);
        if (linea.find_first_of("\r\n") != std::string_view::npos)
            fallo("a bare CR or LF inside a line", documento);
        resto.remove_prefix(fin + 2);
        ++lineas;
        if (lineas == 1 && linea != "<?xml version='1.0' encoding='UTF-8'?>")
            fallo("the first line is not the XML declaration", documento);
        if (lineas <= 4)
            continue;
        if (resto.empty()) {
            if (linea != "</LISTADATOS>")
                fallo("the last line is not the closing tag", documento);
            break;
        }
        comprobarLineaDAT(linea, tipo, documento);
        ++registros;
    }
    if (registros != resultado.escritos)
        fallo("the count of written records does not match the DAT lines", documento);
    // Values cannot hold a "<", so every closing tag closes an element the parser counted.
    if (elementos != documento.count("</"))
        fallo("the parser saw elements the closing tags do not account for", documento);
}

// The Windows-1252 text of the bytes, re-encoded as UTF-8.
QByteArray comoUtf8(const QByteArray &windows1252)
{
    std::u32string texto;
    decodificar(std::string_view(windows1252.constData(), size_t(windows1252.size())), Codificacion::Windows1252,
                texto);
    std::string utf8(texto.size() * 4 + 8, '\0');
    char *fin = utf8.data();
    for (char32_t c : texto) {
        if (c < 0x80) {
            *fin++ = char(c);
        } else if (c < 0x800) {
            *fin++ = char(0xC0 | (c >> 6));
            *fin++ = char(0x80 | (c & 0x3F));
        } else {
            *fin++ = char(0xE0 | (c >> 12));
            *fin++ = char(0x80 | ((c >> 6) & 0x3F));
            *fin++ = char(0x80 | (c & 0x3F));
        }
    }
    return QByteArray(utf8.data(), fin - utf8.data());
}

void comprobarContraReferencia(const Resultado &resultado, const QByteArray &lista, Codificacion codificacion,
                               TipoConsulta tipo)
{
    const Resultado referencia = convertirReferencia(lista, codificacion, tipo);
    if (!(resultado == referencia)) {
        std::fprintf(stderr, "---- reference\n%.*s\n", static_cast<int>(std::min<qsizetype>(referencia.documento.size(), 4000)),
                     referencia.documento.constData());
        fallo("the conversion differs from the record-by-record reference", resultado.documento);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *datos, size_t tamano)
{
    if (tamano < 1)
        return 0;
    const TipoConsulta tipo = datos[0] % 3 == 0 ? TipoConsulta::NIF : datos[0] % 3 == 1 ? TipoConsulta::RC
                                                                                          : TipoConsulta::PP;
    const bool comoWindows1252 = (datos[0] / 3) % 2 == 0;
    const QByteArray lista(reinterpret_cast<const char *>(datos + 1), qsizetype(tamano - 1));

    if (comoWindows1252) {
        const Resultado windows1252 = convertir(lista, Codificacion::Windows1252, tipo);
        comprobarDocumento(windows1252, tipo);
        comprobarContraReferencia(windows1252, lista, Codificacion::Windows1252, tipo);
        // The twin mostly takes the general path (every character past U+00FF does), so
        // this also holds the fast path to the slow one across encodings.
        const Resultado gemelo = convertir(comoUtf8(lista), Codificacion::UTF8, tipo);
        if (!(gemelo == windows1252))
            fallo("the same text gives another document in UTF-8 than in Windows-1252", gemelo.documento);
    } else {
        // The raw bytes as UTF-8, valid or not: no fixed expectation, but every promise holds.
        const Resultado crudo = convertir(lista, Codificacion::UTF8, tipo);
        comprobarDocumento(crudo, tipo);
        comprobarContraReferencia(crudo, lista, Codificacion::UTF8, tipo);
    }
    return 0;
}
