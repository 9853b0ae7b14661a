// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// The review's index of a list given as a table: its rows found again, read again from
// where a CSV row starts or from the cells kept of a sheet's, and cut as the run cut them.

#include "indicelista.h"

#include "bucle.h"
#include "csv.h"
#include "lectura.h"
#include "limpieza.h"
#include "tabla.h"

#include <QBuffer>

#include <cerrno>
#include <memory>

namespace torxal {

namespace {

void anadirNumero(std::deque<char> &bloque, quint64 numero)
{
    do {
        bloque.push_back(char((numero & 0x7F) | (numero > 0x7F ? 0x80 : 0)));
        numero >>= 7;
    } while (numero > 0);
}

quint64 leerNumero(std::deque<char>::const_iterator &it)
{
    quint64 numero = 0;
    for (int desplazamiento = 0;; desplazamiento += 7) {
        const auto byte = static_cast<unsigned char>(*it++);
        numero |= quint64(byte & 0x7F) << desplazamiento;
        if ((byte & 0x80) == 0)
            return numero;
    }
}

} // namespace

// The list's text as the table's reader reads it: a UTF-16 list through its decoding.
QIODevice &IndiceLista::textoDeTabla(QIODevice &entrada, std::unique_ptr<QIODevice> *utf16) const
{
    if (!m_ordenUtf16)
        return entrada;
    entrada.read(m_marca);
    *utf16 = std::make_unique<DescodificadorUtf16>(entrada, *m_ordenUtf16, QByteArray());
    return **utf16;
}

// The list's rows from the first after its header, and the columns the header names.
bool IndiceLista::abrirFilas(QIODevice &texto, std::unique_ptr<LectorTabla> *lector, Columnas *columnas,
                             Fallo *fallo) const
{
    *lector = abrirTabla(texto, m_tipo, m_formato, m_opcionesTabla, fallo);
    if (!*lector)
        return false;
    if (m_eleccion)
        return leerSegunEleccion(lector, *m_eleccion, columnas, fallo);
    QList<FilaTabla> leidas;
    return buscarCabecera(**lector, m_tipo, columnas, &leidas, fallo);
}

// Every cell but the empty ones, with its class: a formula without a result has no text
// but is cut as what it is.
void IndiceLista::guardarCeldas(const FilaTabla &fila)
{
    qsizetype llenas = 0;
    for (const Celda &celda : fila.celdas)
        llenas += celda.clase == ClaseCelda::Vacia ? 0 : 1;
    anadirNumero(m_celdas, quint64(llenas));
    for (qsizetype columna = 0; columna < fila.celdas.size(); ++columna) {
        const Celda &celda = fila.celdas[columna];
        if (celda.clase == ClaseCelda::Vacia)
            continue;
        const QByteArray texto = celda.texto.toUtf8();
        anadirNumero(m_celdas, quint64(columna));
        m_celdas.push_back(char(celda.clase));
        anadirNumero(m_celdas, quint64(texto.size()));
        m_celdas.insert(m_celdas.end(), texto.begin(), texto.end());
    }
}

// A table's row as it was read: from its cells kept, or read again from where it starts.
bool IndiceLista::releerFila(qint64 registro, FilaTabla *fila, Fallo *fallo) const
{
    const Entrada &entrada = m_registros[size_t(registro)];
    fila->numero = qint64(entrada.linea);
    fila->celdas.clear();
    if (m_formato != FormatoLista::Csv) {
        auto it = m_celdas.cbegin() + qsizetype(entrada.inicio);
        for (quint64 n = leerNumero(it); n > 0; --n) {
            const auto columna = qsizetype(leerNumero(it));
            const auto clase = ClaseCelda(static_cast<unsigned char>(*it++));
            QByteArray texto(qsizetype(leerNumero(it)), Qt::Uninitialized);
            std::copy_n(it, texto.size(), texto.begin());
            it += texto.size();
            fila->celdas.resize(columna + 1);
            fila->celdas[columna] = Celda{clase, QString::fromUtf8(texto)};
        }
        return true;
    }
    // A row starts outside quotes: read from there, it is read as the whole list read it.
    constexpr qint64 MaximoBytesFila = 4 * LectorCsv::MaximoCaracteresFila;
    const bool ultima = size_t(registro) + 1 == m_registros.size();
    const qint64 fin = ultima ? -1 : qint64(m_registros[size_t(registro) + 1].inicio);
    QByteArray bytes;
    if (m_ordenUtf16) {
        // What the reader read of a UTF-16 list is its UTF-8: it is decoded again up to the row.
        std::unique_ptr<QIODevice> lista;
        std::unique_ptr<QIODevice> utf16;
        if (!abrirEntrada(m_ruta, &lista, fallo))
            return false;
        QIODevice &texto = textoDeTabla(*lista, &utf16);
        for (qint64 resto = qint64(entrada.inicio); resto > 0;) {
            const qint64 saltados = qint64(texto.read(std::min<qint64>(resto, 1 << 20)).size());
            if (saltados <= 0)
                return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
            resto -= saltados;
        }
        bytes = texto.read(ultima ? MaximoBytesFila : std::min(fin - qint64(entrada.inicio), MaximoBytesFila));
    } else {
        if (!m_fichero.isOpen() || !m_fichero.seek(qint64(entrada.inicio)))
            return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
        bytes = m_fichero.read(std::min((ultima ? m_fichero.size() : fin) - qint64(entrada.inicio), MaximoBytesFila));
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LectorCsv lector(buffer, m_opcionesTabla.separador);
    const qint64 numero = fila->numero;
    if (!lector.leerFila(fila, fallo))
        return fallo->que != Texto::Ninguno ? false : fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
    fila->numero = numero;
    return true;
}

// A table's row cut again: its fields as the run cut them, and its cells as read.
bool IndiceLista::cortarDeTabla(qint64 registro, RegistroCortado *cortado, Fallo *fallo) const
{
    FilaTabla fila;
    if (!releerFila(registro, &fila, fallo))
        return false;
    EspacioFila espacio;
    auto campos = std::make_unique<Campos>();
    if (!cortarFila(fila, m_columnas, m_tipo, espacio, *campos))
        return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
    llenarCortado(*campos, m_tipo, cortado);
    cortado->linea.clear();
    cortado->celdas.clear();
    for (qsizetype c = 0; c < fila.celdas.size(); ++c) {
        if (fila.celdas[c].texto.isEmpty())
            continue;
        const QString nombre = m_columnas.nombres.value(c).trimmed();
        const QString columna = nombre.isEmpty() ? letrasDeColumna(int(c))
                                                 : letrasDeColumna(int(c)) + u' ' + textoDe(Texto::NombreDeColumna, {nombre});
        cortado->celdas.append(textoDe(Texto::CeldaDeFila, {columna, fila.celdas[c].texto}));
    }
    return true;
}

} // namespace torxal
