#include "ajustes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <array>
#include <limits>

namespace torxal {

namespace {

// Past this the limit no longer fits in a qint64 once counted in bytes.
constexpr qint64 MaximoKb = std::numeric_limits<qint64>::max() / 1024;

bool fallar(QString *problema, const QString &texto)
{
    if (problema)
        *problema = texto;
    return false;
}

QString formatearCodigo(char16_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

bool esLetraAscii(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

struct ClaveConocida {
    const char *nombre;
    bool (*aplicar)(const QString &valor, Ajustes *ajustes, QString *problema);
};

const std::array<ClaveConocida, 3> ClavesConocidas = {{
    {"espacio-de-nombres",
     [](const QString &valor, Ajustes *ajustes, QString *problema) {
         if (!comprobarEspacioDeNombres(valor, problema))
             return false;
         ajustes->espacioDeNombres = valor;
         return true;
     }},
    {"formato-fecha",
     [](const QString &valor, Ajustes *ajustes, QString *problema) {
         const std::optional<FormatoFecha> formato = leerFormatoFecha(valor, problema);
         if (formato)
             ajustes->formatoFecha = *formato;
         return formato.has_value();
     }},
    {"tamano-maximo-kb",
     [](const QString &valor, Ajustes *ajustes, QString *problema) {
         return leerTamanoMaximo(valor, &ajustes->tamanoMaximoKb, problema);
     }},
}};

const QString Seccion = QStringLiteral("documento/");

// QSettings ends an unquoted value at ';' or '#' (a comment) and takes '\' as the start of an
// escape, both without a word: "http://x/ns#v" would arrive as "http://x/ns". No value of ours
// can hold those characters that way, so such a line is refused instead.
QString revisarTextoBruto(const QByteArray &bytes, const char *nombre)
{
    bool enDocumento = false;
    for (const QByteArray &linea : bytes.split('\n')) {
        const QByteArray limpia = linea.trimmed();
        if (limpia.startsWith('[')) {
            enDocumento = limpia.mid(1, limpia.indexOf(']') - 1).trimmed() == "documento";
            continue;
        }
        const qsizetype igual = limpia.indexOf('=');
        if (!enDocumento || igual < 0 || limpia.left(igual).trimmed() != nombre)
            continue;
        bool entreComillas = false;
        for (char c : limpia.mid(igual + 1)) {
            if (c == '\\')
                return QStringLiteral("contiene «\\», que no se admite");
            if (c == '"')
                entreComillas = !entreComillas;
            else if ((c == ';' || c == '#') && !entreComillas)
                return QStringLiteral("contiene «%1» fuera de comillas, que en este fichero empieza un comentario: "
                                      "si es parte del valor, escriba el valor entre comillas dobles; "
                                      "si es un comentario, póngalo en una línea aparte")
                    .arg(QLatin1Char(c));
        }
    }
    return {};
}

bool leerValor(const QSettings &ini, const QByteArray &bytes, const char *nombre, QString *valor, QString *problema)
{
    *problema = revisarTextoBruto(bytes, nombre);
    if (!problema->isEmpty())
        return false;
    const QVariant leido = ini.value(Seccion + QLatin1String(nombre));
    // An unquoted comma makes QSettings split the value into a list, trimming each piece.
    if (leido.typeId() == QMetaType::QStringList)
        return fallar(problema, QStringLiteral("contiene una coma fuera de comillas y se lee como una lista: "
                                               "escriba el valor entre comillas dobles"));
    if (leido.typeId() != QMetaType::QString)
        return fallar(problema, QStringLiteral("no se lee como texto: un valor que empieza por «@» "
                                               "indica otro tipo de dato"));
    *valor = leido.toString();
    return true;
}

bool aplicarFichero(const QString &ruta, Ajustes *ajustes, QStringList *notas, ErrorAjustes *error)
{
    const auto rechazar = [&](const QString &clave, const QString &problema) {
        if (error)
            *error = ErrorAjustes{ruta, clave, problema};
        return false;
    };
    // Qt's reason for a folder is an English text of its own.
    if (QFileInfo(ruta).isDir())
        return rechazar({}, QStringLiteral("es una carpeta, no un fichero"));
    QFile fichero(ruta);
    QByteArray bytes;
    if (fichero.open(QIODevice::ReadOnly))
        bytes = fichero.readAll();
    if (fichero.error() != QFileDevice::NoError)
        return rechazar({}, QStringLiteral("no se puede leer: %1").arg(fichero.errorString()));

    const QSettings ini(ruta, QSettings::IniFormat);
    if (ini.status() == QSettings::FormatError)
        return rechazar({}, QStringLiteral("no tiene el formato de un fichero INI; por ejemplo, "
                                           "una línea empieza por «[» y no cierra la sección con «]»"));
    if (ini.status() != QSettings::NoError)
        return rechazar({}, QStringLiteral("no se puede leer"));

    QStringList conocidas;
    for (const ClaveConocida &conocida : ClavesConocidas) {
        const QString clave = Seccion + QLatin1String(conocida.nombre);
        conocidas << clave;
        QString valor;
        QString problema;
        if (ini.contains(clave)
            && !(leerValor(ini, bytes, conocida.nombre, &valor, &problema)
                 && conocida.aplicar(valor, ajustes, &problema)))
            return rechazar(clave, problema);
    }
    for (const QString &clave : ini.allKeys()) {
        if (notas && !conocidas.contains(clave))
            notas->append(QStringLiteral("El fichero de ajustes %1 tiene la clave desconocida «%2», "
                                         "que se pasa por alto.")
                              .arg(ruta, clave));
    }
    return true;
}

// Qt 6.4's QStandardPaths keeps relative and empty entries of the XDG variables (an empty one
// would read /torxal/torxal.conf), which the XDG rules say to ignore; so the search is done here.
QStringList listarCarpetasConfiguracion()
{
    const auto absoluta = [](const QString &ruta) { return ruta.startsWith(u'/'); };
    const QString usuario = qEnvironmentVariable("XDG_CONFIG_HOME");
    QStringList carpetas{absoluta(usuario) ? usuario : QDir::homePath() + QStringLiteral("/.config")};
    QStringList sistema;
    for (const QString &carpeta : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':')) {
        if (absoluta(carpeta))
            sistema << carpeta;
    }
    if (sistema.isEmpty())
        sistema << QStringLiteral("/etc/xdg");
    return carpetas + sistema;
}

} // namespace

QString espacioDeNombresPredeterminado()
{
    return QStringLiteral(TORXAL_NAMESPACE_URI);
}

// The rule is an absolute URI that can go into the single-quoted xmlns attribute as it is.
bool comprobarEspacioDeNombres(QStringView uri, QString *problema)
{
    if (uri.isEmpty())
        return fallar(problema, QStringLiteral("está vacío"));
    for (qsizetype i = 0; i < uri.size(); ++i) {
        const char16_t c = uri[i].unicode();
        if (c == u' ')
            return fallar(problema, QStringLiteral("contiene un espacio"));
        if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
            return fallar(problema, QStringLiteral("contiene un carácter de control (%1)").arg(formatearCodigo(c)));
        if (QChar::isSpace(c))
            return fallar(problema, QStringLiteral("contiene un espacio en blanco (%1)").arg(formatearCodigo(c)));
        if (QStringView(u"'\"<>&\\").contains(QChar(c)))
            return fallar(problema, QStringLiteral("contiene «%1», que no se admite").arg(QChar(c)));
        if (QChar::isHighSurrogate(c) && i + 1 < uri.size() && uri[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) || c == 0xfffe || c == 0xffff)
            return fallar(problema,
                          QStringLiteral("contiene un carácter que XML no admite (%1)").arg(formatearCodigo(c)));
    }
    const qsizetype dosPuntos = uri.indexOf(u':');
    if (dosPuntos <= 0)
        return fallar(problema,
                      QStringLiteral("no empieza por un esquema seguido de dos puntos, como «urn:» o «http:»"));
    const QStringView esquema = uri.first(dosPuntos);
    if (!esLetraAscii(esquema.front()))
        return fallar(problema,
                      QStringLiteral("el esquema «%1» no empieza por una letra de la a a la z").arg(esquema));
    for (QChar c : esquema) {
        if (!esLetraAscii(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.')
            return fallar(problema, QStringLiteral("el esquema «%1» solo admite letras de la a a la z, cifras, "
                                                   "«+», «-» y «.»")
                                        .arg(esquema));
    }
    if (dosPuntos + 1 == uri.size())
        return fallar(problema, QStringLiteral("no tiene nada tras «%1»").arg(uri));
    return true;
}

std::optional<FormatoFecha> leerFormatoFecha(QStringView texto, QString *problema)
{
    for (FormatoFecha formato : {FormatoFecha::DiaMesAnio, FormatoFecha::AnioMesDia}) {
        if (texto == textoFormatoFecha(formato))
            return formato;
    }
    fallar(problema, QStringLiteral("debe ser dd/MM/yyyy o yyyy-MM-dd"));
    return std::nullopt;
}

QString textoFormatoFecha(FormatoFecha formato)
{
    return formato == FormatoFecha::AnioMesDia ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("dd/MM/yyyy");
}

bool leerTamanoMaximo(QStringView texto, qint64 *kb, QString *problema)
{
    if (texto.isEmpty())
        return fallar(problema, QStringLiteral("está vacío"));
    qint64 valor = 0;
    for (QChar c : texto) {
        if (c < u'0' || c > u'9')
            return fallar(problema, QStringLiteral("debe ser un número entero de kilobytes escrito solo con cifras "
                                                   "(0: sin límite)"));
        const int cifra = c.unicode() - u'0';
        if (valor > (MaximoKb - cifra) / 10)
            return fallar(problema, QStringLiteral("es demasiado grande: el máximo es %1").arg(MaximoKb));
        valor = valor * 10 + cifra;
    }
    *kb = valor;
    return true;
}

QStringList buscarFicherosAjustes()
{
    QStringList ficheros;
    for (const QString &carpeta : listarCarpetasConfiguracion()) {
        const QString ruta = QDir::cleanPath(carpeta + QStringLiteral("/torxal/torxal.conf"));
        if (!ficheros.contains(ruta) && QFileInfo::exists(ruta))
            ficheros.prepend(ruta);
    }
    return ficheros;
}

OpcionesDocumento opcionesDocumento(const Ajustes &ajustes)
{
    return OpcionesDocumento{ajustes.espacioDeNombres, textoFormatoFecha(ajustes.formatoFecha), {},
                             ajustes.tamanoMaximoKb * 1024};
}

Mensaje crearMensaje(const ErrorAjustes &error)
{
    // A file that cannot be read has no key to name; its reason goes beneath.
    return error.clave.isEmpty() ? crearMensaje(Texto::AjustesIlegibles, {error.fichero}, error.problema)
                                 : crearMensaje(Texto::AjusteNoValido, {error.fichero, error.clave, error.problema});
}

bool cargarAjustes(Ajustes *ajustes, QStringList *notas, ErrorAjustes *error)
{
    for (const QString &fichero : buscarFicherosAjustes()) {
        if (!aplicarFichero(fichero, ajustes, notas, error))
            return false;
    }
    return true;
}

} // namespace torxal
