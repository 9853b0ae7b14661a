#pragma once

#include <QList>
#include <QString>

namespace torxal {

/// How an input path splits into the pieces the run names in its messages.
struct RutaSalida {
    QString directorio;    // up to and including the last separator, as given; empty when there is none
    QString nombreEntrada; // what follows the last separator, trimmed of spaces
    QString nombreSalida;  // the input name cut at its dot, then ".xml"
    QString ruta() const { return directorio + nombreSalida; }
    /// The name of part `numero` when a size limit splits the document: "lista-2.xml".
    QString rutaParte(int numero) const;
};

/// The output lands beside the input: same directory, the name cut at its first dot
/// (at its last when the name starts with its dot), extension xml.
RutaSalida derivarRutaSalida(const QString &rutaEntrada);

/// Which file a path names, whatever name reaches it.
struct Identidad {
    quint64 dispositivo = 0;
    quint64 nodo = 0;
    bool operator==(const Identidad &) const = default;
};

/// The identity of the file at `ruta`, through links; false when nothing is there.
bool identificar(const QString &ruta, Identidad *identidad);

/// An output written earlier in the same call, and the list it came from.
struct SalidaEscrita {
    Identidad identidad;
    QString lista;
};

/// Why the run will not write an output.
enum class Rechazo {
    Ninguno,
    RutaVacia,         // no input path at all
    MismoNombre,       // the output's name is the input's
    NoSeComprueba,     // the system cannot tell what stands at the output's name
    MismoFichero,      // the output would be the input, through a link or a second name
    SalidaEsEnlace,    // a symbolic link stands at the output's name
    SalidaNoNormal,    // a directory, device, socket or FIFO stands there
    SalidaDeOtraLista, // another list of the same call wrote it
};

/// What stands at one output name, from one lstat (and a stat of what a link names).
struct ExamenSalida {
    Rechazo rechazo = Rechazo::Ninguno;
    bool existe = false; // a regular file the run may replace when the user agrees
    QString razon;       // the system's reason, for NoSeComprueba
    QString otraLista;   // the earlier list, for SalidaDeOtraLista
};

/// Whether a file exists at `salida`, and whether the run may write there for the list
/// at `entrada`, given the outputs already written in the same call.
ExamenSalida ExisteFichero(const QString &salida, const QString &entrada, const QList<SalidaEscrita> &escritas);

/// Everything the run needs to know about its paths before it reads a byte.
struct PlanRutas {
    RutaSalida nombres;
    ExamenSalida salida;
};

/// Answers the path questions of a run, in the order the run asks them.
PlanRutas planificarRutas(const QString &rutaEntrada, const QList<SalidaEscrita> &escritas);

} // namespace torxal
