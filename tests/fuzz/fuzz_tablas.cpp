// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// libFuzzer target over the table readers: CSV, XLSX and ODS as the run opens them.
//
// The first byte picks the query kind (modulo 3) and, divided by 3, whether a text that
// does not look like a table is read as CSV all the same. The rest is the list, held in
// memory. Whatever the bytes, a reader either hands rows whose numbers grow, each with
// at most the cells a sheet holds, or stops with a failure that has words; never both
// a row after a stop. A failed promise aborts, which libFuzzer reports with the input saved.

#include "formatolista.h"
#include "hoja.h"
#include "tabla.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace torxal;

namespace {

void exigir(bool condicion, const char *promesa)
{
    if (!condicion) {
        std::fprintf(stderr, "promesa rota: %s\n", promesa);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *datos, std::size_t tamano)
{
    if (tamano < 1)
        return 0;
    const auto tipo = TipoConsulta(datos[0] % 3);
    OpcionesTabla opciones;
    opciones.forzarTabla = (datos[0] / 3) % 2 == 1;
    QByteArray bytes(reinterpret_cast<const char *>(datos + 1), qsizetype(tamano - 1));
    QBuffer lista(&bytes);
    lista.open(QIODevice::ReadOnly);

    FormatoLista formato = FormatoLista::Columnas;
    Fallo fallo;
    if (!reconocerFormato(lista, tipo, opciones, &formato, &fallo)) {
        exigir(fallo.que != Texto::Ninguno, "a format refused says why");
        return 0;
    }
    if (formato == FormatoLista::Columnas)
        return 0;
    std::unique_ptr<LectorTabla> lector = abrirTabla(lista, tipo, formato, opciones, &fallo);
    if (!lector) {
        exigir(fallo.que != Texto::Ninguno, "a table that does not open says why");
        return 0;
    }
    Columnas columnas;
    QList<FilaTabla> leidas;
    if (!buscarCabecera(*lector, tipo, &columnas, &leidas, &fallo))
        return 0;
    exigir(leidas.size() <= 10, "the header is looked for among ten rows");
    FilaTabla fila;
    CamposDeFila campos;
    qint64 anterior = leidas.isEmpty() ? 0 : leidas.constLast().numero;
    while (lector->leerFila(&fila, &fallo)) {
        exigir(fila.numero > anterior, "rows come in order");
        exigir(fila.celdas.size() <= UltimaColumnaHoja, "a row holds at most a sheet's columns");
        anterior = fila.numero;
        extraerCampos(fila, columnas, tipo, &campos);
    }
    exigir(!lector->leerFila(&fila, &fallo), "nothing is read after the end");
    return 0;
}
