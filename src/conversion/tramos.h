// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "sistema.h"

#include <new>
#include <vector>

namespace torxal {

// A bucket's keys in chunks of one size, never moved once written: a growing vector
// would copy them over and over, and the freed blocks of many buckets growing in turn
// would leave the memory fragmented. At the end each bucket is copied out whole to be
// sorted; the blocks its chunks came from go with the keys.
// The chunks of every bucket, carved from blocks of 2 MiB that the system may back with
// huge pages: a million keys touch 16 MB, and on a virtual machine a fault for each of
// its 4 KiB pages costs about a tenth of the whole run.
class Bloques {
public:
    static constexpr size_t Bloque = size_t(2) << 20;
    static constexpr size_t Tramo = 4096;

    Bloques() = default;
    Bloques(const Bloques &) = delete;
    Bloques &operator=(const Bloques &) = delete;
    ~Bloques()
    {
        for (void *bloque : m_bloques)
            ::operator delete(bloque, std::align_val_t(Bloque));
    }
    void *pedirTramo()
    {
        if (m_usado == Bloque) {
            m_bloques.push_back(::operator new(Bloque, std::align_val_t(Bloque)));
            sugerirPaginasGrandes(m_bloques.back(), Bloque);
            m_usado = 0;
        }
        void *tramo = static_cast<char *>(m_bloques.back()) + m_usado;
        m_usado += Tramo;
        return tramo;
    }

private:
    std::vector<void *> m_bloques;
    size_t m_usado = Bloque;
};

template<typename T>
class Tramos {
public:
    static constexpr size_t PorTramo = Bloques::Tramo / sizeof(T);

    // Called once a record into one of hundreds of buckets: one pointer to load and bump.
    void anadir(const T &x, Bloques &bloques)
    {
        if (m_libre == m_finTramo)
            abrirTramo(bloques);
        *m_libre++ = x;
    }
    size_t size() const
    {
        return m_tramos.empty() ? 0 : (m_tramos.size() - 1) * PorTramo + size_t(m_libre - m_tramos.back());
    }
    /// Moves every key into `destino` (emptied first) and frees the chunks.
    void volcar(std::vector<T> &destino)
    {
        destino.clear();
        destino.reserve(size());
        for (size_t i = 0; i < m_tramos.size(); ++i)
            destino.insert(destino.end(), m_tramos[i], i + 1 == m_tramos.size() ? m_libre : m_tramos[i] + PorTramo);
        std::vector<T *>().swap(m_tramos);
        m_libre = m_finTramo = nullptr;
    }

private:
    void abrirTramo(Bloques &bloques)
    {
        m_tramos.push_back(static_cast<T *>(bloques.pedirTramo()));
        m_libre = m_tramos.back();
        m_finTramo = m_libre + PorTramo;
    }

    T *m_libre = nullptr;
    T *m_finTramo = nullptr;
    std::vector<T *> m_tramos; // in the blocks of the keys' Bloques
};

template<typename T>
void anadirEn(std::vector<T> &v, const T &x)
{
    if (v.size() == v.capacity())
        v.reserve(v.size() + v.size() / 4 + 16);
    v.push_back(x);
}

} // namespace torxal
