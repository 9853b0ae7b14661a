#include "mensajes.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cerrno>
#include <cstring>

namespace torxal {

namespace {

using enum Estilo;
using enum Texto;

// The overwrite question and the texts about an existing or uncreatable output keep the
// words and styles users of the original tool know; the rest are this program's own.
constexpr Plantilla Tabla[] = {
    {FicheroObligatorio, Critico, u"Es obligatorio un fichero de entrada"},
    {MismoFichero, Critico, u"El fichero de entrada es el mismo que el de salida."},
    {PreguntaSobrescribir, Pregunta, u"El fichero de salida ya existe. ¿Desea sobreescribirlo?"},
    {PreguntaSobrescribirUnaParte, Pregunta, u"El fichero de salida %1 ya existe. ¿Desea sobreescribirlo?"},
    {PreguntaSobrescribirPartes, Pregunta,
     u"Ya existen %1 de los ficheros de salida, el primero %2. ¿Desea sobreescribirlos?"},
    {EntradaVacia, Critico, u"El fichero de entrada está vacío"},
    {YaExiste, Informacion, u"El fichero %1 ya existe, no se continúa con el proceso."},
    {NoSeCrea, Critico, u"No se puede crear el fichero %1."},
    {Creado, Informacion, u"El fichero %1 se ha creado correctamente."},
    {CreadasPartes, Informacion, u"Los ficheros %1 a %2 se han creado correctamente."},
    {NoAbreEntrada, Critico, u"No se puede abrir el fichero de entrada %1."},
    {EntradaEsDirectorio, Critico, u"Es un directorio, no un fichero."},
    {EntradaNoNormal, Critico, u"El fichero de entrada %1 no es un fichero normal."},
    {NoLeeEntrada, Critico, u"No se puede leer el fichero de entrada %1."},
    {NoEscribeSalida, Critico, u"No se puede escribir el fichero de salida %1."},
    {RegistroLargo, Critico,
     u"El registro de la línea %1 del fichero de entrada %2 tiene más de %3 caracteres; no se continúa con el proceso."},
    {RegistroNoCabe, Critico,
     u"El registro de la línea %1 del fichero de entrada %2 no cabe solo en una parte de %3 KB; no se continúa con el "
     u"proceso."},
    {SalidaEsEnlace, Critico, u"El fichero de salida %1 es un enlace simbólico; no se escribe a través de él."},
    {SalidaNoNormal, Critico, u"El fichero de salida %1 existe y no es un fichero normal; no se sustituye."},
    {SalidaDeOtraLista, Critico,
     u"El fichero de salida %1 ya es el de la lista %2 en esta misma orden; la lista %3 no se convierte."},
    {NoCreadoPorAvisos, Critico, u"No se ha creado el fichero %1: la lista tiene %2 avisos."},
    {NoCreadoPorUnAviso, Critico, u"No se ha creado el fichero %1: la lista tiene 1 aviso."},
    {NoSeEscribeInforme, Critico, u"No se puede escribir el informe de avisos %1."},
    {InformeEsLaLista, Critico, u"El informe de avisos %1 sería la propia lista o su fichero XML; no se escribe."},
    {AjusteNoValido, Critico, u"El fichero de ajustes %1 tiene un valor no válido en %2: %3."},
    {AjustesIlegibles, Critico, u"No se puede leer el fichero de ajustes %1."},
    {ResumenEscritos, Informacion, u"Registros escritos: %1."},
    {ResumenOmitidos, Informacion, u"Registros omitidos por falta de un campo obligatorio: %1"},
    {ResumenWindows1252, Informacion, u"Líneas leídas como Windows-1252: %1"},
    {ResumenConAvisos, Informacion, u"Registros con avisos: %1."},
    {ResumenCompruebeTipo, Informacion, u"Compruebe el tipo de consulta elegido."},
    {ResumenPartes, Informacion, u"Partes: %1."},
    {ResumenParte, Informacion, u"%1 (%2 registros)"},
    {ResumenRestos, Informacion, u"Quedan de una ejecución anterior y no son de esta lista, no los envíe: %1."},
    {ResumenMasAvisos, Informacion, u"… y %1 avisos más."},
    {ResumenUnaLinea, Informacion, u" (línea %1)"},
    {ResumenVariasLineas, Informacion, u" (líneas %1)"},
    {ResumenYMas, Informacion, u"%1 y %2 más"},
    {DetalleAvisoCampo, Informacion, u"Línea %1 (%2) %3 «%4»: %5"},
    {DetalleAvisoRegistro, Informacion, u"Línea %1 (%2): %3"},
};

const Plantilla &buscar(Texto id)
{
    for (const Plantilla &plantilla : Tabla)
        if (plantilla.id == id)
            return plantilla;
    Q_UNREACHABLE();
}

// Spanish for the failures a list or its document meets in an office; the C library
// would answer in the process's language, and the tests run in the C locale.
struct RazonConocida {
    int error;
    const char16_t *texto;
};

constexpr RazonConocida Razones[] = {
    {ENOENT, u"No existe el fichero o el directorio"},
    {EACCES, u"Permiso denegado"},
    {EPERM, u"Operación no permitida"},
    {EROFS, u"Sistema de ficheros de solo lectura"},
    {ENOSPC, u"No queda espacio en el dispositivo"},
    {EDQUOT, u"Cuota de disco superada"},
    {ENAMETOOLONG, u"Nombre de fichero demasiado largo"},
    {ELOOP, u"Demasiados niveles de enlaces simbólicos"},
    {ENOTDIR, u"No es un directorio"},
    {EISDIR, u"Es un directorio"},
    {EIO, u"Error de entrada/salida"},
    {EMFILE, u"Demasiados ficheros abiertos"},
    {ENFILE, u"Demasiados ficheros abiertos en el sistema"},
    {EBUSY, u"Dispositivo o recurso ocupado"},
    {ETXTBSY, u"Fichero de texto ocupado"},
    {EEXIST, u"El fichero ya existe"},
    {EFBIG, u"Fichero demasiado grande"},
    {EXDEV, u"Enlace entre dispositivos no válido"},
    {EINVAL, u"Argumento no válido"},
    {ESTALE, u"Manejador de fichero NFS obsoleto"},
};

} // namespace

std::span<const Plantilla> plantillas()
{
    return Tabla;
}

QString textoDe(Texto id, const QStringList &argumentos)
{
    QString texto = QString::fromUtf16(buscar(id).texto);
    // Placeholders are replaced in one pass, so a path holding "%2" stays as it is.
    QString resultado;
    resultado.reserve(texto.size() + 64);
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto.at(i) == u'%' && i + 1 < texto.size() && texto.at(i + 1).isDigit()) {
            const int indice = texto.at(i + 1).digitValue() - 1;
            if (indice >= 0 && indice < argumentos.size()) {
                resultado += argumentos.at(indice);
                ++i;
                continue;
            }
        }
        resultado += texto.at(i);
    }
    return resultado;
}

