// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "sistema.h"

#include "mensajes.h"

#include <QDir>
#include <QIODevice>

#include <cerrno>
#include <cstring>

#include <windows.h>

namespace torxal {

namespace {

// Wide calls throughout: the ANSI code page cannot spell every name ("año ñandú.txt").
std::wstring nativa(const QString &ruta)
{
    return QDir::toNativeSeparators(ruta).toStdWString();
}

// A list read straight from its handle, so a failure keeps the system's reason.
class FicheroEntrada final : public QIODevice {
public:
    explicit FicheroEntrada(HANDLE fichero) : m_fichero(fichero) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    ~FicheroEntrada() override { ::CloseHandle(m_fichero); }

    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        LARGE_INTEGER tamano;
        return ::GetFileSizeEx(m_fichero, &tamano) ? qint64(tamano.QuadPart) : 0;
    }
    bool seek(qint64 posicion) override
    {
        LARGE_INTEGER destino;
        destino.QuadPart = posicion;
        if (!::SetFilePointerEx(m_fichero, destino, nullptr, FILE_BEGIN)) {
            setErrorString(razonDelSistema(ultimoErrorDelSistema()));
            return false;
        }
        return QIODevice::seek(posicion);
    }

protected:
    qint64 readData(char *datos, qint64 maximo) override
    {
        DWORD leidos = 0;
        const DWORD pedidos = DWORD(std::min<qint64>(maximo, 1 << 30));
        if (!::ReadFile(m_fichero, datos, pedidos, &leidos, nullptr)) {
            setErrorString(razonDelSistema(ultimoErrorDelSistema()));
            return -1;
        }
        return qint64(leidos);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    HANDLE m_fichero;
};

constexpr DWORD Compartido = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Symbolic links and junctions are links; other reparse points (a cloud file's
// placeholder, deduplicated data) are the files they stand for.
bool esEnlace(const std::wstring &ruta)
{
    WIN32_FIND_DATAW datos;
    const HANDLE busqueda = ::FindFirstFileW(ruta.c_str(), &datos);
    if (busqueda == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(busqueda);
    return (datos.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        && (datos.dwReserved0 == IO_REPARSE_TAG_SYMLINK || datos.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

QString nombreFinal(const QString &ruta)
{
    qsizetype i = ruta.size() - 1;
    while (i >= 0 && !esSeparadorDeRuta(ruta.at(i)))
        --i;
    QString nombre = ruta.mid(i + 1);
    // "C:con" names the console as well.
    if (i < 0 && nombre.size() > 2 && nombre.at(1) == u':')
        nombre = nombre.mid(2);
    return nombre;
}

} // namespace

int ultimoErrorDelSistema()
{
    const DWORD codigo = ::GetLastError();
    switch (codigo) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_SEEK:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
        return EIO;
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    default:
        return codigo == 0 ? EIO : -int(codigo);
    }
}

QString razonPropiaDelSistema(int error)
{
    if (error >= 0)
        return QString::fromLocal8Bit(std::strerror(error));
    wchar_t *texto = nullptr;
    const DWORD longitud = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                                | FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, DWORD(-error), 0, reinterpret_cast<wchar_t *>(&texto), 0, nullptr);
    QString razon = longitud ? QString::fromWCharArray(texto, int(longitud)).trimmed() : QString::number(-error);
    ::LocalFree(texto);
    // The system ends its sentences with a dot; ours never do.
    if (razon.endsWith(u'.'))
        razon.chop(1);
    return razon;
}

bool abrirParaLeer(const QString &ruta, std::unique_ptr<QIODevice> *entrada, TipoEntrada *hallado, int *error)
{
    *hallado = TipoEntrada::Nada;
    if (esNombreDeDispositivo(nombreFinal(ruta))) {
        *hallado = TipoEntrada::Otro;
        return false;
    }
    // Backup semantics open a folder too, so that it is told apart from a missing file.
    const HANDLE fichero = ::CreateFileW(nativa(ruta).c_str(), GENERIC_READ, Compartido, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (fichero == INVALID_HANDLE_VALUE) {
        *error = ultimoErrorDelSistema();
        return false;
    }
    // A pipe, the console or a printer port is no list.
    if (::GetFileType(fichero) != FILE_TYPE_DISK) {
        ::CloseHandle(fichero);
        *hallado = TipoEntrada::Otro;
        return false;
    }
    BY_HANDLE_FILE_INFORMATION datos;
    if (!::GetFileInformationByHandle(fichero, &datos)) {
        *error = ultimoErrorDelSistema();
        ::CloseHandle(fichero);
        return false;
    }
    if (datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::CloseHandle(fichero);
        *hallado = TipoEntrada::Directorio;
        return false;
    }
    *entrada = std::make_unique<FicheroEntrada>(fichero);
    *hallado = TipoEntrada::Normal;
    return true;
}

bool examinar(const QString &ruta, bool seguirEnlaces, Examen *examen, int *error)
{
    *examen = Examen{};
    if (esNombreDeDispositivo(nombreFinal(ruta))) {
        examen->tipo = TipoEntrada::Otro;
        return true;
    }
    // Windows answers "not there" for a name longer than its file systems take.
    if (nombreFinal(ruta).size() > 255) {
        *error = ENAMETOOLONG;
        return false;
    }
    const std::wstring nombre = nativa(ruta);
    const DWORD atributos = ::GetFileAttributesW(nombre.c_str());
    if (atributos == INVALID_FILE_ATTRIBUTES) {
        const int fallo = ultimoErrorDelSistema();
        // "Not there" differs from "cannot tell": only the first lets the run go on.
        if (fallo == ENOENT || fallo == ENOTDIR)
            return true;
        *error = fallo;
        return false;
    }
    if (!seguirEnlaces && (atributos & FILE_ATTRIBUTE_REPARSE_POINT) && esEnlace(nombre)) {
        examen->tipo = TipoEntrada::Enlace;
        return true;
    }
    // No access asked for: a file another program holds open is still examined.
    const HANDLE fichero = ::CreateFileW(nombre.c_str(), 0, Compartido, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (fichero == INVALID_HANDLE_VALUE) {
        const int fallo = ultimoErrorDelSistema();
        // A link whose target is gone is still a link; through it, nothing is there.
        if (fallo == ENOENT)
            return true;
        *error = fallo;
        return false;
    }
    BY_HANDLE_FILE_INFORMATION datos;
    const bool leido = ::GetFileInformationByHandle(fichero, &datos);
    const DWORD clase = ::GetFileType(fichero);
    if (!leido)
        *error = ultimoErrorDelSistema();
    ::CloseHandle(fichero);
    if (!leido)
        return false;
    // The volume's serial number and the file's index: the one identity a name has.
    examen->identidad = Identidad{datos.dwVolumeSerialNumber,
                                  (quint64(datos.nFileIndexHigh) << 32) | datos.nFileIndexLow};
    examen->tamano = qint64((quint64(datos.nFileSizeHigh) << 32) | datos.nFileSizeLow);
    if (clase != FILE_TYPE_DISK)
        examen->tipo = TipoEntrada::Otro;
    else if (datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        examen->tipo = TipoEntrada::Directorio;
    else
        examen->tipo = TipoEntrada::Normal;
    return true;
}

bool esSeparadorDeRuta(QChar c)
{
    return c == u'/' || c == u'\\';
}

QStringList carpetasDeConfiguracion()
{
    // An empty or relative value would make the settings depend on the current folder.
    const auto carpeta = [](const char *variable, const QString &siFalta) {
        const QString valor = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        return QDir::isAbsolutePath(valor) ? valor : siFalta;
    };
    return {carpeta("APPDATA", QDir::homePath() + QStringLiteral("/AppData/Roaming")),
            carpeta("PROGRAMDATA", QStringLiteral("C:/ProgramData"))};
}

bool nombresSinMayusculas(const QString &)
{
    // Win32 names are case-insensitive even on a folder marked case-sensitive for WSL:
    // taking them as one can only refuse a run, never overwrite the wrong file.
    return true;
}

bool esNombreDeDispositivo(const QString &nombre)
{
    // The device is named whatever follows its first dot, and trailing spaces and dots vanish.
    QString raiz = nombre.left(nombre.indexOf(u'.')).toUpper();
    while (raiz.endsWith(u' '))
        raiz.chop(1);
    static const QStringList Fijos{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                   QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (Fijos.contains(raiz))
        return true;
    if (raiz.size() != 4 || !(raiz.startsWith(QStringLiteral("COM")) || raiz.startsWith(QStringLiteral("LPT"))))
        return false;
    const QChar cifra = raiz.at(3);
    return (cifra >= u'1' && cifra <= u'9') || cifra == QChar(0xB9) || cifra == QChar(0xB2) || cifra == QChar(0xB3);
}

void sugerirPaginasGrandes(void *, size_t)
{
    // Large pages need a privilege an office user does not hold.
}

} // namespace torxal
