// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#ifdef Q_OS_WIN
#include <QDir>
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// Whole-file reads and writes for the tests; a file that cannot be read compares as a
// text no document can hold, so the comparison that follows fails visibly.
inline QByteArray leer(const QString &ruta)
{
    QFile fichero(ruta);
    return fichero.open(QIODevice::ReadOnly) ? fichero.readAll() : QByteArray("<no se puede leer>");
}

inline bool escribir(const QString &ruta, const QByteArray &bytes)
{
    QFile fichero(ruta);
    return fichero.open(QIODevice::WriteOnly) && fichero.write(bytes) == bytes.size();
}

// The odd things a folder can hold, made the way each system makes them. Windows has no
// FIFOs at a name, so the rows that need one are skipped there.
#ifdef Q_OS_WIN
constexpr bool EnWindows = true;
constexpr bool HayFifos = false;
inline bool crearFifo(const QString &) { return false; }
// A real symbolic link, not the .lnk shortcut QFile::link makes there.
inline bool enlazarSimbolico(const QString &destino, const QString &nombre)
{
    return ::CreateSymbolicLinkW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(nombre).utf16()),
                                 reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(destino).utf16()),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
}
// Wine makes its links as the host's own, which Windows calls read as plain files or
// folders, not reparse points: where a link cannot be seen as one, its rows are skipped.
inline bool hayEnlacesSimbolicos()
{
    static const bool hay = [] {
        const QString carpeta = QDir::tempPath();
        const QString nombre = carpeta + QStringLiteral("/torxal-enlace-de-prueba");
        QFile::remove(nombre);
        if (!enlazarSimbolico(carpeta, nombre))
            return false;
        const DWORD atributos = ::GetFileAttributesW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(nombre).utf16()));
        ::RemoveDirectoryW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(nombre).utf16()));
        QFile::remove(nombre);
        return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_REPARSE_POINT);
    }();
    return hay;
}
inline bool enlazarDuro(const QString &destino, const QString &nombre)
{
    return ::CreateHardLinkW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(nombre).utf16()),
                             reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(destino).utf16()), nullptr);
}
// The most memory the process has held so far, in KiB.
inline qint64 picoDeMemoriaKiB()
{
    PROCESS_MEMORY_COUNTERS contadores{};
    contadores.cb = sizeof contadores;
    return ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &contadores, sizeof contadores)
        ? qint64(contadores.PeakWorkingSetSize / 1024)
        : 0;
}
#else
constexpr bool EnWindows = false;
constexpr bool HayFifos = true;
inline bool crearFifo(const QString &ruta) { return ::mkfifo(QFile::encodeName(ruta).constData(), 0644) == 0; }
inline bool enlazarSimbolico(const QString &destino, const QString &nombre) { return QFile::link(destino, nombre); }
inline bool hayEnlacesSimbolicos() { return true; }
inline bool enlazarDuro(const QString &destino, const QString &nombre)
{
    return ::link(QFile::encodeName(destino).constData(), QFile::encodeName(nombre).constData()) == 0;
}
inline qint64 picoDeMemoriaKiB()
{
    rusage uso{};
    ::getrusage(RUSAGE_SELF, &uso);
    return qint64(uso.ru_maxrss); // KiB on Linux
}
#endif

// Where the settings files are looked for: the user's folder, then the system's
// (XDG_CONFIG_DIRS may name several, separated by colons; Windows has one), and where
// the window keeps what it remembers.
#ifdef Q_OS_WIN
constexpr const char *CarpetaAjustesUsuario = "APPDATA";
constexpr const char *CarpetasAjustesSistema = "PROGRAMDATA";
constexpr const char *CarpetaEstado = "LOCALAPPDATA";
#else
constexpr const char *CarpetaAjustesUsuario = "XDG_CONFIG_HOME";
constexpr const char *CarpetasAjustesSistema = "XDG_CONFIG_DIRS";
constexpr const char *CarpetaEstado = "XDG_STATE_HOME";
#endif

// A text as a program's standard streams carry it: Windows' C runtime ends their lines with CR LF.
inline QString comoEnConsola(QString texto)
{
    return EnWindows ? texto.replace(u'\n', QStringLiteral("\r\n")) : texto;
}
