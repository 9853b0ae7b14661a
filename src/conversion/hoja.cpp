// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "hoja.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace torxal {

using namespace Qt::StringLiterals;

namespace {

// Past this many digits a number is no code of a list: it is left as stored.
constexpr qsizetype CifrasEscritas = 40;

QString dosCifras(qint64 n)
{
    return QString::number(n).rightJustified(2, u'0');
}

QString textoDeHora(qint64 segundos)
{
    return dosCifras(segundos / 3600) + u':' + dosCifras(segundos / 60 % 60) + u':' + dosCifras(segundos % 60);
}

QString textoDeFecha(QDate fecha, qint64 segundos)
{
    QString texto = fecha.toString(u"dd/MM/yyyy");
    if (segundos > 0)
        texto += u' ' + textoDeHora(segundos);
    return texto;
}

bool esCifra(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

ClaseCelda leerNumero(QStringView valor, QString *texto)
{
    const QStringView s = valor.trimmed();
    const auto comoTexto = [&] {
        *texto = valor.toString();
        return ClaseCelda::Texto;
    };
    qsizetype i = 0;
    bool negativo = false;
    if (i < s.size() && (s.at(i) == u'-' || s.at(i) == u'+'))
        negativo = s.at(i++) == u'-';
    QString cifras;
    qint64 decimales = 0;
    bool punto = false;
    bool alguna = false;
    for (; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (esCifra(c)) {
            // Leading zeros say nothing of the value.
            if (!cifras.isEmpty() || c != u'0')
                cifras.append(c);
            decimales += punto;
            alguna = true;
        } else if (c == u'.' && !punto) {
            punto = true;
        } else {
            break;
        }
    }
    if (!alguna)
        return comoTexto();
    qint64 exponente = 0;
    if (i < s.size() && (s.at(i) == u'e' || s.at(i) == u'E')) {
        ++i;
        bool menos = false;
        if (i < s.size() && (s.at(i) == u'-' || s.at(i) == u'+'))
            menos = s.at(i++) == u'-';
        if (i == s.size())
            return comoTexto();
        for (; i < s.size() && esCifra(s.at(i)); ++i) {
            exponente = exponente * 10 + (s.at(i).unicode() - u'0');
            if (exponente > 100000)
                return comoTexto();
        }
        if (menos)
            exponente = -exponente;
    }
    if (i != s.size())
        return comoTexto();
    // The value is cifras × 10^potencia, zeros of the fraction at its end not counting.
    qint64 potencia = exponente - decimales;
    // Zeros of the integer part were dropped only when leading; trailing ones of the
    // fraction are dropped now.
    while (potencia < 0 && !cifras.isEmpty() && cifras.back() == u'0') {
        cifras.chop(1);
        ++potencia;
    }
    if (cifras.isEmpty()) {
        *texto = u"0"_s;
        return ClaseCelda::Entero;
    }
    const QString signo = negativo ? u"-"_s : QString();
    if (potencia >= 0) {
        if (cifras.size() + potencia > CifrasEscritas)
            return comoTexto();
        *texto = signo + cifras + QString(qsizetype(potencia), u'0');
        return ClaseCelda::Entero;
    }
    const qsizetype fraccion = qsizetype(-potencia);
    if (fraccion > CifrasEscritas)
        return comoTexto();
    if (cifras.size() <= fraccion)
        *texto = signo + u"0."_s + QString(fraccion - cifras.size(), u'0') + cifras;
    else
        *texto = signo + cifras.first(cifras.size() - fraccion) + u'.' + cifras.sliced(cifras.size() - fraccion);
    return ClaseCelda::Decimal;
}

bool textoDeSerie(QStringView valor, bool desde1904, QString *texto)
{
    bool bien = false;
    const double serie = valor.trimmed().toDouble(&bien);
    // 2958465 is 31/12/9999, the last day a spreadsheet shows.
    if (!bien || !(serie >= 0) || serie >= 2958466)
        return false;
    qint64 dias = qint64(std::floor(serie));
    qint64 segundos = std::llround((serie - double(dias)) * 86400);
    if (segundos == 86400) {
        ++dias;
        segundos = 0;
    }
    if (dias == 0) {
        *texto = textoDeHora(segundos);
        return true;
    }
    if (desde1904) {
        *texto = textoDeFecha(QDate(1904, 1, 1).addDays(dias), segundos);
    } else if (dias == 60) {
        // The day that Lotus, and every spreadsheet after it, believed 1900 had.
        *texto = u"29/02/1900"_s + (segundos > 0 ? u' ' + textoDeHora(segundos) : QString());
    } else {
        *texto = textoDeFecha(QDate(1899, 12, dias < 60 ? 31 : 30).addDays(dias), segundos);
    }
    return true;
}

bool textoDeFechaIso(QStringView valor, QString *texto)
{
    const QStringView s = valor.trimmed();
    const QDate fecha = QDate::fromString(s.first(std::min<qsizetype>(s.size(), 10)).toString(), Qt::ISODate);
    if (!fecha.isValid())
        return false;
    qint64 segundos = 0;
    if (s.size() > 10) {
        if (s.at(10) != u'T')
            return false;
        const QTime hora = QTime::fromString(s.sliced(11).toString(), Qt::ISODateWithMs);
        if (!hora.isValid())
            return false;
        segundos = hora.msecsSinceStartOfDay() / 1000;
    }
    *texto = textoDeFecha(fecha, segundos);
    return true;
}

bool textoDeDuracion(QStringView valor, QString *texto)
{
    QStringView s = valor.trimmed();
    const bool negativa = s.startsWith(u'-');
    if (negativa)
        s = s.sliced(1);
    if (!s.startsWith(u'P'))
        return false;
    s = s.sliced(1);
    qint64 segundos = 0;
    bool enHora = false;
    while (!s.isEmpty()) {
        if (s.front() == u'T') {
            enHora = true;
            s = s.sliced(1);
            continue;
        }
        qsizetype n = 0;
        while (n < s.size() && (esCifra(s.at(n)) || s.at(n) == u'.'))
            ++n;
        if (n == 0 || n == s.size())
            return false;
        bool bien = false;
        const double cantidad = s.first(n).toDouble(&bien);
        if (!bien || cantidad > 1e9)
            return false;
        const QChar unidad = s.at(n);
        if (unidad == u'D' && !enHora)
            segundos += std::llround(cantidad * 86400);
        else if (unidad == u'H' && enHora)
            segundos += std::llround(cantidad * 3600);
        else if (unidad == u'M' && enHora)
            segundos += std::llround(cantidad * 60);
        else if (unidad == u'S' && enHora)
            segundos += std::llround(cantidad);
        else
            return false;
        s = s.sliced(n + 1);
    }
    *texto = (negativa ? u"-"_s : QString()) + textoDeHora(segundos);
    return true;
}

bool esFormatoFechaIncorporado(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool esCodigoDeFecha(QStringView codigo)
{
    for (qsizetype i = 0; i < codigo.size(); ++i) {
        const QChar c = codigo.at(i).toLower();
        if (c == u';')
            return false;
        if (c == u'"') {
            const qsizetype cierre = codigo.indexOf(u'"', i + 1);
            if (cierre < 0)
                return false;
            i = cierre;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype cierre = codigo.indexOf(u']', i + 1);
            if (cierre < 0)
                return false;
            const QStringView dentro = codigo.sliced(i + 1, cierre - i - 1);
            if (!dentro.isEmpty() && (dentro.front().toLower() == u'h' || dentro.front().toLower() == u'm'
                                      || dentro.front().toLower() == u's'))
                return true;
            i = cierre;
        } else if (c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u's') {
            return true;
        }
    }
    return false;
}

} // namespace torxal
