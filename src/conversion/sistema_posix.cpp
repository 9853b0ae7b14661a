// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "sistema.h"

#include "mensajes.h"

#include <QDir>
#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torxal {

namespace {

// A list read straight from its descriptor, so a failure keeps the system's reason.
class FicheroEntrada final : public QIODevice {
public:
    explicit FicheroEntrada(int fd) : m_fd(fd) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    ~FicheroEntrada() override { ::close(m_fd); }

    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        struct stat datos;
        return ::fstat(m_fd, &datos) == 0 ? qint64(datos.st_size) : 0;
    }
    bool seek(qint64 posicion) override
    {
        if (::lseek(m_fd, off_t(posicion), SEEK_SET) < 0) {
            setErrorString(razonDelSistema(errno));
            return false;
        }
        return QIODevice::seek(posicion);
    }

protected:
    qint64 readData(char *datos, qint64 maximo) override
    {
        for (;;) {
            const ssize_t leidos = ::read(m_fd, datos, size_t(maximo));
            if (leidos >= 0)
                return leidos;
            if (errno != EINTR) {
                setErrorString(razonDelSistema(errno));
                return -1;
            }
        }
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    int m_fd;
};

TipoEntrada tipoDe(mode_t modo)
{
    if (S_ISREG(modo))
        return TipoEntrada::Normal;
    if (S_ISDIR(modo))
        return TipoEntrada::Directorio;
    if (S_ISLNK(modo))
        return TipoEntrada::Enlace;
    return TipoEntrada::Otro;
}

sigset_t senalesDeParada()
{
    sigset_t senales;
    sigemptyset(&senales);
    for (int senal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&senales, senal);
    return senales;
}

} // namespace

bool abrirParaLeer(const QString &ruta, std::unique_ptr<QIODevice> *entrada, TipoEntrada *hallado, int *error)
{
    *hallado = TipoEntrada::Nada;
    const QByteArray nativa = QFile::encodeName(ruta);
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int fd = ::open(nativa.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat datos;
    if (fd < 0) {
        *error = errno;
        // A socket cannot be opened at all; it is still "not a regular file" to the user.
        if (::stat(nativa.constData(), &datos) == 0 && !S_ISREG(datos.st_mode) && !S_ISDIR(datos.st_mode))
            *hallado = TipoEntrada::Otro;
        return false;
    }
    if (::fstat(fd, &datos) != 0) {
        *error = errno;
        ::close(fd);
        return false;
    }
    if (!S_ISREG(datos.st_mode)) {
        ::close(fd);
        *hallado = tipoDe(datos.st_mode);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    *entrada = std::make_unique<FicheroEntrada>(fd);
    *hallado = TipoEntrada::Normal;
    return true;
}

bool examinar(const QString &ruta, bool seguirEnlaces, Examen *examen, int *error)
{
    const QByteArray nativa = QFile::encodeName(ruta);
    struct stat datos;
    if ((seguirEnlaces ? ::stat(nativa.constData(), &datos) : ::lstat(nativa.constData(), &datos)) != 0) {
        *examen = Examen{};
        // "Not there" differs from "cannot tell": only the first lets the run go on.
        if (errno == ENOENT || errno == ENOTDIR)
            return true;
        *error = errno;
        return false;
    }
    *examen = Examen{tipoDe(datos.st_mode), Identidad{quint64(datos.st_dev), quint64(datos.st_ino)},
                     qint64(datos.st_size)};
    return true;
}

bool esSeparadorDeRuta(QChar c)
{
    return c == u'/';
}

// Qt 6.4's QStandardPaths keeps relative and empty entries of the XDG variables (an empty one
// would read /torxal/torxal.conf), which the XDG rules say to ignore; so the search is done here.
QStringList carpetasDeConfiguracion()
{
    const auto absoluta = [](const QString &ruta) { return ruta.startsWith(u'/'); };
    const QString usuario = qEnvironmentVariable("XDG_CONFIG_HOME");
    QStringList carpetas{absoluta(usuario) ? usuario : QDir::homePath() + QStringLiteral("/.config")};
    QStringList sistema;
    for (const QString &carpeta : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':')) {
        if (absoluta(carpeta))
            sistema << carpeta;
    }
    if (sistema.isEmpty())
        sistema << QStringLiteral("/etc/xdg");
    return carpetas + sistema;
}

int ultimoErrorDelSistema()
{
    return errno;
}

QString razonPropiaDelSistema(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool nombresSinMayusculas(const QString &)
{
    return false;
}

bool esNombreDeDispositivo(const QString &)
{
    return false;
}

SenalesRetenidas::SenalesRetenidas()
{
    static_assert(sizeof(sigset_t) <= sizeof(m_previas));
    const sigset_t senales = senalesDeParada();
    ::pthread_sigmask(SIG_BLOCK, &senales, reinterpret_cast<sigset_t *>(m_previas));
}

SenalesRetenidas::~SenalesRetenidas()
{
    ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t *>(m_previas), nullptr);
}

void sugerirPaginasGrandes(void *inicio, size_t bytes)
{
#ifdef MADV_HUGEPAGE
    ::madvise(inicio, bytes, MADV_HUGEPAGE);
#else
    Q_UNUSED(inicio);
    Q_UNUSED(bytes);
#endif
}

} // namespace torxal
