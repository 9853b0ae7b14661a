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

/// The warnings of a run, totted up for its summary as they come, and the first of them in
/// words for what a message box keeps behind its details button.
class Resumen final : public ReceptorAvisos {
public:
    void recibirAviso(const Aviso &aviso) override;

    /// The lines beneath the outcome's message: records written and left out, lines read
    /// as Windows-1252, warnings by code, the hint about the kind, the parts and what an
    /// earlier run left.
    /// `escrito` is false when the run wrote no document after all (a strict run).
    QString texto(const ResultadoConversion &resultado, const Comprobador &comprobador,
                  const QList<ParteColocada> &partes, const QStringList &restos, bool escrito = true) const;
    /// One line per warning, as many as a box can hold, and how many more there are.
    QString detalle(qint64 avisos) const;

private:
    std::array<qint64, NumeroDeCodigos> m_avisosPorCodigo{};
    std::array<qint64, NumeroDeCodigos> m_lineasDistintas{};
    std::array<QList<qint64>, NumeroDeCodigos> m_lineasPorCodigo;
    std::array<qint64, NumeroDeCodigos> m_ultimaLinea{};
    QStringList m_detalle;
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
