#include "ajustes.h"

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

} // namespace torxal
