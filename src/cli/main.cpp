#include "lineadeordenes.h"
#include "mensajes.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication aplicacion(argc, argv);
    torxal::instalarCatalogoQt(aplicacion);
    QTextStream salida(stdout);
    QTextStream errores(stderr);
    QTextStream entrada(stdin);
    const bool terminal = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    torxal::Consola consola{salida, errores, terminal ? &entrada : nullptr};
    const int estado = torxal::ejecutarLineaDeOrdenes(aplicacion.arguments().mid(1), consola);
    salida.flush();
    // A summary that never reached its reader is no success (a full disk, /dev/full).
    if (salida.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        errores << QStringLiteral("torxal-cli: no se puede escribir en la salida estándar: ")
                << torxal::razonDelSistema(errno) << Qt::endl;
        return 1;
    }
    return estado;
}
