#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace torxal {

/// Where a document's bytes go: a temporary file beside its target, which becomes the
/// target only at the very end, so an earlier document survives any failure. Tests put
/// failing or in-memory ones in.
class Destino {
public:
    virtual ~Destino() = default;
    /// Creates the temporary file; nothing at any target name changes.
    virtual bool abrir(QString *razon) = 0;
    virtual bool escribir(const char *datos, qsizetype longitud, QString *razon) = 0;
    /// Makes the bytes durable and ready to be put in place; no target changes yet.
    virtual bool preparar(QString *razon) = 0;
    /// Puts the document at `ruta`: over a file there when `reemplazar`, else only if
    /// nothing stands there (false when something does, or appeared meanwhile).
    virtual bool colocar(const QString &ruta, bool reemplazar, QString *razon) = 0;
    /// Drops the document; every target stays as it was.
    virtual void descartar() = 0;
};

/// Makes the destination of a document that will be put at `ruta` or beside it.
using FabricaDestino = std::function<std::unique_ptr<Destino>(const QString &ruta)>;

/// A temporary file in the folder of `ruta`: a nameless one where the file system has
/// them (nothing is left behind whatever happens), else a hidden named one, removed on
/// failure and when the program is stopped by SIGINT, SIGTERM or SIGHUP.
std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta);

} // namespace torxal
