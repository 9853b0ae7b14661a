// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "sistema.h"

#include <QList>
#include <QString>
#include <QStringList>

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

/// The number N when `nombre` (a file name, no folder) is "lista-N.xml" exactly as a run
/// names its parts ("lista-07.xml" is not one); 0 otherwise.
int numeroDeParte(const RutaSalida &nombres, const QString &nombre);

/// The identity of the file at `ruta`, through links; false when nothing is there.
bool identificar(const QString &ruta, Identidad *identidad);

/// An output written earlier in the same call, and the list it came from.
struct SalidaEscrita {
    Identidad identidad;
    QString lista;
};

/// Whether the run may write `salida` for the list at `entrada`, given the outputs already
/// written in the same call. `existe` when a regular file stands there, which the run
/// replaces only when the user agrees.
bool examinarSalida(const QString &salida, const QString &entrada, const QList<SalidaEscrita> &escritas,
                    bool *existe, Fallo *fallo);

/// Everything the run needs to know about its paths before it reads a byte.
struct PlanRutas {
    RutaSalida nombres;
    bool existe = false; // a document stands at the output's name
};

/// Answers the path questions of a run, in the order the run asks them.
bool planificarRutas(const QString &rutaEntrada, const QList<SalidaEscrita> &escritas, PlanRutas *plan,
                     Fallo *fallo);

/// Whether the report may go to `informe`: never the list itself, nor a name its document
/// or one of its parts takes, never through a link nor over what is not a regular file.
/// `existe` when a file stands there, which is replaced only when the user agrees.
bool examinarInforme(const QString &informe, const QString &entrada, const RutaSalida &nombres, bool *existe,
                     Fallo *fallo);

/// What an earlier run left at the list's names and this run does not write: parts past
/// `partes`, and the whole document when this run writes several parts.
QStringList buscarRestos(const RutaSalida &nombres, int partes);

} // namespace torxal
