#include "conversor.h"

#include "lectura.h"
#include "limpieza.h"
#include "mensajes.h"
#include "rutas.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <string>

namespace torxal {

namespace {

// Enough line numbers for the user to find the pattern without flooding the message.
constexpr qsizetype LineasOmitidasMostradas = 20;

bool escribirRegistro(EscritorXML &escritor, TipoConsulta tipo, const Campos &campos)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return escritor.EscribirRegistroNIF(campos.NIF, campos.APE, campos.PRO, campos.MUN);
    case TipoConsulta::RC:
        return escritor.EscribirRegistroRC(campos.RC, campos.PRO, campos.MUN);
    case TipoConsulta::PP:
        return escritor.EscribirRegistroPP(campos.PRO, campos.MUN, campos.POL, campos.PAR);
    }
    return false;
}

// Most lists are Windows-1252, or UTF-8 with nothing past Latin-1: one byte holds one
// character, so cleaning and slicing can work on the bytes and each field can go out
// through a table, without decoding the record. The table is built from the same
// functions the general path calls, so both give the same document.
struct CaracterByte {
    char salida[5];         // the upper-case character in its document form
    unsigned char longitud; // bytes of `salida`; 0 for a character XML forbids, which a field drops
    bool imprimible;        // kept at the ends of a record by the cleaning
    char relleno = 0;
};
static_assert(sizeof(CaracterByte) == 8);
using TablaBytes = std::array<CaracterByte, 256>;

TablaBytes construirTabla(Codificacion codificacion)
{
    TablaBytes tabla{};
    for (int b = 0; b < 256; ++b) {
        // UTF-8 records reach the table as Latin-1 code points (see aLatin1).
        char32_t c = char32_t(b);
        if (codificacion == Codificacion::Windows1252) {
            const char byte = char(b);
            std::u32string decodificado;
            decodificar(std::string_view(&byte, 1), codificacion, decodificado);
            c = decodificado.at(0);
        }
        CaracterByte &entrada = tabla[b];
        entrada.imprimible = esImprimible(c);
        // Framed by letters so the cleaning keeps it whatever it is (a tab it removes).
        std::u32string muestra = {U'A', c, U'A'};
        const std::u32string_view limpio = limpiarRegistro(muestra);
        if (limpio.size() != 3)
            continue;
        const char32_t mayuscula = limpio[1];
        if (!esCaracterXml(mayuscula))
            continue;
        char codificado[8];
        const char *fin = codificarValor(codificado, std::u32string_view(&mayuscula, 1));
        entrada.longitud = static_cast<unsigned char>(fin - codificado);
        std::memcpy(entrada.salida, codificado, entrada.longitud);
    }
    return tabla;
}

const TablaBytes &tablaBytes(Codificacion codificacion)
{
    static const TablaBytes windows1252 = construirTabla(Codificacion::Windows1252);
    static const TablaBytes latin1 = construirTabla(Codificacion::UTF8);
    return codificacion == Codificacion::Windows1252 ? windows1252 : latin1;
}

constexpr quint64 Unos = 0x0101010101010101ULL;
constexpr quint64 Altos = 0x8080808080808080ULL;

inline quint64 bytesCero(quint64 x)
{
    return (x - Unos) & ~x & Altos;
}

// How many of the eight bytes, from the first in memory, are printable ASCII that needs
// no escaping; those come back upper-cased in `ocho`. Every test below is exact for the
// bytes before the first one that fails it (no carry or borrow reaches them), so on a
// little-endian machine the lowest flagged byte is the first that needs the table.
inline int sencillos(quint64 &ocho)
{
    const quint64 raros = (ocho & Altos)                      // 0x80 and above
        | (~(ocho + 0x60 * Unos) & Altos)                      // below 0x20
        | bytesCero(ocho ^ (Unos * '&')) | bytesCero(ocho ^ (Unos * '<')) | bytesCero(ocho ^ (Unos * '>'));
    const quint64 minuscula = ((ocho + (0x80 - 'a') * Unos) & ~(ocho + (0x80 - 'z' - 1) * Unos)) & Altos;
    ocho ^= minuscula >> 2;
    if (raros == 0)
        return 8;
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(raros) / 8;
    return 0;
}

