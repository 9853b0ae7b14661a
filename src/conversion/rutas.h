#pragma once

#include <QString>

namespace torxal {

/// How an input path splits into the pieces the run names in its messages.
struct RutaSalida {
    QString directorio;    // up to and including the last separator, as given; empty when there is none
    QString nombreEntrada; // what follows the last separator
    QString nombreSalida;  // the input name up to its first dot, then "xml"
    QString ruta() const { return directorio + nombreSalida; }
};

/// The output lands beside the input: same directory, name cut at the first dot, extension xml.
RutaSalida derivarRutaSalida(const QString &rutaEntrada);

/// Leading and trailing U+0020 removed (tabs and other blanks stay).
QString recortarEspacios(const QString &texto);

struct Existencia {
    bool comprobada = false; // false when the system could not tell; `razon` says why
    bool existe = false;
    QString razon;
};

/// Whether anything (a file, a directory) stands at `ruta`.
Existencia comprobarExistencia(const QString &ruta);

/// True when both paths name the same file, through a link, a second name or letter case.
bool esMismoFichero(const QString &a, const QString &b);

} // namespace torxal
