#include "conversor.h"

#include "lectura.h"
#include "limpieza.h"
#include "limpiezabytes.h"
#include "mensajes.h"
#include "rutas.h"

#include <QFile>
#include <QFileInfo>

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
        // One multi-argument arg(): a path may hold "%1" itself.
        return noSePuede(QStringLiteral("El registro de la línea %1 del fichero de entrada %2 tiene más de "
                                        "%3 caracteres; no se continúa con el proceso.")
                             .arg(QString::number(lineaFallo), rutaEntrada, QString::number(LongitudMaximaRegistro)),
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