// The UTF-8 record as Latin-1 bytes, or false when a character lies past U+00FF or a
// sequence is not a plain two-byte one (the general path decodes those).
bool aLatin1(std::string_view utf8, std::string &destino)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *fin = p + utf8.size();
    destino.resize(utf8.size());
    char *salida = destino.data();
    while (p < fin) {
        const unsigned char c = *p;
        if (c < 0x80) {
            *salida++ = char(c);
            ++p;
            // ASCII comes in runs: eight bytes at a time while it lasts.
            quint64 ocho;
            while (fin - p >= 8 && (std::memcpy(&ocho, p, 8), (ocho & Altos) == 0)) {
                std::memcpy(salida, &ocho, 8);
                salida += 8;
                p += 8;
            }
        } else if ((c == 0xC2 || c == 0xC3) && fin - p >= 2 && (p[1] & 0xC0) == 0x80) {
            *salida++ = char(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            return false;
        }
    }
    destino.resize(salida - destino.data());
    return true;
}

bool esAscii(std::string_view bytes)
{
    const char *p = bytes.data();
    const char *fin = p + bytes.size();
    for (; fin - p >= 8; p += 8) {
        quint64 ocho;
        std::memcpy(&ocho, p, 8);
        if (ocho & Altos)
            return false;
    }
    for (; p < fin; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    return true;
}

struct CampoXml {
    // Zeros may go in front of a code; a field is at most 62 characters of up to five
    // bytes; a copy may overrun by eight.
    static constexpr int Delante = 8;
    char datos[Delante + 62 * 5 + 8];
    int inicio = 0;
    int longitud = 0;
    std::string_view vista() const { return std::string_view(datos + inicio, size_t(longitud)); }
};

struct CamposXml {
    CampoXml NIF, APE, RC, PRO, MUN, POL, PAR;
    std::string_view util; // the record without its non-printable ends, tabs still in
    // The cleaned record, followed by eight spare bytes so it can be read eight at a time.
    std::string limpio = std::string(size_t(LongitudMaximaRegistro) + 8, '\0');
};

enum class Normalizacion { Ninguna, Recortar, Rellenar };

struct ColumnaXml {
    CampoXml CamposXml::*campo;
    int inicio; // 1-based
    int longitud;
    Normalizacion normalizacion;
};

constexpr ColumnaXml ColumnasNIF[] = {
    {&CamposXml::NIF, 1, 9, Normalizacion::Ninguna},
    {&CamposXml::APE, 10, 62, Normalizacion::Recortar},
    {&CamposXml::PRO, 72, 2, Normalizacion::Rellenar},
    {&CamposXml::MUN, 74, 3, Normalizacion::Rellenar},
};
constexpr ColumnaXml ColumnasRC[] = {
    {&CamposXml::RC, 1, 20, Normalizacion::Recortar},
    {&CamposXml::PRO, 21, 2, Normalizacion::Rellenar},
    {&CamposXml::MUN, 23, 3, Normalizacion::Rellenar},
};
constexpr ColumnaXml ColumnasPP[] = {
    {&CamposXml::PRO, 1, 2, Normalizacion::Rellenar},
    {&CamposXml::MUN, 3, 3, Normalizacion::Rellenar},
    {&CamposXml::POL, 6, 3, Normalizacion::Rellenar},
    {&CamposXml::PAR, 9, 5, Normalizacion::Rellenar},
};

void cortarColumnaXml(std::string_view limpio, const ColumnaXml &columna, const TablaBytes &tabla, CampoXml &campo)
{
    const size_t desde = size_t(columna.inicio - 1);
    const std::string_view trozo = desde < limpio.size() ? limpio.substr(desde, size_t(columna.longitud))
                                                          : std::string_view();
    char *const principio = campo.datos + CampoXml::Delante;
    char *p = principio;
    const char *q = trozo.data();
    const char *fin = q + trozo.size();
    if (columna.normalizacion != Normalizacion::Ninguna) {
        // Names are padded with spaces to their column; trimming them before the copy
        // gives the same field, since dropping characters and trimming commute.
        while (fin - q >= 8) {
            quint64 ocho;
            std::memcpy(&ocho, fin - 8, 8);
            ocho ^= Unos * ' ';
            if (ocho != 0) {
                if constexpr (std::endian::native == std::endian::little)
                    fin -= std::countl_zero(ocho) / 8; // the last bytes are the highest
                break;
            }
            fin -= 8;
        }
        while (fin > q && fin[-1] == ' ')
            --fin;
    }
    int caracteres = 0;
    while (q < fin) {
        // The record has spare bytes behind it and the field room behind its end, so
        // eight are always read and written; only the ones that count are kept.
        quint64 ocho;
        std::memcpy(&ocho, q, 8);
        const int quedan = int(fin - q);
        const int n = std::min(sencillos(ocho), quedan);
        std::memcpy(p, &ocho, 8);
        p += n;
        q += n;
        caracteres += n;
        if (n < 8 && n < quedan) {
            // Characters XML forbids are dropped before trimming and padding, as the general
            // path does. The whole entry is copied in one store; its first `longitud` bytes count.
            const CaracterByte &c = tabla[static_cast<unsigned char>(*q++)];
            std::memcpy(p, &c, sizeof c);
            p += c.longitud;
            caracteres += c.longitud != 0;
        }
    }
    // Spaces are single bytes in the document form, and no other character contains one.
    char *inicio = principio;
    while (inicio < p && *inicio == ' ')
        ++inicio;
    char *final = p;
    while (final > inicio && final[-1] == ' ')
        --final;
    switch (columna.normalizacion) {
    case Normalizacion::Ninguna:
        inicio = principio;
        final = p;
        break;
    case Normalizacion::Recortar:
        break;
    case Normalizacion::Rellenar: {
        caracteres -= int((inicio - principio) + (p - final));
        for (; caracteres < columna.longitud; ++caracteres)
            *--inicio = '0';
        if (std::all_of(inicio, final, [](char b) { return b == '0'; }))
            final = inicio;
        break;
    }
    }
    campo.inicio = int(inicio - campo.datos);
    campo.longitud = int(final - inicio);
}

void cortarRegistroXml(std::string_view registro, const TablaBytes &tabla, TipoConsulta tipo, CamposXml &campos)
{
    size_t inicio = 0;
    size_t fin = registro.size();
    while (fin > 0 && !tabla[static_cast<unsigned char>(registro[fin - 1])].imprimible)
        --fin;
    while (inicio < fin && !tabla[static_cast<unsigned char>(registro[inicio])].imprimible)
        ++inicio;
    const std::string_view util = registro.substr(inicio, fin - inicio);
    campos.util = util;
    char *const copia = campos.limpio.data();
    size_t longitud = util.size();
    if (util.find('\t') == std::string_view::npos) {
        std::memcpy(copia, util.data(), longitud);
    } else {
        longitud = 0;
        for (char b : util)
            if (b != '\t')
                copia[longitud++] = b;
    }
    const std::string_view limpio(copia, longitud);
    auto cortar = [&](const auto &columnas) {
        for (const ColumnaXml &columna : columnas)
            cortarColumnaXml(limpio, columna, tabla, campos.*(columna.campo));
    };
    switch (tipo) {
    case TipoConsulta::NIF:
        cortar(ColumnasNIF);
        break;
    case TipoConsulta::RC:
        cortar(ColumnasRC);
        break;
    case TipoConsulta::PP:
        cortar(ColumnasPP);
        break;
    }
}

bool escribirRegistroXml(EscritorXML &escritor, TipoConsulta tipo, const CamposXml &campos)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return escritor.EscribirRegistroNIF(campos.NIF.vista(), campos.APE.vista(), campos.PRO.vista(),
                                            campos.MUN.vista());
    case TipoConsulta::RC:
        return escritor.EscribirRegistroRC(campos.RC.vista(), campos.PRO.vista(), campos.MUN.vista());
    case TipoConsulta::PP:
        return escritor.EscribirRegistroPP(campos.PRO.vista(), campos.MUN.vista(), campos.POL.vista(),
                                           campos.PAR.vista());
    }
    return false;
}

