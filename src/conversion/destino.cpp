// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "destino.h"

#include "sistema.h"

namespace torxal {

bool colocarJuntos(std::span<Destino *const> destinos, const QStringList &rutas, const QList<bool> &reemplazar,
                   qsizetype *fallida, int *error)
{
    const SenalesRetenidas retenidas;
    const qsizetype n = qsizetype(destinos.size());
    // One document needs no second names: putting it in place is one step already.
    if (n == 1) {
        *fallida = 0;
        return destinos[0]->colocar(rutas[0], reemplazar[0], error);
    }
    const auto soltarApartados = [&](qsizetype hasta) {
        for (qsizetype j = 0; j < hasta; ++j)
            destinos[size_t(j)]->confirmar();
    };
    for (qsizetype i = 0; i < n; ++i) {
        if (reemplazar[i] && !destinos[size_t(i)]->apartarAnterior(rutas[i], error)) {
            soltarApartados(i);
            *fallida = i;
            return false;
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (destinos[size_t(i)]->colocar(rutas[i], reemplazar[i], error))
            continue;
        for (qsizetype j = 0; j < i; ++j)
            destinos[size_t(j)]->deshacer();
        soltarApartados(n);
        *fallida = i;
        return false;
    }
    soltarApartados(n);
    return true;
}

} // namespace torxal
