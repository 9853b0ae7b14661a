// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;

// The few questions the engine asks the operating system, each behind one small
// function, so the rest of the engine reads the same on every system; sistema_posix.cpp
// answers them on Linux and sistema_windows.cpp on Windows.
namespace torxal {

/// Which file a path names, whatever name reaches it.
struct Identidad {
    quint64 dispositivo = 0;
    quint64 nodo = 0;
    bool operator==(const Identidad &) const = default;
};

/// What stands at a name.
enum class TipoEntrada { Nada, Normal, Directorio, Enlace, Otro };

struct Examen {
    TipoEntrada tipo = TipoEntrada::Nada;
    Identidad identidad;
    qint64 tamano = 0;
};

/// Opens the regular file at `ruta` for reading, without ever blocking: a FIFO, a device
/// or a socket is not read from. False when it is not opened: `hallado` says what stands
/// there when that is not a regular file (a directory, or anything else); otherwise
/// `error` holds the system's error number.
bool abrirParaLeer(const QString &ruta, std::unique_ptr<QIODevice> *entrada, TipoEntrada *hallado, int *error);

/// What stands at `ruta` itself (a link is a link), or through links when `seguirEnlaces`.
/// False when the system cannot tell, with its error number; a name where nothing stands
/// is no failure but TipoEntrada::Nada.
bool examinar(const QString &ruta, bool seguirEnlaces, Examen *examen, int *error);

/// True when names that differ only in case name the same file where `ruta` lives.
bool nombresSinMayusculas(const QString &ruta);

/// A name the system gives to a device rather than a file wherever it stands ("con",
/// "nul"...); false on systems that have none.
bool esNombreDeDispositivo(const QString &nombre);

/// True when `c` ends a folder in a path ("/"; on Windows "\\" too).
bool esSeparadorDeRuta(QChar c);

/// The folders a settings file "torxal/torxal.conf" is looked for in, the user's first,
/// then the system's, most important first.
QStringList carpetasDeConfiguracion();

/// The failure of the last system call, as the engine carries it: an errno value, or a
/// code of the system's own, negated, where errno has no twin.
int ultimoErrorDelSistema();

/// The system's own words for `error` (see ultimoErrorDelSistema), in its language.
QString razonPropiaDelSistema(int error);

/// Tells the system that `bytes` at `inicio` (aligned to 2 MiB) are best backed by huge
/// pages; a hint only, which systems without them ignore.
void sugerirPaginasGrandes(void *inicio, size_t bytes);

/// While one stands, the signals that stop the program (interrupt, terminate, hang-up)
/// wait: what it guards completes before they act, and they act when it goes.
class SenalesRetenidas {
public:
    SenalesRetenidas();
    ~SenalesRetenidas();
    SenalesRetenidas(const SenalesRetenidas &) = delete;
    SenalesRetenidas &operator=(const SenalesRetenidas &) = delete;

private:
    alignas(8) unsigned char m_previas[128]; // the signal mask to restore, as the system keeps it
};

} // namespace torxal
