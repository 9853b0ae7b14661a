// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "temporales.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

namespace torxal {

namespace {

// A handler may run at any moment, so it only reads atomic slots that point at strings
// which are never freed while the program runs (a finished file's string is retired,
// not deleted); blocks of slots are chained and never freed either.
struct BloqueTemporales {
    std::atomic<const char *> rutas[64] = {};
    std::atomic<BloqueTemporales *> siguiente{nullptr};
};

BloqueTemporales g_temporales;
std::vector<std::unique_ptr<char[]>> g_retiradas; // owned here; touched only outside handlers
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

} // namespace

void NombreTemporal::registrar(const QByteArray &ruta)
{
    olvidar();
    static const bool instalados = (instalarManejadores(), true);
    Q_UNUSED(instalados);
    auto copia = std::make_unique<char[]>(size_t(ruta.size()) + 1);
    std::memcpy(copia.get(), ruta.constData(), size_t(ruta.size()) + 1);
    const char *texto = copia.get();
    g_retiradas.push_back(std::move(copia));
    for (BloqueTemporales *bloque = &g_temporales;; bloque = bloque->siguiente.load()) {
        for (auto &hueco : bloque->rutas) {
            if (!hueco.load()) {
                hueco.store(texto);
                m_hueco = &hueco;
                return;
            }
        }
        if (!bloque->siguiente.load())
            bloque->siguiente.store(new BloqueTemporales); // never freed: a handler may be walking it
    }
}

void NombreTemporal::olvidar()
{
    if (m_hueco) {
        static_cast<std::atomic<const char *> *>(m_hueco)->store(nullptr);
        m_hueco = nullptr;
    }
}

} // namespace torxal
