// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "destino.h"

#include "temporales.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torxal {

namespace {

mode_t mascaraDeCreacion()
{
    // umask can only be read by setting it; the new files are created right after.
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    return mascara;
}

// Nameless files are named through /proc; without it (a chroot, a container without
// /proc) they could never get their name, so a hidden named file is used from the start.
// The variable lets the tests take the road of file systems without nameless files.
bool usarTemporalesAnonimos()
{
    return !qEnvironmentVariableIsSet("TORXAL_SIN_TEMPORALES_ANONIMOS") && ::access("/proc/self/fd", X_OK) == 0;
}

// A file-size limit (ulimit -f) would kill the program mid-write; ignored, the write
// fails with EFBIG instead and the run cleans up and says so.
void ignorarLimiteDeTamano()
{
    static const bool ignorado = (::signal(SIGXFSZ, SIG_IGN), true);
    Q_UNUSED(ignorado);
}

bool fallar(int *error)
{
    *error = errno;
    return false;
}

// In a folder with the sticky bit only the owner of a file (or of the folder) may replace
// or remove it; a second name made for someone else's file could never be removed again.
bool sePuedeSustituir(const QByteArray &directorio, const struct stat &fichero)
{
    const uid_t yo = ::geteuid();
    struct stat carpeta;
    if (yo == 0 || ::stat(directorio.constData(), &carpeta) != 0 || !(carpeta.st_mode & S_ISVTX))
        return true;
    return fichero.st_uid == yo || carpeta.st_uid == yo;
}

class DestinoFichero final : public Destino {
public:
    explicit DestinoFichero(const QString &ruta)
    {
        const qsizetype barra = ruta.lastIndexOf(u'/');
        m_directorio = barra < 0 ? QByteArray(".") : QFile::encodeName(ruta.left(barra + 1));
        if (m_directorio.isEmpty())
            m_directorio = "/";
        m_nombre = QFile::encodeName(ruta.mid(barra + 1));
    }
    ~DestinoFichero() override
    {
        descartar();
        confirmar();
    }

