// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "rutas.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace torxal {

namespace {

// Leading and trailing U+0020 removed (tabs and other blanks stay).
QString recortarEspacios(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && texto.at(inicio) == u' ')
        ++inicio;
    while (fin > inicio && texto.at(fin - 1) == u' ')
        --fin;
    return texto.sliced(inicio, fin - inicio);
}

// Standard input and the descriptors of a process are names for an open file, not a
// place: a document "beside" them would land in /dev or /proc.
bool esDescriptorAbierto(const QString &ruta)
{
    static const QRegularExpression descriptor(QStringLiteral("^/(dev/(std(in|out|err)|fd/\\d+)|proc/[^/]+/fd/\\d+)$"));
    return descriptor.match(QDir::cleanPath(QFileInfo(ruta).absoluteFilePath())).hasMatch();
}

QString absoluta(const QString &ruta)
{
    return QDir::cleanPath(QFileInfo(ruta).absoluteFilePath());
}

} // namespace

QString RutaSalida::rutaParte(int numero) const
{
    return directorio + nombreSalida.chopped(4) + u'-' + QString::number(numero) + QStringLiteral(".xml");
}

RutaSalida derivarRutaSalida(const QString &rutaEntrada)
{
    RutaSalida ruta;
    qsizetype separador = rutaEntrada.size() - 1;
    while (separador >= 0 && !esSeparadorDeRuta(rutaEntrada.at(separador)))
        --separador;
    // The directory is kept as given: trimming " /sub/" would turn a relative folder into
    // an absolute one, and the output must land beside the list whatever the path looks like.
    ruta.directorio = rutaEntrada.left(separador + 1);
    ruta.nombreEntrada = recortarEspacios(rutaEntrada.mid(separador + 1));
    qsizetype punto = ruta.nombreEntrada.indexOf(u'.');
    // A hidden list (".oculto.txt") has nothing before its first dot: cut at the last one,
    // so it does not collide with every other hidden list; ".txt" alone is kept whole.
    if (punto == 0) {
        punto = ruta.nombreEntrada.lastIndexOf(u'.');
        if (punto == 0)
            punto = -1;
    }
    ruta.nombreSalida = punto < 0 ? ruta.nombreEntrada + QStringLiteral(".xml")
                                  : recortarEspacios(ruta.nombreEntrada.left(punto + 1)) + QStringLiteral("xml");
    return ruta;
}

int numeroDeParte(const RutaSalida &nombres, const QString &nombre)
{
    const QString raiz = nombres.nombreSalida.chopped(4) + u'-';
    if (!nombre.startsWith(raiz) || !nombre.endsWith(QStringLiteral(".xml")))
        return 0;
    const QString numero = nombre.sliced(raiz.size()).chopped(4);
    bool esNumero = false;
    const int n = numero.toInt(&esNumero);
    // Only the names a run of ours gives: "lista-7.xml", not "lista-07.xml" nor "lista-+7.xml".
    return esNumero && n > 0 && QString::number(n) == numero ? n : 0;
}

bool identificar(const QString &ruta, Identidad *identidad)
{
    Examen examen;
    int error = 0;
    // A device's name (Windows' "con") is no file: it has no identity to share with one.
    if (!examinar(ruta, true, &examen, &error) || examen.tipo == TipoEntrada::Nada || examen.identidad == Identidad{})
        return false;
    *identidad = examen.identidad;
    return true;
}

bool examinarSalida(const QString &salida, const QString &entrada, const QList<SalidaEscrita> &escritas,
                    bool *existe, Fallo *fallo)
{
    *existe = false;
    Examen examen;
    int error = 0;
    if (!examinar(salida, false, &examen, &error))
        return fallar(fallo, Texto::NoSeCrea, {salida}, error);
    if (examen.tipo == TipoEntrada::Nada)
        return true;
    Identidad deEntrada;
    const bool hayEntrada = identificar(entrada, &deEntrada);
    if (examen.tipo == TipoEntrada::Enlace) {
        Identidad destino;
        const bool mismo = hayEntrada && identificar(salida, &destino) && destino == deEntrada;
        return fallar(fallo, mismo ? Texto::MismoFichero : Texto::SalidaEsEnlace, mismo ? QStringList() : QStringList{salida});
    }
    if (hayEntrada && examen.identidad == deEntrada)
        return fallar(fallo, Texto::MismoFichero);
    if (examen.tipo != TipoEntrada::Normal)
        return fallar(fallo, Texto::SalidaNoNormal, {salida});
    const auto escrita = std::find_if(escritas.cbegin(), escritas.cend(),
                                      [&](const SalidaEscrita &s) { return s.identidad == examen.identidad; });
    if (escrita != escritas.cend())
        return fallar(fallo, Texto::SalidaDeOtraLista, {salida, escrita->lista, entrada});
    *existe = true;
    return true;
}

