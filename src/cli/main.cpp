// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "lineadeordenes.h"
#include "mensajes.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <unistd.h>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#endif

namespace {

// Standard output written straight to its descriptor, so the reason of the first failed write is
// the one the user is told; a later unrelated call cannot overwrite it. After a failure the rest
// is dropped: the lists still get converted.
class SalidaEstandar final : public QIODevice {
public:
    explicit SalidaEstandar(int error) : m_error(error) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int error() const { return m_error; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *datos, qint64 tamano) override
    {
        for (qint64 escrito = 0; m_error == 0 && escrito < tamano;) {
            const ssize_t hecho = ::write(STDOUT_FILENO, datos + escrito, size_t(tamano - escrito));
            if (hecho >= 0)
                escrito += hecho;
            else if (errno != EINTR)
                m_error = errno;
        }
        return tamano;
    }

private:
    int m_error;
};

} // namespace

int main(int argc, char **argv)
{
    // A closed standard output must not lend its number to the first file the run opens, or the
    // summary would be written into a document; the slot is held by /dev/null and the run fails.
    // Windows opens the run's files by handle, never at a C descriptor, and has no SIGPIPE.
    int errorSalida = 0;
#ifndef Q_OS_WIN
    if (fcntl(STDOUT_FILENO, F_GETFD) == -1 && errno == EBADF) {
        errorSalida = EBADF;
        const int nulo = open("/dev/null", O_WRONLY);
        if (nulo >= 0 && nulo != STDOUT_FILENO)
            close(nulo);
    }
    // A reader that stops early (| head) is an unwritable summary, not a reason to stop converting.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    QCoreApplication aplicacion(argc, argv);
#ifdef Q_OS_WIN
    // The summary is UTF-8; a console left at its OEM code page would garble every accent.
    ::SetConsoleOutputCP(CP_UTF8);
#endif
    torxal::instalarCatalogoQt(aplicacion);
    SalidaEstandar dispositivo(errorSalida);
    QTextStream salida(&dispositivo);
    QTextStream errores(stderr);
    QTextStream entrada(stdin);
    const bool terminal = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    torxal::Consola consola{salida, errores, terminal ? &entrada : nullptr};
    const int estado = torxal::ejecutarLineaDeOrdenes(aplicacion.arguments().mid(1), consola);
    salida.flush();
    // A summary that never reached its reader is no success (a full disk, /dev/full).
    if (dispositivo.error() != 0) {
        errores << QStringLiteral("torxal-cli: no se puede escribir en la salida estándar: ")
                << torxal::razonDelSistema(dispositivo.error()) << Qt::endl;
        return 1;
    }
    return estado;
}
