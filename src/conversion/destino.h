// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <span>

namespace torxal {

/// Where a document's bytes go: a temporary file beside its target, which becomes the
/// target only at the very end, so an earlier document survives any failure. Tests put
/// failing or in-memory ones in. A failing call gives the system's error number.
class Destino {
public:
    virtual ~Destino() = default;
    /// Creates the temporary file; nothing at any target name changes.
    virtual bool abrir(int *error) = 0;
    virtual bool escribir(const char *datos, qsizetype longitud, int *error) = 0;
    /// Makes the bytes durable and ready to be put in place; no target changes yet.
    virtual bool preparar(int *error) = 0;
    /// Puts the document at `ruta`: over a file there when `reemplazar`, else only if
    /// nothing stands there (EEXIST when something does, or appeared meanwhile).
    virtual bool colocar(const QString &ruta, bool reemplazar, int *error) = 0;
    /// Drops the document; every target stays as it was.
    virtual void descartar() = 0;

    // Several documents go in together through these (see colocarJuntos).
    /// Keeps the document now standing at `ruta` under a second, hidden name, so that it
    /// can come back if another document of the set cannot be placed.
    virtual bool apartarAnterior(const QString &ruta, int *error) = 0;
    /// Undoes a successful colocar: the document kept aside goes back to its name, or the
    /// name is free again when there was none.
    virtual void deshacer() = 0;
    /// The second name goes: what was placed stays for good.
    virtual void confirmar() = 0;
};

/// Makes the destination of a document that will be put at `ruta` or beside it.
using FabricaDestino = std::function<std::unique_ptr<Destino>(const QString &ruta)>;

/// A temporary file in the folder of `ruta`: a nameless one where the file system has
/// them (nothing is left behind whatever happens), else a hidden named one, removed on
/// failure and when the program is stopped by a signal.
std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta);

/// Puts each document at its name, all together or not at all. The signals that stop the
/// program wait until it is done. On failure every name holds what it held before, no
/// second name is left, and `fallida` is the name that could not be placed.
bool colocarJuntos(std::span<Destino *const> destinos, const QStringList &rutas, const QList<bool> &reemplazar,
                   qsizetype *fallida, int *error);

} // namespace torxal
