// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QByteArray>

namespace torxal {

/// The name of one temporary file, known to the handlers of the signals that stop the
/// program (interrupt, terminate, hang-up), which remove it before the program ends; the
/// name is forgotten when the file gets its final name or is removed.
class NombreTemporal {
public:
    NombreTemporal() = default;
    ~NombreTemporal() { olvidar(); }
    NombreTemporal(const NombreTemporal &) = delete;
    NombreTemporal &operator=(const NombreTemporal &) = delete;

    /// Makes `ruta` (as the system spells it) known before the file exists, so no moment
    /// leaves it behind.
    void registrar(const QByteArray &ruta);
    void olvidar();

private:
    void *m_hueco = nullptr;
};

} // namespace torxal
