// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "escritorxml.h"
#include "mensajes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

namespace torxal {

/// The two ways FEC can be written.
enum class FormatoFecha { DiaMesAnio, AnioMesDia }; // "dd/MM/yyyy", "yyyy-MM-dd"

/// The namespace URI chosen when the program was built.
QString espacioDeNombresPredeterminado();

/// What the settings files can change in the document.
struct Ajustes {
    QString espacioDeNombres = espacioDeNombresPredeterminado();
    FormatoFecha formatoFecha = FormatoFecha::DiaMesAnio;
    qint64 tamanoMaximoKb = 0; // 0: no limit
    qint64 tamanoAvisoKb = 450; // the service's usual maximum a document; 0: never said
};

/// The keys of the settings, as the files and the command line name them.
enum class Clave { EspacioDeNombres, FormatoFecha, TamanoMaximoKb, TamanoAvisoKb };

/// What the settings put in the document.
OpcionesDocumento opcionesDocumento(const Ajustes &ajustes);

/// What is wrong with a URI, if anything: the reason, where (1-based, in characters) and
/// which character.
struct AnalisisUri {
    Texto motivo = Texto::Ninguno;
    qsizetype posicion = 0;
    char16_t caracter = 0;
};

/// An absolute URI as RFC 3986 has it (a scheme, then its hierarchical part, a query and
/// a fragment), which can also go as it is into the single-quoted xmlns attribute: no
/// quote, no ampersand. Usable at compile time, so the built-in namespace meets the rule
/// the settings do.
constexpr AnalisisUri analizarUri(std::u16string_view uri);

/// Checks an absolute URI that can stand in the document; false with what is wrong in
/// the failure's reason (e.g. "contiene un espacio").
bool comprobarEspacioDeNombres(QStringView uri, Fallo *fallo);

/// Reads "dd/MM/yyyy" or "yyyy-MM-dd", exactly; nothing for any other text, with the
/// problem as the failure's reason when `fallo` is given.
std::optional<FormatoFecha> leerFormatoFecha(QStringView texto, Fallo *fallo = nullptr);

/// "dd/MM/yyyy" or "yyyy-MM-dd": the setting's text and the QDate::toString pattern.
QString textoFormatoFecha(FormatoFecha formato);

/// Reads a size limit in kilobytes written in decimal digits only (0: no limit); false with
/// the problem as the failure's reason when it is not one or is too large to count in bytes.
bool leerTamanoMaximo(QStringView texto, qint64 *kb, Fallo *fallo);

/// The settings files that exist, in the order they are applied (lowest precedence first).
QStringList buscarFicherosAjustes();

/// The user's settings file, where guardarAjusteDeUsuario writes.
QString rutaAjustesDeUsuario();

/// Sets `clave` to `valor` in the user's settings file, in its [documento] section, keeping
/// every other line as it stands; the file (and its folder) is made when missing, and put
/// in place whole. `ruta` receives the file's path.
bool guardarAjusteDeUsuario(Clave clave, const QString &valor, QString *ruta, Fallo *fallo);

/// Applies the settings files over `ajustes`: the system files' [documento], the user's
/// [documento] over them, and over both the system files' [bloqueado], which a deployer
/// uses to fix a value for everyone. Only the values that take effect are judged: a key
/// in `fijadas` (the command line sets it) is not read at all. Unknown keys are not
/// errors: each gives one note in `notas`. False on the first bad value, or a file that
/// cannot be read, with `fallo` filled; `ajustes` is then not to be used.
bool cargarAjustes(Ajustes *ajustes, const QList<Clave> &fijadas, QStringList *notas, Fallo *fallo);

// ---- The rule of analizarUri, here so that it can run at compile time.

namespace uri {

constexpr bool esAlfa(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
constexpr bool esCifra(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
constexpr bool esHex(char16_t c)
{
    return esCifra(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
constexpr bool esNoReservado(char16_t c)
{
    return esAlfa(c) || esCifra(c) || c == u'-' || c == u'.' || c == u'_' || c == u'~';
}
// The sub-delimiters but the quote and the ampersand, which the attribute cannot hold.
constexpr bool esSubDelimitador(char16_t c)
{
    return c == u'!' || c == u'$' || c == u'(' || c == u')' || c == u'*' || c == u'+' || c == u',' || c == u';'
        || c == u'=';
}
constexpr bool esPchar(char16_t c)
{
    return esNoReservado(c) || esSubDelimitador(c) || c == u':' || c == u'@';
}

// h16 groups and an optional dotted IPv4 tail, with at most one "::".
constexpr bool esIpv4(std::u16string_view t)
{
    int octetos = 0;
    size_t i = 0;
    while (true) {
        size_t j = i;
        int valor = 0;
        while (j < t.size() && esCifra(t[j]) && j - i < 3)
            valor = valor * 10 + (t[j++] - u'0');
        if (j == i || valor > 255 || (j - i > 1 && t[i] == u'0'))
            return false;
        ++octetos;
        if (j == t.size())
            return octetos == 4;
        if (t[j] != u'.' || octetos == 4)
            return false;
        i = j + 1;
    }
}

constexpr bool esIpv6(std::u16string_view t)
{
    int grupos = 0;
    bool doble = false;
    size_t i = 0;
    if (t.starts_with(u"::")) {
        doble = true;
        i = 2;
        if (i == t.size())
            return true;
    }
    while (i < t.size()) {
        size_t j = i;
        while (j < t.size() && esHex(t[j]) && j - i < 4)
            ++j;
        if (j < t.size() && t[j] == u'.') {
            // The last 32 bits as an IPv4 address.
            if (!esIpv4(t.substr(i)))
                return false;
            grupos += 2;
            break;
        }
        if (j == i)
            return false;
        ++grupos;
        if (j == t.size())
            break;
        if (t[j] != u':')
            return false;
        if (j + 1 < t.size() && t[j + 1] == u':') {
            if (doble)
                return false;
            doble = true;
            i = j + 2;
            if (i == t.size())
                break;
        } else {
            i = j + 1;
            if (i == t.size())
                return false;
        }
    }
    return doble ? grupos < 8 : grupos == 8;
}

constexpr bool esIpFuturo(std::u16string_view t)
{
    if (t.size() < 4 || (t[0] != u'v' && t[0] != u'V'))
        return false;
    size_t i = 1;
    while (i < t.size() && esHex(t[i]))
        ++i;
    if (i == 1 || i >= t.size() - 1 || t[i] != u'.')
        return false;
    for (++i; i < t.size(); ++i)
        if (!esNoReservado(t[i]) && !esSubDelimitador(t[i]) && t[i] != u':')
            return false;
    return true;
}

} // namespace uri

constexpr AnalisisUri analizarUri(std::u16string_view t)
{
    using namespace uri;
    if (t.empty())
        return {Texto::AjusteVacio, 0, 0};
    // What no URI may hold, named as plainly as it can be, first.
    for (size_t i = 0; i < t.size(); ++i) {
        const char16_t c = t[i];
        const auto en = [&](Texto motivo) { return AnalisisUri{motivo, qsizetype(i + 1), c}; };
        if (c == u' ')
            return en(Texto::AjusteConEspacio);
        if (c < 0x20 || (c >= 0x7f && c <= 0x9f))
            return en(Texto::AjusteConControl);
        if (c == 0xa0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200a) || c == 0x2028 || c == 0x2029 || c == 0x202f
            || c == 0x205f || c == 0x3000)
            return en(Texto::AjusteConBlanco);
        if (c == u'\'' || c == u'"' || c == u'<' || c == u'>' || c == u'&' || c == u'\\')
            return en(Texto::AjusteConCaracter);
        const bool alto = c >= 0xd800 && c <= 0xdbff;
        if (alto && i + 1 < t.size() && t[i + 1] >= 0xdc00 && t[i + 1] <= 0xdfff)
            return en(Texto::AjusteNoAscii);
        if ((c >= 0xd800 && c <= 0xdfff) || c == 0xfffe || c == 0xffff)
            return en(Texto::AjusteNoXml);
        if (c >= 0x80)
            return en(Texto::AjusteNoAscii);
    }
    const size_t dosPuntos = t.find(u':');
    if (dosPuntos == 0 || dosPuntos == std::u16string_view::npos)
        return {Texto::AjusteSinEsquema, 0, 0};
    if (!esAlfa(t[0]))
        return {Texto::AjusteEsquemaSinLetra, 1, t[0]};
    for (size_t i = 1; i < dosPuntos; ++i)
        if (!esAlfa(t[i]) && !esCifra(t[i]) && t[i] != u'+' && t[i] != u'-' && t[i] != u'.')
            return {Texto::AjusteEsquemaCaracteres, qsizetype(i + 1), t[i]};
    if (dosPuntos + 1 == t.size())
        return {Texto::AjusteNadaTrasEsquema, 0, 0};

    // The hierarchical part, the query and the fragment.
    const auto mal = [](size_t i, char16_t c) { return AnalisisUri{Texto::AjusteUriNoValida, qsizetype(i + 1), c}; };
    size_t i = dosPuntos + 1;
    const auto porcentaje = [&](size_t k) { return k + 2 < t.size() && esHex(t[k + 1]) && esHex(t[k + 2]); };
    if (t.substr(i).starts_with(u"//")) {
        i += 2;
        size_t fin = i;
        while (fin < t.size() && t[fin] != u'/' && t[fin] != u'?' && t[fin] != u'#')
            ++fin;
        size_t host = i;
        for (size_t k = i; k < fin; ++k)
            if (t[k] == u'@') {
                host = k + 1;
                break;
            }
        for (size_t k = i; k + 1 < host; ++k) {
            if (t[k] == u'%') {
                if (!porcentaje(k))
                    return {Texto::AjustePorcentaje, qsizetype(k + 1), t[k]};
                k += 2;
            } else if (!esNoReservado(t[k]) && !esSubDelimitador(t[k]) && t[k] != u':') {
                return mal(k, t[k]);
            }
        }
        size_t k = host;
        if (k < fin && t[k] == u'[') {
            size_t cierre = k + 1;
            while (cierre < fin && t[cierre] != u']')
                ++cierre;
            if (cierre == fin || !(esIpv6(t.substr(k + 1, cierre - k - 1)) || esIpFuturo(t.substr(k + 1, cierre - k - 1))))
                return {Texto::AjusteCorcheteAbierto, qsizetype(k + 1), u'['};
            k = cierre + 1;
        } else {
            for (; k < fin && t[k] != u':'; ++k) {
                if (t[k] == u'%') {
                    if (!porcentaje(k))
                        return {Texto::AjustePorcentaje, qsizetype(k + 1), t[k]};
                    k += 2;
                } else if (!esNoReservado(t[k]) && !esSubDelimitador(t[k])) {
                    return mal(k, t[k]);
                }
            }
        }
        if (k < fin) {
            if (t[k] != u':')
                return mal(k, t[k]);
            for (++k; k < fin; ++k)
                if (!esCifra(t[k]))
                    return mal(k, t[k]);
        }
        i = fin;
    }
    bool enFragmento = false;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i];
        if (c == u'%') {
            if (!porcentaje(i))
                return {Texto::AjustePorcentaje, qsizetype(i + 1), c};
            i += 2;
        } else if (c == u'#' && !enFragmento) {
            enFragmento = true;
        } else if (!esPchar(c) && c != u'/' && c != u'?') {
            return mal(i, c);
        }
    }
    return {};
}

} // namespace torxal
