#include "rutas.h"

#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#endif

namespace torxal {

namespace {

qsizetype ultimoSeparador(const QString &ruta)
{
#ifdef Q_OS_WIN
    return std::max(ruta.lastIndexOf(u'\\'), ruta.lastIndexOf(u'/'));
#else
    return ruta.lastIndexOf(u'/');
#endif
}

} // namespace

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

RutaSalida derivarRutaSalida(const QString &rutaEntrada)
{
    RutaSalida ruta;
    const qsizetype separador = ultimoSeparador(rutaEntrada);
    // The directory is kept as given: trimming " /sub/" would turn a relative folder into
    // an absolute one, and the output must land beside the list whatever the path looks like.
    ruta.directorio = rutaEntrada.left(separador + 1);
    ruta.nombreEntrada = recortarEspacios(rutaEntrada.mid(separador + 1));
    const qsizetype punto = ruta.nombreEntrada.indexOf(u'.');
    // A name without a dot still gets its extension: "lista" gives "lista.xml".
    ruta.nombreSalida = punto < 0 ? ruta.nombreEntrada + QStringLiteral(".xml")
                                  : recortarEspacios(ruta.nombreEntrada.left(punto + 1)) + QStringLiteral("xml");
    return ruta;
}

Existencia comprobarExistencia(const QString &ruta)
{
    Existencia existencia;
#ifdef Q_OS_UNIX
    // stat, not QFileInfo: "cannot tell" must differ from "not there".
    struct stat datos;
    if (::stat(QFile::encodeName(ruta).constData(), &datos) == 0) {
        existencia.comprobada = true;
        existencia.existe = true;
    } else if (errno == ENOENT || errno == ENOTDIR) {
        existencia.comprobada = true;
    } else {
        existencia.razon = QString::fromLocal8Bit(std::strerror(errno));
    }
#else
    existencia.comprobada = true;
    existencia.existe = QFileInfo::exists(ruta);
#endif
    return existencia;
}

bool esMismoFichero(const QString &a, const QString &b)
{
#ifdef Q_OS_UNIX
    struct stat datosA;
    struct stat datosB;
    if (::stat(QFile::encodeName(a).constData(), &datosA) != 0
        || ::stat(QFile::encodeName(b).constData(), &datosB) != 0)
        return false;
    return datosA.st_dev == datosB.st_dev && datosA.st_ino == datosB.st_ino;
#else
    const QString canonicaA = QFileInfo(a).canonicalFilePath();
    return !canonicaA.isEmpty() && canonicaA.compare(QFileInfo(b).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#endif
}

} // namespace torxal
