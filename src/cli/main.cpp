#include "lineadeordenes.h"
#include "mensajes.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

int main(int argc, char **argv)
{
    QCoreApplication aplicacion(argc, argv);
    torxal::instalarCatalogoQt(aplicacion);
    QTextStream salida(stdout);
    QTextStream errores(stderr);
    QTextStream entrada(stdin);
#ifdef Q_OS_UNIX
    const bool terminal = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
#else
    const bool terminal = false;
#endif
    torxal::Consola consola{salida, errores, terminal ? &entrada : nullptr};
    return torxal::ejecutarLineaDeOrdenes(aplicacion.arguments().mid(1), consola);
}