    bool abrir(int *error) override
    {
        ignorarLimiteDeTamano();
        if (usarTemporalesAnonimos()) {
            m_fd = ::open(m_directorio.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return true;
            // Only "this file system cannot" sends us to a named file; anything else is the answer.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return fallar(error);
        }
        if (!ponerNombre(
                [this](const QByteArray &nombre) {
                    m_fd = ::open(nombre.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
                    return m_fd >= 0;
                },
                &m_temporal, error))
            return false;
        ::fchmod(m_fd, 0666 & ~mascaraDeCreacion());
        return true;
    }

    bool escribir(const char *datos, qsizetype longitud, int *error) override
    {
        while (longitud > 0) {
            const ssize_t escritos = ::write(m_fd, datos, size_t(longitud));
            if (escritos < 0) {
                if (errno == EINTR)
                    continue;
                return fallar(error);
            }
            // A short write is followed by another, which then says why (a full disk).
            datos += escritos;
            longitud -= escritos;
            m_escritos += escritos;
        }
        empezarAVolcar();
        return true;
    }

    bool preparar(int *error) override
    {
        if (::fdatasync(m_fd) != 0)
            return fallar(error);
        return true;
    }

    bool colocar(const QString &ruta, bool reemplazar, int *error) override
    {
        const QByteArray destino = QFile::encodeName(ruta);
        struct stat anterior;
        // A replaced document keeps the permissions its owner gave it.
        if (reemplazar && ::lstat(destino.constData(), &anterior) == 0 && S_ISREG(anterior.st_mode))
            ::fchmod(m_fd, anterior.st_mode & 07777);
        if (m_temporal.isEmpty()) {
            if (!reemplazar) {
                // A nameless file gets its name only if the name is free: no replacing by surprise.
                if (::linkat(AT_FDCWD, rutaDescriptor().constData(), AT_FDCWD, destino.constData(), AT_SYMLINK_FOLLOW)
                    != 0)
                    return fallar(error);
                terminarColocacion(destino);
                return true;
            }
            if (!ponerNombre(
                    [this](const QByteArray &nombre) {
                        return ::linkat(AT_FDCWD, rutaDescriptor().constData(), AT_FDCWD, nombre.constData(),
                                        AT_SYMLINK_FOLLOW)
                            == 0;
                    },
                    &m_temporal, error))
                return false;
        }
        if (reemplazar) {
            // rename replaces whatever entry stands at the name, a link included, and never
            // writes through it.
            if (::rename(m_temporal.constData(), destino.constData()) != 0)
                return fallar(error);
        } else if (::renameat2(AT_FDCWD, m_temporal.constData(), AT_FDCWD, destino.constData(), RENAME_NOREPLACE)
                   != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return fallar(error);
            // Without RENAME_NOREPLACE (some network file systems) a second name does the same.
            if (::link(m_temporal.constData(), destino.constData()) != 0)
                return fallar(error);
            ::unlink(m_temporal.constData());
        }
        m_temporal.clear();
        m_registro.olvidar();
        terminarColocacion(destino);
        return true;
    }

    void descartar() override
    {
        cerrar();
        if (!m_temporal.isEmpty()) {
            ::unlink(m_temporal.constData());
            m_temporal.clear();
        }
        m_registro.olvidar();
    }

    bool apartarAnterior(const QString &ruta, int *error) override
    {
        const QByteArray anterior = QFile::encodeName(ruta);
        struct stat datos;
        if (::lstat(anterior.constData(), &datos) != 0)
            return fallar(error);
        if (!sePuedeSustituir(m_directorio, datos)) {
            *error = EPERM;
            return false;
        }
        return ponerNombre(
            [&anterior](const QByteArray &nombre) { return ::link(anterior.constData(), nombre.constData()) == 0; },
            &m_apartado, error);
    }

    void deshacer() override
    {
        if (m_colocada.isEmpty())
            return;
        if (!m_apartado.isEmpty()) {
            ::rename(m_apartado.constData(), m_colocada.constData());
            m_apartado.clear();
        } else {
            ::unlink(m_colocada.constData());
        }
        m_colocada.clear();
    }

    void confirmar() override
    {
        if (!m_apartado.isEmpty()) {
            ::unlink(m_apartado.constData());
            m_apartado.clear();
        }
        m_colocada.clear();
    }

private:
    QByteArray rutaDescriptor() const { return "/proc/self/fd/" + QByteArray::number(m_fd); }

    // A hidden random name beside the target that fits wherever the target's name does:
    // a name near the system's limit is shortened for its hidden copy.
    QByteArray nombreAlAzar() const
    {
        const QByteArray azar = QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        QByteArray nombre = m_nombre;
        const qsizetype cabe = NAME_MAX - 2 - azar.size();
        if (nombre.size() > cabe) {
            nombre.truncate(cabe);
            // Never half a UTF-8 character.
            while (!nombre.isEmpty() && (static_cast<unsigned char>(nombre.back()) & 0xC0) == 0x80)
                nombre.chop(1);
            if (!nombre.isEmpty() && static_cast<unsigned char>(nombre.back()) >= 0xC0)
                nombre.chop(1);
        }
        return m_directorio + (m_directorio.endsWith('/') ? "" : "/") + '.' + nombre + '.' + azar;
    }

    // Gives something a hidden random name beside the target through `crear` (which makes
    // the name stand for it, or fails with errno); the name is known to the signal
    // handler before it exists, so no moment leaves it behind.
    template<typename Crear>
    bool ponerNombre(Crear &&crear, QByteArray *nombre, int *error)
    {
        for (int intento = 0; intento < 100; ++intento) {
            const QByteArray candidato = nombreAlAzar();
            NombreTemporal *registro = nombre == &m_temporal ? &m_registro : nullptr;
            if (registro)
                registro->registrar(candidato);
            if (crear(candidato)) {
                *nombre = candidato;
                return true;
            }
            const int fallo = errno;
            if (registro)
                registro->olvidar();
            if (fallo != EEXIST) {
                *error = fallo;
                return false;
            }
        }
        *error = EEXIST;
        return false;
    }

    void terminarColocacion(const QByteArray &destino)
    {
        m_colocada = destino;
        cerrar();
    }

    // The kernel starts writing each large block out while the run converts the next,
    // so the flush at the end has little left to wait for.
    void empezarAVolcar()
    {
        constexpr qint64 Tramo = 8 << 20;
        if (m_escritos - m_volcados >= Tramo) {
            ::sync_file_range(m_fd, m_volcados, m_escritos - m_volcados, SYNC_FILE_RANGE_WRITE);
            m_volcados = m_escritos;
        }
    }

    void cerrar()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

    QByteArray m_directorio;
    QByteArray m_nombre;
    QByteArray m_temporal;  // empty while the file has no name
    QByteArray m_apartado;  // the second name of the document this one replaces, while kept
    QByteArray m_colocada;  // where the document went, until confirmed
    NombreTemporal m_registro;
    int m_fd = -1;
    qint64 m_escritos = 0;
    qint64 m_volcados = 0;
};

} // namespace

std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta)
{
    return std::make_unique<DestinoFichero>(ruta);
}

} // namespace torxal