QString textoCreado(const QString &rutaSalida)
{
    return QStringLiteral("El fichero ") + rutaSalida + QStringLiteral(" se ha creado correctamente.");
}

} // namespace

FinConversion convertirRegistros(QIODevice &entrada, Codificacion codificacion, TipoConsulta tipo,
                                 EscritorXML &escritor, Resumen &resumen, qint64 &lineaFallo, QString &razon)
{
    LectorRegistros lector(entrada, codificacion);
    Campos campos;
    const TablaBytes &tabla = tablaBytes(codificacion);
    auto camposXml = std::make_unique<CamposXml>();
    std::string latin1;
    latin1.reserve(size_t(LongitudMaximaRegistro));
    for (;;) {
        switch (lector.leerRegistro()) {
        case LectorRegistros::Resultado::Fin:
            return FinConversion::Completa;
        case LectorRegistros::Resultado::ErrorLectura:
            razon = lector.razon();
            return FinConversion::ErrorLectura;
        case LectorRegistros::Resultado::DemasiadoLargo:
            lineaFallo = lector.linea();
            return FinConversion::DemasiadoLargo;
        case LectorRegistros::Resultado::Registro:
            break;
        }
        std::string_view bytes;
        bool unBytePorCaracter = false;
        if (lector.hayBytes()) {
            bytes = lector.bytes();
            if (codificacion == Codificacion::Windows1252 || esAscii(bytes)) {
                unBytePorCaracter = true;
            } else if (aLatin1(bytes, latin1)) {
                bytes = latin1;
                unBytePorCaracter = true;
            }
        }
        bool escrito = false;
        bool enBlanco = false;
        if (unBytePorCaracter) {
            cortarRegistroXml(bytes, tabla, tipo, *camposXml);
            escrito = escribirRegistroXml(escritor, tipo, *camposXml);
            enBlanco = !escrito && camposXml->util.find_first_not_of(" \t") == std::string_view::npos;
        } else {
            const std::u32string_view limpio = limpiarRegistro(lector.registro());
            cortarRegistro(limpio, tipo, campos);
            escrito = escribirRegistro(escritor, tipo, campos);
            enBlanco = !escrito && !estaPresente(limpio);
        }
        if (escrito) {
            ++resumen.escritos;
        } else if (!enBlanco) {
            // Blank records are the list's spacing, not lost data: only the others count.
            ++resumen.omitidos;
            if (resumen.lineasOmitidas.size() < LineasOmitidasMostradas)
                resumen.lineasOmitidas.append(lector.linea());
        }
        if (escritor.fallo()) {
            razon = escritor.razon();
            return FinConversion::ErrorEscritura;
        }
    }
}

