#include "resumen.h"

#include "bucle.h"

namespace torxal {

namespace {

constexpr qsizetype LineasPorAviso = 10;
// The window lists every warning behind its details button up to this many; a report
// from the command line holds them all.
constexpr qsizetype AvisosDetallados = 5000;

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
    if (m_detalle.size() < AvisosDetallados) {
        const QString linea = QString::number(aviso.linea);
        const QString clave = QString::fromLatin1(describir(aviso.codigo).clave);
        m_detalle.append(aviso.campo.isEmpty()
                             ? textoDe(Texto::DetalleAvisoRegistro, {linea, clave, textoDeAviso(aviso)})
                             : textoDe(Texto::DetalleAvisoCampo,
                                       {linea, clave, aviso.campo,
                                        QString::fromUtf8(aviso.valor.data(), qsizetype(aviso.valor.size())),
                                        textoDeAviso(aviso)}));
    }
}

QString Resumen::texto(const ResultadoConversion &resultado, const Comprobador &comprobador,
                       const QList<ParteColocada> &partes, const QStringList &restos, bool escrito) const
{
    QStringList lineas;
    if (resultado.utf16SinMarca)
        lineas.append(textoDe(Texto::ResumenUtf16SinMarca,
                              {resultado.utf16SinMarca == OrdenUtf16::LE ? QStringLiteral("LE") : QStringLiteral("BE")}));
    lineas.append(textoDe(escrito ? Texto::ResumenEscritos : Texto::ResumenNoEscritos,
                          {QString::number(resultado.escritos)}));
    lineas.append(textoDe(Texto::ResumenOmitidos,
                          {QString::number(resultado.omitidos),
                           resultado.omitidos > 0 ? textoLineas(resultado.lineasOmitidas, resultado.omitidos) : QString()}));
    lineas.append(textoDe(Texto::ResumenConAvisos, {QString::number(comprobador.registrosConAvisos())}));
    for (const DescripcionAviso &descripcion : descripcionesAvisos()) {
        const auto codigo = size_t(descripcion.codigo);
        if (m_avisosPorCodigo[codigo] == 0)
            continue;
        lineas.append(textoDe(Texto::ResumenAviso,
                              {QString::fromUtf16(descripcion.resumen), QString::number(m_avisosPorCodigo[codigo]),
                               textoLineas(m_lineasPorCodigo[codigo], m_lineasDistintas[codigo])}));
    }
    const qint64 deOtroTipo = comprobador.registrosDeOtroTipo();
    if (deOtroTipo >= 3 && 2 * deOtroTipo >= resultado.escritos)
        lineas.append(textoDe(Texto::ResumenCompruebeTipo));
    if (partes.size() > 1) {
        QStringList nombres;
        for (const ParteColocada &parte : partes)
            nombres.append(parte.registros == 1
                               ? textoDe(Texto::ResumenParteUnRegistro, {nombreDe(parte.ruta)})
                               : textoDe(Texto::ResumenParte, {nombreDe(parte.ruta), QString::number(parte.registros)}));
        lineas.append(textoDe(Texto::ResumenPartes, {nombres.join(textoDe(Texto::Separador))}));
    }
    if (!restos.isEmpty())
        lineas.append(textoDe(Texto::ResumenRestos, {restos.join(textoDe(Texto::Separador))}));
    return lineas.join(u'\n');
}

QString Resumen::detalle(qint64 avisos) const
{
    QString texto = m_detalle.join(u'\n');
    if (avisos > m_detalle.size())
        texto += u'\n' + textoDe(Texto::ResumenMasAvisos, {QString::number(avisos - m_detalle.size())});
    return texto;
}

} // namespace torxal
