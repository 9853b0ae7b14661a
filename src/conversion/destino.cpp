#include "destino.h"

#include "mensajes.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <csignal>
#include <mutex>
#include <vector>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace torxal {

namespace {

// Named temporary files are removed if a signal stops the program. The handler may run
// on any thread at any moment, so it only reads atomic slots that point at strings
// which are never freed while the program runs (a finished file's string is retired,
// not deleted).
struct BloqueTemporales {
    std::atomic<const char *> rutas[64] = {};
    std::atomic<BloqueTemporales *> siguiente{nullptr};
};

BloqueTemporales g_temporales;
std::vector<std::unique_ptr<char[]>> g_retiradas; // owned here; touched only outside handlers
std::mutex g_mutexTemporales;
struct sigaction g_previas[3];
constexpr int SenalesDeParada[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void quitarTemporalesYParar(int senal)
{
    for (BloqueTemporales *bloque = &g_temporales; bloque; bloque = bloque->siguiente.load()) {
        for (auto &hueco : bloque->rutas)
            if (const char *ruta = hueco.load())
                ::unlink(ruta);
    }
    // Then whatever would have happened without us: usually the end of the program.
    for (int i = 0; i < 3; ++i)
        if (SenalesDeParada[i] == senal)
            ::sigaction(senal, &g_previas[i], nullptr);
    ::raise(senal);
}

void instalarManejadores()
{
    for (int i = 0; i < 3; ++i) {
        struct sigaction previa;
        if (::sigaction(SenalesDeParada[i], nullptr, &previa) != 0)
            continue;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (previa.sa_handler == SIG_IGN)
            continue;
        g_previas[i] = previa;
        struct sigaction nueva = {};
        nueva.sa_handler = quitarTemporalesYParar;
        sigemptyset(&nueva.sa_mask);
        ::sigaction(SenalesDeParada[i], &nueva, nullptr);
    }
}

std::atomic<const char *> *registrarTemporal(const QByteArray &ruta)
{
    static std::once_flag instalados;
    std::call_once(instalados, instalarManejadores);
    const std::lock_guard cerrojo(g_mutexTemporales);
    auto copia = std::make_unique<char[]>(size_t(ruta.size()) + 1);
    std::memcpy(copia.get(), ruta.constData(), size_t(ruta.size()) + 1);
    const char *texto = copia.get();
    g_retiradas.push_back(std::move(copia));
    for (BloqueTemporales *bloque = &g_temporales;; bloque = bloque->siguiente.load()) {
        for (auto &hueco : bloque->rutas) {
            if (!hueco.load()) {
                hueco.store(texto);
                return &hueco;
            }
        }
        if (!bloque->siguiente.load())
            bloque->siguiente.store(new BloqueTemporales); // never freed: a handler may be walking it
    }
}

void olvidarTemporal(std::atomic<const char *> *&hueco)
{
    if (hueco) {
        const std::lock_guard cerrojo(g_mutexTemporales);
        hueco->store(nullptr);
        hueco = nullptr;
    }
}

QString razonActual()
{
    return razonDelSistema(errno);
}

bool fallar(QString *razon)
{
    *razon = razonActual();
    return false;
}

mode_t mascaraDeCreacion()
{
    // umask can only be read by setting it; the new files are created right after.
    const mode_t mascara = ::umask(0);
    ::umask(mascara);
    return mascara;
}

// Lets the tests take the road of file systems without nameless files (network shares).
bool sinTemporalesAnonimos()
{
    return qEnvironmentVariableIsSet("TORXAL_SIN_TEMPORALES_ANONIMOS");
}

class DestinoFichero final : public Destino {
public:
    explicit DestinoFichero(const QString &ruta) : m_ruta(ruta) {}
    ~DestinoFichero() override { descartar(); }

    bool abrir(QString *razon) override
    {
        const qsizetype barra = m_ruta.lastIndexOf(u'/');
        m_directorio = barra < 0 ? QByteArray(".") : QFile::encodeName(m_ruta.left(barra + 1));
        if (m_directorio.isEmpty())
            m_directorio = "/";
        m_nombre = QFile::encodeName(m_ruta.mid(barra + 1));
        if (!sinTemporalesAnonimos()) {
            m_fd = ::open(m_directorio.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (m_fd >= 0)
                return true;
            // Only "this file system cannot" sends us to a named file; anything else is the answer.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                return fallar(razon);
        }
        if (!crearConNombre(razon))
            return false;
        ::fchmod(m_fd, 0666 & ~mascaraDeCreacion());
        return true;
    }

    bool escribir(const char *datos, qsizetype longitud, QString *razon) override
    {
        while (longitud > 0) {
            const ssize_t escritos = ::write(m_fd, datos, size_t(longitud));
            if (escritos < 0) {
                if (errno == EINTR)
                    continue;
                return fallar(razon);
            }
            // A short write is followed by another, which then says why (a full disk).
            datos += escritos;
            longitud -= escritos;
            m_escritos += escritos;
        }
        empezarAVolcar();
        return true;
    }

    bool preparar(QString *razon) override
    {
        if (::fdatasync(m_fd) != 0)
            return fallar(razon);
        return true;
    }

    bool colocar(const QString &ruta, bool reemplazar, QString *razon) override
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
                    return fallar(razon);
                cerrar();
                return true;
            }
            if (!darNombre(razon))
                return false;
        }
        if (reemplazar) {
            // rename replaces whatever entry stands at the name, a link included, and never
            // writes through it.
            if (::rename(m_temporal.constData(), destino.constData()) != 0)
                return fallar(razon);
        } else if (::renameat2(AT_FDCWD, m_temporal.constData(), AT_FDCWD, destino.constData(), RENAME_NOREPLACE)
                   != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return fallar(razon);
            // Without RENAME_NOREPLACE (some network file systems) a second name does the same.
            if (::link(m_temporal.constData(), destino.constData()) != 0)
                return fallar(razon);
            ::unlink(m_temporal.constData());
        }
        m_temporal.clear();
        olvidarTemporal(m_hueco);
        cerrar();
        return true;
    }