QString describirResumen(const Resumen &resumen)
{
    QString texto = QStringLiteral("Registros escritos: %1.\nRegistros omitidos por falta de un campo obligatorio: %2")
                        .arg(resumen.escritos)
                        .arg(resumen.omitidos);
    if (!resumen.lineasOmitidas.isEmpty()) {
        QStringList lineas;
        for (qint64 linea : resumen.lineasOmitidas)
            lineas.append(QString::number(linea));
        if (resumen.omitidos > resumen.lineasOmitidas.size())
            lineas.append(QStringLiteral("…"));
        texto += (resumen.omitidos == 1 ? QStringLiteral(" (línea ") : QStringLiteral(" (líneas "))
            + lineas.join(QStringLiteral(", ")) + u')';
    }
    return texto + u'.';
}

Conversor::Conversor(Mensajes &mensajes) : m_mensajes(mensajes) {}

void Conversor::ExisteFichero(const QString &directorio, const QString &nombre, bool &existe, int &estado)
{
    estado = 0;
    const Existencia existencia = comprobarExistencia(directorio + nombre);
    if (!existencia.comprobada) {
        estado = 99;
        m_mensajes.MsgBox(QStringLiteral("El fichero ") + directorio + nombre
                              + QStringLiteral(" ya existe, no se continúa con el proceso."),
                          EstiloInformacion, existencia.razon);
        return;
    }
    existe = existencia.existe;
}