Mensaje crearMensaje(Texto id, const QStringList &argumentos, const QString &detalle)
{
    Mensaje mensaje;
    mensaje.texto = textoDe(id, argumentos);
    mensaje.estilo = buscar(id).estilo;
    mensaje.detalle = detalle;
    return mensaje;
}

bool fallar(Fallo *fallo, Texto que, const QStringList &argumentos, int error)
{
    if (fallo)
        *fallo = Fallo{que, argumentos, error, Texto::Ninguno, {}};
    return false;
}

bool fallarPorMotivo(Fallo *fallo, Texto que, const QStringList &argumentos, Texto motivo,
                     const QStringList &argumentosMotivo)
{
    if (fallo)
        *fallo = Fallo{que, argumentos, 0, motivo, argumentosMotivo};
    return false;
}

Mensaje crearMensaje(const Fallo &fallo)
{
    const QString razon = fallo.motivo != Texto::Ninguno ? textoDe(fallo.motivo, fallo.argumentosMotivo)
        : fallo.error != 0                              ? razonDelSistema(fallo.error)
                                                        : QString();
    return crearMensaje(fallo.que, fallo.argumentos, razon);
}

QString razonDelSistema(int error)
{
    for (const RazonConocida &razon : Razones)
        if (razon.error == error)
            return QString::fromUtf16(razon.texto);
    return QString::fromLocal8Bit(std::strerror(error));
}

bool instalarCatalogoQt(QCoreApplication &aplicacion)
{
    auto *traductor = new QTranslator(&aplicacion);
    if (!traductor->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traductor;
        return false;
    }
    return QCoreApplication::installTranslator(traductor);
}

} // namespace torxal
