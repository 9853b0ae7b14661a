// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "ordenarclaves.h"

#include <algorithm>
#include <array>
#include <utility>

namespace torxal {

namespace {

quint64 primeraPalabra(const Entrada64 &x)
{
    return x.clave;
}
quint64 primeraPalabra(const Entrada128 &x)
{
    return x.alto;
}

// Sorts a bucket's keys by their first word, equal words left in the order they came in,
// which is the list's: a byte at a time from the lowest, over the bytes where the words
// differ. A bucket of a big list holds thousands of keys, where this is faster than
// comparing them.
template<typename T>
void ordenarPorPalabra(std::vector<T> &v, std::vector<T> &auxiliar)
{
    quint64 todos = ~quint64(0);
    quint64 alguno = 0;
    for (const T &x : v) {
        todos &= primeraPalabra(x);
        alguno |= primeraPalabra(x);
    }
    const quint64 varian = todos ^ alguno;
    auxiliar.resize(v.size());
    T *desde = v.data();
    T *hacia = auxiliar.data();
    const size_t n = v.size();
    for (int desplazamiento = 0; desplazamiento < 64; desplazamiento += 8) {
        if (((varian >> desplazamiento) & 0xFF) == 0)
            continue;
        std::array<size_t, 256> donde{};
        for (size_t i = 0; i < n; ++i)
            ++donde[(primeraPalabra(desde[i]) >> desplazamiento) & 0xFF];
        size_t suma = 0;
        for (size_t &d : donde)
            suma += std::exchange(d, suma);
        for (size_t i = 0; i < n; ++i)
            hacia[donde[(primeraPalabra(desde[i]) >> desplazamiento) & 0xFF]++] = desde[i];
        std::swap(desde, hacia);
    }
    if (desde != v.data())
        v.swap(auxiliar);
}

} // namespace

void ordenarPorClave(std::vector<Entrada64> &v, std::vector<Entrada64> &auxiliar)
{
    if (v.size() < 256) {
        std::sort(v.begin(), v.end(), [](const Entrada64 &a, const Entrada64 &b) {
            return a.clave != b.clave ? a.clave < b.clave : a.ordinal < b.ordinal;
        });
        return;
    }
    ordenarPorPalabra(v, auxiliar);
}

void ordenarPorClave(std::vector<Entrada128> &v, std::vector<Entrada128> &auxiliar)
{
    const auto menor = [](const Entrada128 &a, const Entrada128 &b) {
        if (a.alto != b.alto)
            return a.alto < b.alto;
        return a.bajo != b.bajo ? a.bajo < b.bajo : a.ordinal < b.ordinal;
    };
    if (v.size() < 256) {
        std::sort(v.begin(), v.end(), menor);
        return;
    }
    // A reference's first ten characters seldom repeat but in a duplicate or an inclusion,
    // so the few runs they leave are put in order by the rest.
    ordenarPorPalabra(v, auxiliar);
    for (size_t i = 0; i + 1 < v.size();) {
        size_t j = i + 1;
        while (j < v.size() && v[j].alto == v[i].alto)
            ++j;
        if (j - i > 1)
            std::sort(v.begin() + qsizetype(i), v.begin() + qsizetype(j), menor);
        i = j;
    }
}

} // namespace torxal
