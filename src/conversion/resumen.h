// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "comprobaciones.h"
#include "mensajes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace torxal {

struct ResultadoConversion;

/// One document a run put in place, for the summary.
struct ParteColocada {
    QString ruta;
    qint64 registros = 0;
};

/// What a summary tells besides the warnings.
struct DatosResumen {
    const ResultadoConversion &resultado;
    const Comprobador &comprobador;
    TipoConsulta tipo;
    QList<ParteColocada> partes; // more than one: the parts
    QStringList restos;          // what an earlier run left at the list's names
    bool escrito = true;         // false: a strict run wrote no document after all
    qint64 limite = 0;           // the bytes a part could take; 0: no limit
    qint64 bytes = 0;            // what the document takes, all its parts together
    qint64 aviso = 0;            // past this, without a limit, a note says to split it; 0: never
};

/// The kind's name as the window shows it: "NIF-Apellidos y Nombre".
QString nombreDeTipo(TipoConsulta tipo);

/// The warnings of a run, totted up for its summary as they come.
class Resumen final : public ReceptorAvisos {
public:
    void recibirAviso(const Aviso &aviso) override;

    /// The lines beneath the outcome's message: first the verdict when there is something
    /// to review and a word on the kind when the list looks like another; then the records
    /// written and left out, the warnings by code, the parts and what an earlier run left;
    /// last the size limit used.
    QString texto(const DatosResumen &datos) const;
    /// The verdict, when any record has a warning or was left out: what to do first.
    static QString veredicto(const ResultadoConversion &resultado, const Comprobador &comprobador);
    /// A sheet's warnings name rows, not lines.
    void setFilas(bool filas) { m_filas = filas; }

private:
    std::array<qint64, NumeroDeCodigos> m_avisosPorCodigo{};
    std::array<qint64, NumeroDeCodigos> m_lineasDistintas{};
    std::array<QList<qint64>, NumeroDeCodigos> m_lineasPorCodigo;
    std::array<qint64, NumeroDeCodigos> m_ultimaLinea{};
    bool m_filas = false;
};

/// Hands every warning to the summary and, when there is one, to the report.
class RepartoAvisos final : public ReceptorAvisos {
public:
    RepartoAvisos(Resumen &resumen, ReceptorAvisos *informe) : m_resumen(resumen), m_informe(informe) {}
    void recibirAviso(const Aviso &aviso) override
    {
        m_resumen.recibirAviso(aviso);
        if (m_informe)
            m_informe->recibirAviso(aviso);
    }

private:
    Resumen &m_resumen;
    ReceptorAvisos *m_informe;
};

} // namespace torxal
