#include "rutas.h"

#include "mensajes.h"

#include <QFile>

#include <algorithm>

#include <sys/stat.h>

#include <cerrno>

namespace torxal {

namespace {

bool estado(const QString &ruta, bool seguirEnlaces, struct stat *datos)
{
    const QByteArray nativa = QFile::encodeName(ruta);
    return (seguirEnlaces ? ::stat(nativa.constData(), datos) : ::lstat(nativa.constData(), datos)) == 0;
}

Identidad identidadDe(const struct stat &datos)
{
    return Identidad{quint64(datos.st_dev), quint64(datos.st_ino)};
}

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

} // namespace

QString RutaSalida::rutaParte(int numero) const
{
    return directorio + nombreSalida.chopped(4) + u'-' + QString::number(numero) + QStringLiteral(".xml");
}

RutaSalida derivarRutaSalida(const QString &rutaEntrada)
{
    RutaSalida ruta;
    const qsizetype separador = rutaEntrada.lastIndexOf(u'/');
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

bool identificar(const QString &ruta, Identidad *identidad)
{
    struct stat datos;
    if (!estado(ruta, true, &datos))
        return false;
    *identidad = identidadDe(datos);
    return true;
}

ExamenSalida ExisteFichero(const QString &salida, const QString &entrada, const QList<SalidaEscrita> &escritas)
{
    ExamenSalida examen;
    struct stat datos;
    if (!estado(salida, false, &datos)) {
        // "Not there" differs from "cannot tell": only the first lets the run go on.
        if (errno != ENOENT && errno != ENOTDIR) {
            examen.rechazo = Rechazo::NoSeComprueba;
            examen.razon = razonDelSistema(errno);
        }
        return examen;
    }
    Identidad deEntrada;
    const bool hayEntrada = identificar(entrada, &deEntrada);
    if (S_ISLNK(datos.st_mode)) {
        struct stat destino;
        const bool mismo = hayEntrada && estado(salida, true, &destino) && identidadDe(destino) == deEntrada;
        examen.rechazo = mismo ? Rechazo::MismoFichero : Rechazo::SalidaEsEnlace;
        return examen;
    }
    const Identidad identidad = identidadDe(datos);
    if (hayEntrada && identidad == deEntrada) {
        examen.rechazo = Rechazo::MismoFichero;
        return examen;
    }
    if (!S_ISREG(datos.st_mode)) {
        examen.rechazo = Rechazo::SalidaNoNormal;
        return examen;
    }
    const auto escrita = std::find_if(escritas.cbegin(), escritas.cend(),
                                      [&](const SalidaEscrita &s) { return s.identidad == identidad; });
    if (escrita != escritas.cend()) {
        examen.rechazo = Rechazo::SalidaDeOtraLista;
        examen.otraLista = escrita->lista;
        return examen;
    }
    examen.existe = true;
    return examen;
}

PlanRutas planificarRutas(const QString &rutaEntrada, const QList<SalidaEscrita> &escritas)
{
    PlanRutas plan;
    if (recortarEspacios(rutaEntrada).isEmpty()) {
        plan.salida.rechazo = Rechazo::RutaVacia;
        return plan;
    }
    plan.nombres = derivarRutaSalida(rutaEntrada);
    if (plan.nombres.nombreSalida == plan.nombres.nombreEntrada) {
        plan.salida.rechazo = Rechazo::MismoNombre;
        return plan;
    }
    plan.salida = ExisteFichero(plan.nombres.ruta(), rutaEntrada, escritas);
    return plan;
}

} // namespace torxal