    void descartar() override
    {
        cerrar();
        if (!m_temporal.isEmpty()) {
            ::unlink(m_temporal.constData());
            m_temporal.clear();
        }
        olvidarTemporal(m_hueco);
    }

private:
    QByteArray rutaDescriptor() const { return "/proc/self/fd/" + QByteArray::number(m_fd); }

    QByteArray nombreAlAzar() const
    {
        return m_directorio + (m_directorio.endsWith('/') ? "" : "/") + '.' + m_nombre + '.'
            + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
    }

    // Gives the temporary file a hidden random name beside the target, through `crear`
    // (which makes the name stand for the file, or fails with errno); the name is known to
    // the signal handler before it exists, so no moment leaves it behind.
    template<typename Crear>
    bool ponerNombre(Crear &&crear, QString *razon)
    {
        for (int intento = 0; intento < 100; ++intento) {
            const QByteArray nombre = nombreAlAzar();
            m_hueco = registrarTemporal(nombre);
            if (crear(nombre)) {
                m_temporal = nombre;
                return true;
            }
            const int error = errno;
            olvidarTemporal(m_hueco);
            if (error != EEXIST) {
                *razon = razonDelSistema(error);
                return false;
            }
        }
        *razon = razonDelSistema(EEXIST);
        return false;
    }

    bool crearConNombre(QString *razon)
    {
        return ponerNombre(
            [this](const QByteArray &nombre) {
                m_fd = ::open(nombre.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
                return m_fd >= 0;
            },
            razon);
    }

    bool darNombre(QString *razon)
    {
        return ponerNombre(
            [this](const QByteArray &nombre) {
                return ::linkat(AT_FDCWD, rutaDescriptor().constData(), AT_FDCWD, nombre.constData(), AT_SYMLINK_FOLLOW)
                    == 0;
            },
            razon);
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

    QString m_ruta;
    QByteArray m_directorio;
    QByteArray m_nombre;
    QByteArray m_temporal; // empty while the file has no name
    std::atomic<const char *> *m_hueco = nullptr;
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
