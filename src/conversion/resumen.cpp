// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "resumen.h"

#include "bucle.h"

namespace torxal {

namespace {

constexpr qsizetype LineasPorAviso = 10;

QString nombreDe(const QString &ruta)
{
    return ruta.mid(ruta.lastIndexOf(u'/') + 1);
}

} // namespace

void Resumen::recibirAviso(const Aviso &aviso)
{
    const auto codigo = size_t(aviso.codigo);
    QList<qint64> &lineas = m_lineasPorCodigo[codigo];
    // Warnings of one code come in the order of their lines, and a line's records may
    // share a code: its number is listed once.
    if (m_avisosPorCodigo[codigo] == 0 || m_ultimaLinea[codigo] != aviso.linea) {
        if (m_lineasDistintas[codigo]++ < LineasPorAviso)
            lineas.append(aviso.linea);
        m_ultimaLinea[codigo] = aviso.linea;
    }
    ++m_avisosPorCodigo[codigo];
}

QString nombreDeTipo(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return textoDe(Texto::NombreTipoNIF);
    case TipoConsulta::RC:
        return textoDe(Texto::NombreTipoRC);
    case TipoConsulta::PP:
        return textoDe(Texto::NombreTipoPP);
    }
    return {};
}

QString Resumen::veredicto(const ResultadoConversion &resultado, const Comprobador &comprobador)
{
    const qint64 conAvisos = comprobador.registrosConAvisos();
    const qint64 total = resultado.escritos + resultado.omitidos;
    if (conAvisos == 0 && resultado.omitidos == 0)
        return {};
    const QString registros = total == 1 ? textoDe(Texto::CuentaRegistroUno)
                                         : textoDe(Texto::CuentaRegistros, {numeroEnEspanol(total)});
    QStringList piezas;
    if (conAvisos > 0)
        piezas.append(textoDe(conAvisos == 1 ? Texto::VeredictoConAvisosUno : Texto::VeredictoConAvisos,
                              {numeroEnEspanol(conAvisos), registros}));
    if (resultado.omitidos > 0) {
        const bool uno = resultado.omitidos == 1;
        piezas.append(conAvisos > 0
                          ? textoDe(uno ? Texto::VeredictoOmitidosUno : Texto::VeredictoOmitidos,
                                    {numeroEnEspanol(resultado.omitidos)})
                          : textoDe(uno ? Texto::VeredictoOmitidosDeUno : Texto::VeredictoOmitidosDe,
                                    {numeroEnEspanol(resultado.omitidos), registros}));
    }
    return textoDe(Texto::VeredictoRevise, {piezas.join(textoDe(Texto::Y))});
}

QString Resumen::texto(const DatosResumen &d) const
{
    const ResultadoConversion &resultado = d.resultado;
    QStringList lineas;
    if (const QString primero = veredicto(resultado, d.comprobador); !primero.isEmpty())
        lineas.append(primero);
    const qint64 deOtroTipo = d.comprobador.registrosDeOtroTipo();
    if (deOtroTipo >= 3 && 2 * deOtroTipo >= resultado.escritos) {
        const std::optional<TipoConsulta> aparente = d.comprobador.tipoAparente();
        lineas.append(aparente ? textoDe(Texto::ResumenPareceOtroTipo, {nombreDeTipo(*aparente)})
                               : textoDe(Texto::ResumenCompruebeTipo));
    }
    if (resultado.utf16SinMarca)
        lineas.append(textoDe(Texto::ResumenUtf16SinMarca,
                              {resultado.utf16SinMarca == OrdenUtf16::LE ? QStringLiteral("LE") : QStringLiteral("BE")}));
    if (!resultado.columnas.isEmpty())
        lineas.append(resultado.columnas);
    lineas.append(textoDe(d.escrito ? Texto::ResumenEscritos : Texto::ResumenNoEscritos,
                          {numeroEnEspanol(resultado.escritos)}));
    lineas.append(textoDe(Texto::ResumenOmitidos,
                          {numeroEnEspanol(resultado.omitidos),
                           resultado.omitidos > 0 ? textoLineas(resultado.lineasOmitidas, resultado.omitidos, m_filas) : QString()}));
    lineas.append(textoDe(Texto::ResumenConAvisos, {numeroEnEspanol(d.comprobador.registrosConAvisos())}));
    for (const DescripcionAviso &descripcion : descripcionesAvisos()) {
        const auto codigo = size_t(descripcion.codigo);
        if (m_avisosPorCodigo[codigo] == 0)
            continue;
        lineas.append(textoDe(Texto::ResumenAviso,
                              {QString::fromUtf16(descripcion.resumen), numeroEnEspanol(m_avisosPorCodigo[codigo]),
                               textoLineas(m_lineasPorCodigo[codigo], m_lineasDistintas[codigo], m_filas)}));
    }
    if (d.partes.size() > 1) {
        QStringList nombres;
        for (const ParteColocada &parte : d.partes)
            nombres.append(parte.registros == 1
                               ? textoDe(Texto::ResumenParteUnRegistro, {nombreDe(parte.ruta)})
                               : textoDe(Texto::ResumenParte, {nombreDe(parte.ruta), numeroEnEspanol(parte.registros)}));
        lineas.append(textoDe(Texto::ResumenPartes, {nombres.join(textoDe(Texto::Separador))}));
    }
    if (!d.restos.isEmpty())
        lineas.append(textoDe(Texto::ResumenRestos, {d.restos.join(textoDe(Texto::Separador))}));
    lineas.append(d.limite > 0 ? textoDe(Texto::ResumenLimite, {tamanoEnEspanol(d.limite)}) : textoDe(Texto::ResumenSinLimite));
    if (d.limite == 0 && d.aviso > 0 && d.bytes > d.aviso)
        lineas.append(textoDe(Texto::ResumenConvieneDividir, {tamanoEnEspanol(d.bytes), tamanoEnEspanol(d.aviso)}));
    return lineas.join(u'\n');
}

} // namespace torxal
