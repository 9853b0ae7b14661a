// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "conversor.h"
#include "tabla.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

/// What each column of a table is for, when its header says too little: the window asks
/// over the first rows. The choice is remembered per header (the first row's texts) in
/// $XDG_STATE_HOME/torxal/columnas.ini, and offered again for the next table with that header.
class ElectorColumnas {
public:
    virtual ~ElectorColumnas() = default;

    /// The remembered choice for the header, if any, put in `eleccion`; then the user's,
    /// which is remembered when accepted.
    bool elegirRecordando(QWidget *propietario, const QList<torxal::FilaTabla> &filas, torxal::TipoConsulta tipo,
                          const QString &motivo, torxal::EleccionColumnas *eleccion);

    /// The choices above each column, in the order the dialog offers them.
    enum class Uso { NIF, ApellidosYNombre, Apellidos, Nombre, Provincia, Municipio, Ine, Referencia, Poligono, Parcela,
                     NoUsar };
    static QStringList nombresDeUsos();
    /// The columns' uses for a mapping, and the mapping for uses (`usos` by 0-based column).
    static QList<Uso> usosDe(const torxal::Columnas &columnas, int cuantas);
    static torxal::Columnas columnasDe(const QList<Uso> &usos);
    /// Where the choices are kept.
    static QString rutaMemoria();

protected:
    /// Shows the rows and lets the user choose; false when cancelled.
    virtual bool elegir(QWidget *propietario, const QList<torxal::FilaTabla> &filas, torxal::TipoConsulta tipo,
                        const QString &motivo, torxal::EleccionColumnas *eleccion) = 0;
};

/// The dialog on the desktop.
class ElectorColumnasQt : public ElectorColumnas {
protected:
    bool elegir(QWidget *propietario, const QList<torxal::FilaTabla> &filas, torxal::TipoConsulta tipo,
                const QString &motivo, torxal::EleccionColumnas *eleccion) override;
};
