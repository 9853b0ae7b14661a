// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// A run's list opened and recognised: a list of fixed columns, or a table (CSV, XLSX,
// ODS, UTF-16 text) with its rows ready and its columns known.

#include "csv.h"
#include "ejecucion.h"
#include "lectura.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>

namespace torxal {

bool Conversor::Ejecucion::abrirLista()
{
    // The path is opened as given: the trimming of the names only shapes the output's name.
    if (!abrirEntrada(m_entradaRuta, &m_entrada, &m_fallo)) {
        // A name that is not UTF-8 reaches us with replacement characters in it.
        if (m_fallo.error == ENOENT && m_entradaRuta.contains(QChar::ReplacementCharacter))
            fallar(&m_fallo, Texto::NombreNoUtf8, {m_entradaRuta});
        return false;
    }
    if (m_entrada->size() < 1)
        return fallar(&m_fallo, Texto::EntradaVacia);
    if (m_conversor.m_envoltura)
        m_entrada = m_conversor.m_envoltura(std::move(m_entrada));
    return reconocerLista();
}

// A list is a table by its content; whatever is not one stays a list of fixed columns,
// read as it always was.
bool Conversor::Ejecucion::reconocerLista()
{
    constexpr qint64 Asomo = 64 * 1024;
    m_opcionesTabla = m_opciones.tabla;
    m_opcionesTabla.forzarTabla = m_opcionesTabla.forzarTabla || !m_opciones.columnas.isEmpty();
    const QByteArray asomo = m_entrada->peek(Asomo);
    qsizetype marca = 0;
    const std::optional<OrdenUtf16> orden = reconocerUtf16(std::string_view(asomo.constData(), size_t(asomo.size())), &marca);
    QByteArray cabeza = asomo;
    if (orden) {
        // A UTF-16 list is text: its first line, in UTF-8, says whether it is a table.
        QStringDecoder decodificador(orden == OrdenUtf16::LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        cabeza = QString(decodificador(asomo.sliced(marca))).toUtf8();
        QChar separador;
        if (!pareceTablaCsv(cabeza, m_tipo, m_opcionesTabla.separador, &separador) && !m_opcionesTabla.forzarTabla) {
            m_formato = FormatoLista::Columnas;
            return true;
        }
        m_formato = FormatoLista::Csv;
    } else if (!reconocerFormato(*m_entrada, m_tipo, m_opcionesTabla, &m_formato, &m_fallo)) {
        return false;
    }
    if (m_formato == FormatoLista::Columnas)
        return true;
    if (m_formato == FormatoLista::Csv && m_opcionesTabla.separador.isNull()) {
        QChar separador;
        pareceTablaCsv(cabeza, m_tipo, {}, &separador);
        m_opcionesTabla.separador = separador.isNull() ? QChar(u';') : separador;
    }
    m_orden = orden;
    m_marca = marca;
    if (orden) {
        m_entrada->read(marca);
        m_utf16 = std::make_unique<DescodificadorUtf16>(*m_entrada, *orden, QByteArray());
    }
    return abrirFilas() && leerCabecera();
}

bool Conversor::Ejecucion::abrirFilas()
{
    QIODevice &origen = m_utf16 ? *m_utf16 : *m_entrada;
    m_tabla = abrirTabla(origen, m_tipo, m_formato, m_opcionesTabla, &m_fallo);
    return m_tabla != nullptr;
}

// The columns: given by hand, or from the header, or, when the window is there to ask
// and the header says too little, chosen by the user over the first rows.
bool Conversor::Ejecucion::leerCabecera()
{
    m_columnas = Columnas{};
    if (!m_opciones.columnas.isEmpty()) {
        if (!leerColumnas(m_opciones.columnas, m_tipo, &m_columnas, &m_fallo))
            return false;
        if (m_opciones.sinCabecera)
            return true;
        FilaTabla cabecera;
        if (m_tabla->leerFila(&cabecera, &m_fallo)) {
            nombrarColumnas(cabecera, &m_columnas);
            return true;
        }
        return m_fallo.que == Texto::Ninguno ? fallar(&m_fallo, Texto::TablaVacia) : false;
    }
    QList<FilaTabla> leidas;
    if (buscarCabecera(*m_tabla, m_tipo, &m_columnas, &leidas, &m_fallo))
        return true;
    if (!m_conversor.m_elegirColumnas || leidas.isEmpty() || m_fallo.que == Texto::Ninguno)
        return false;
    // What failed is what the user is to settle: the failure itself is not shown. The row
    // most like a header heads the rows shown, and what stands above it is left out.
    const Fallo motivo = std::exchange(m_fallo, Fallo{});
    const qint64 desde = m_columnas.filaCabecera;
    leidas.erase(leidas.begin(), std::find_if(leidas.begin(), leidas.end(),
                                              [desde](const FilaTabla &fila) { return fila.numero >= desde; }));
    EleccionColumnas eleccion{m_columnas, true, leidas.constFirst().numero};
    if (!m_conversor.m_elegirColumnas(leidas, m_tipo, motivo, &eleccion))
        return false;
    // The rows shown are read again from the start, as data but for the header.
    m_tabla.reset();
    m_utf16.reset();
    if (!m_entrada->seek(0))
        return fallar(&m_fallo, Texto::NoLeeEntrada, {m_entradaRuta});
    if (m_orden) {
        m_entrada->read(m_marca);
        m_utf16 = std::make_unique<DescodificadorUtf16>(*m_entrada, *m_orden, QByteArray());
    }
    return abrirFilas() && leerSegunEleccion(&m_tabla, eleccion, &m_columnas, &m_fallo);
}

} // namespace torxal