bool planificarRutas(const QString &rutaEntrada, const QList<SalidaEscrita> &escritas, PlanRutas *plan,
                     Fallo *fallo)
{
    if (recortarEspacios(rutaEntrada).isEmpty())
        return fallar(fallo, Texto::FicheroObligatorio);
    plan->nombres = derivarRutaSalida(rutaEntrada);
    // Where names differ only in case the file system takes them for one: LISTA.XML is its own output.
    const Qt::CaseSensitivity mayusculas = nombresSinMayusculas(rutaEntrada) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (plan->nombres.nombreSalida.compare(plan->nombres.nombreEntrada, mayusculas) == 0)
        return fallar(fallo, Texto::MismoFichero);
    if (esDescriptorAbierto(rutaEntrada))
        return fallar(fallo, Texto::EntradaSinCarpeta, {rutaEntrada});
    return examinarSalida(plan->nombres.ruta(), rutaEntrada, escritas, &plan->existe, fallo);
}

bool examinarInforme(const QString &informe, const QString &entrada, const RutaSalida &nombres, bool *existe,
                     Fallo *fallo)
{
    *existe = false;
    const QString deInforme = absoluta(informe);
    const QFileInfo salida(absoluta(nombres.ruta()));
    Identidad lista;
    Identidad suya;
    const bool esLaLista = identificar(entrada, &lista) && identificar(informe, &suya) && lista == suya;
    const Qt::CaseSensitivity mayusculas = nombresSinMayusculas(informe) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool esSuParte = QFileInfo(deInforme).path().compare(salida.path(), mayusculas) == 0
        && numeroDeParte(nombres, QFileInfo(deInforme).fileName()) > 0;
    if (esLaLista || deInforme.compare(salida.filePath(), mayusculas) == 0 || esSuParte)
        return fallar(fallo, Texto::InformeEsLaLista, {informe});
    Examen examen;
    int error = 0;
    if (!examinar(informe, false, &examen, &error))
        return fallar(fallo, Texto::NoSeEscribeInforme, {informe}, error);
    switch (examen.tipo) {
    case TipoEntrada::Nada:
        return true;
    case TipoEntrada::Normal:
        *existe = true;
        return true;
    case TipoEntrada::Enlace:
        return fallar(fallo, Texto::InformeEsEnlace, {informe});
    case TipoEntrada::Directorio:
    case TipoEntrada::Otro:
        break;
    }
    return fallar(fallo, Texto::InformeNoNormal, {informe});
}

QStringList buscarRestos(const RutaSalida &nombres, int partes)
{
    const QDir carpeta(nombres.directorio.isEmpty() ? QStringLiteral(".") : nombres.directorio);
    QList<int> numeros;
    const QStringList candidatos = carpeta.entryList({nombres.nombreSalida.chopped(4) + QStringLiteral("-*.xml")},
                                                     QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &nombre : candidatos) {
        const int n = numeroDeParte(nombres, nombre);
        if (n > (partes > 1 ? partes : 0))
            numeros.append(n);
    }
    std::sort(numeros.begin(), numeros.end());
    QStringList restos;
    if (partes > 1 && carpeta.exists(nombres.nombreSalida))
        restos.append(nombres.nombreSalida);
    for (int n : std::as_const(numeros))
        restos.append(nombres.nombreSalida.chopped(4) + u'-' + QString::number(n) + QStringLiteral(".xml"));
    return restos;
}

} // namespace torxal