bool Conversor::GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo)
{
    m_resumen = Resumen();
    if (recortarEspacios(rutaEntrada).isEmpty()) {
        m_mensajes.MsgBox(QStringLiteral("Es obligatorio un fichero de entrada"), EstiloCritico);
        return false;
    }
    const RutaSalida ruta = derivarRutaSalida(rutaEntrada);
    const QString rutaSalida = ruta.ruta();
    const QString mismoFichero = QStringLiteral("El fichero de entrada es el mismo que el de salida.");
    if (ruta.nombreSalida == ruta.nombreEntrada) {
        m_mensajes.MsgBox(mismoFichero, EstiloCritico);
        return false;
    }

    bool existe = false;
    int estado = 0;
    ExisteFichero(ruta.directorio, ruta.nombreSalida, existe, estado);
    if (estado == 99)
        return false;
    if (existe) {
        // Names that differ can still be one file (letter case, links): never write over the list.
        if (esMismoFichero(rutaEntrada, rutaSalida)) {
            m_mensajes.MsgBox(mismoFichero, EstiloCritico);
            return false;
        }
        if (m_mensajes.MsgBox(QStringLiteral("El fichero de salida ya existe. ¿Desea sobreescribirlo?"),
                              EstiloPregunta)
            != BotonSi)
            return false;
    }

    // The path is opened as given: the trimming above only shapes the output's name.
    QFile entrada(rutaEntrada);
    const auto noSePuede = [&](const QString &que, const QString &razon) {
        m_mensajes.MsgBox(que, EstiloCritico, razon);
        return false;
    };
    const QString noAbre = QStringLiteral("No se puede abrir el fichero de entrada %1.").arg(rutaEntrada);
    if (QFileInfo(rutaEntrada).isDir())
        return noSePuede(noAbre, QStringLiteral("Es un directorio, no un fichero."));
    if (!entrada.open(QIODevice::ReadOnly))
        return noSePuede(noAbre, entrada.errorString());
    if (entrada.size() < 1) {
        m_mensajes.MsgBox(QStringLiteral("El fichero de entrada está vacío"), EstiloCritico);
        return false;
    }
    const QString noLee = QStringLiteral("No se puede leer el fichero de entrada %1.").arg(rutaEntrada);
    const Deteccion deteccion = detectarCodificacion(entrada);
    if (!deteccion.leido)
        return noSePuede(noLee, deteccion.razon);

    EscritorXML escritor(m_mensajes, m_fabrica);
    escritor.setFecha(m_fecha);
    escritor.CrearCabeceraXML(ruta.directorio, ruta.nombreSalida, tipo, estado);
    if (estado != 0)
        return false;

    Resumen resumen;
    qint64 lineaFallo = 0;
    QString razon;
    const QString noEscribe = QStringLiteral("No se puede escribir el fichero de salida %1.").arg(rutaSalida);
    switch (convertirRegistros(entrada, deteccion.codificacion, tipo, escritor, resumen, lineaFallo, razon)) {
    case FinConversion::Completa:
        break;
    case FinConversion::ErrorLectura:
        escritor.descartar();
        return noSePuede(noLee, razon);
    case FinConversion::ErrorEscritura:
        escritor.descartar();
        return noSePuede(noEscribe, razon);
    case FinConversion::DemasiadoLargo:
        escritor.descartar();
        return noSePuede(QStringLiteral("El registro de la línea %1 del fichero de entrada %2 tiene más de "
                                        "%3 caracteres; no se continúa con el proceso.")
                             .arg(lineaFallo)
                             .arg(rutaEntrada)
                             .arg(LongitudMaximaRegistro),
                         QString());
    }
    entrada.close();
    if (!escritor.CerrarFicheroXML())
        return noSePuede(noEscribe, escritor.razon());

    m_resumen = resumen;
    m_mensajes.MsgBox(textoCreado(rutaSalida), EstiloInformacion, describirResumen(resumen));
    return true;
}

} // namespace torxal
