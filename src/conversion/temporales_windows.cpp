// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "sistema.h"
#include "temporales.h"

#include <QString>

#include <list>
#include <mutex>
#include <string>

#include <windows.h>

namespace torxal {

namespace {

// The console's events (Ctrl+C, Ctrl+Break, its window closed, the session ending) reach
// the program on a thread of their own, which may take locks like any other.
std::mutex g_cerrojo;
std::list<std::wstring> g_temporales; // a list: an entry's place survives the others' coming and going

// A SenalesRetenidas holds this shared; the handler takes it whole and keeps it, so a
// placement under way completes and none starts after it.
SRWLOCK g_retencion = SRWLOCK_INIT;

BOOL WINAPI quitarTemporales(DWORD evento)
{
    switch (evento) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    ::AcquireSRWLockExclusive(&g_retencion);
    {
        const std::lock_guard cerrado(g_cerrojo);
        for (const std::wstring &ruta : g_temporales)
            ::DeleteFileW(ruta.c_str());
        g_temporales.clear();
    }
    // Then whatever would have happened without us: the end of the program.
    return FALSE;
}

} // namespace

void NombreTemporal::registrar(const QByteArray &ruta)
{
    olvidar();
    static const bool instalado = ::SetConsoleCtrlHandler(quitarTemporales, TRUE);
    Q_UNUSED(instalado);
    const std::lock_guard cerrado(g_cerrojo);
    g_temporales.push_front(QString::fromUtf8(ruta).toStdWString());
    m_hueco = new std::list<std::wstring>::iterator(g_temporales.begin());
}

void NombreTemporal::olvidar()
{
    if (!m_hueco)
        return;
    auto *entrada = static_cast<std::list<std::wstring>::iterator *>(m_hueco);
    {
        const std::lock_guard cerrado(g_cerrojo);
        // The handler may have emptied the list already; then the process is ending.
        if (!g_temporales.empty())
            g_temporales.erase(*entrada);
    }
    delete entrada;
    m_hueco = nullptr;
}

SenalesRetenidas::SenalesRetenidas()
{
    ::AcquireSRWLockShared(&g_retencion);
}

SenalesRetenidas::~SenalesRetenidas()
{
    ::ReleaseSRWLockShared(&g_retencion);
}

} // namespace torxal
