// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// How the texts of mensajes.cpp are worded for a run: their arguments put in place,
// numbers and sizes as Spanish writes them, failures turned into messages.

#include "mensajes.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace torxal {

QString numeroEnEspanol(qint64 numero)
{
    QString cifras = QString::number(numero < 0 ? -numero : numero);
    // Four digits go together, as the RAE writes them; from five on, a point every three.
    if (cifras.size() > 4)
        for (qsizetype i = cifras.size() - 3; i > 0; i -= 3)
            cifras.insert(i, u'.');
    return numero < 0 ? u'-' + cifras : cifras;
}

QString tamanoEnEspanol(qint64 bytes)
{
    constexpr qint64 Mega = 1024 * 1024;
    if (bytes < Mega)
        return textoDe(Texto::TamanoKB, {numeroEnEspanol((bytes + 1023) / 1024)});
    const qint64 decimas = (bytes * 10 + Mega / 2) / Mega;
    return textoDe(Texto::TamanoMB, {numeroEnEspanol(decimas / 10) + u',' + QString::number(decimas % 10)});
}

QString textoLineas(const QList<qint64> &primeras, qint64 total, bool filas)
{
    QStringList numeros;
    for (qint64 linea : primeras)
        numeros.append(numeroEnEspanol(linea));
    QString texto = numeros.join(textoDe(Texto::Separador));
    if (total > primeras.size())
        texto = textoDe(Texto::LineasYMas, {texto, numeroEnEspanol(total - primeras.size())});
    if (filas)
        return textoDe(total == 1 ? Texto::FilasUna : Texto::FilasVarias, {texto});
    return textoDe(total == 1 ? Texto::LineasUna : Texto::LineasVarias, {texto});
}

QString textoDe(Texto id, const QStringList &argumentos)
{
    QString texto = QString::fromUtf16(plantillaDe(id).texto);
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
    mensaje.estilo = plantillaDe(id).estilo;
    mensaje.detalle = detalle;
    return mensaje;
}

bool fallar(Fallo *fallo, Texto que, const QStringList &argumentos, int error)
{
    if (fallo)
        *fallo = Fallo{que, argumentos, error, Texto::Ninguno, {}, {}};
    return false;
}

bool fallarPorMotivo(Fallo *fallo, Texto que, const QStringList &argumentos, Texto motivo,
                     const QStringList &argumentosMotivo)
{
    if (fallo)
        *fallo = Fallo{que, argumentos, 0, motivo, argumentosMotivo, {}};
    return false;
}

bool fallarPorRazon(Fallo *fallo, Texto que, const QStringList &argumentos, const QString &razon)
{
    if (fallo)
        *fallo = Fallo{que, argumentos, 0, Texto::Ninguno, {}, razon};
    return false;
}

QString textoMotivo(const Fallo &fallo)
{
    if (fallo.motivo != Texto::Ninguno)
        return textoDe(fallo.motivo, fallo.argumentosMotivo);
    return fallo.error != 0 ? razonDelSistema(fallo.error) : fallo.razon;
}

Mensaje crearMensaje(const Fallo &fallo)
{
    if (fallo.que == Texto::Ninguno)
        return {};
    return crearMensaje(fallo.que, fallo.argumentos, textoMotivo(fallo));
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
