// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "bucle.h"
#include "comprobaciones.h"
#include "destinomemoria.h"
#include "escritorxml.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

// The record loop over a list held in memory, as the run drives it, with the document
// and the warnings it gives: what the tests and the fuzzer compare between the two ways
// of cutting records and between the encodings of one list.
struct ConversionEnMemoria {
    torxal::ResultadoConversion resultado;
    torxal::Fallo fallo;
    QByteArray documento;     // every part, one after the other
    QList<QByteArray> partes; // each part on its own, as its file would hold it
    QStringList avisos;   // "line code field=value: text"
    qint64 conAvisos = 0;

    bool operator==(const ConversionEnMemoria &otra) const
    {
        const auto &a = resultado;
        const auto &b = otra.resultado;
        return fallo.que == otra.fallo.que && fallo.argumentos == otra.fallo.argumentos && a.escritos == b.escritos
            && a.omitidos == b.omitidos
            && a.lineasOmitidas == b.lineasOmitidas && partes == otra.partes && avisos == otra.avisos
            && conAvisos == otra.conAvisos;
    }
};

class ReceptorEnLista final : public torxal::ReceptorAvisos {
public:
    explicit ReceptorEnLista(QStringList *avisos) : m_avisos(avisos) {}
    void recibirAviso(const torxal::Aviso &aviso) override
    {
        // One pass: the fuzzer keeps every warning of several runs an input.
        m_avisos->append(QStringLiteral("%1 %2 %3=%4: %5")
                             .arg(QString::number(aviso.linea), QLatin1String(torxal::describir(aviso.codigo).clave),
                                  aviso.campo, QString::fromUtf8(aviso.valor.data(), qsizetype(aviso.valor.size())),
                                  torxal::textoDeAviso(aviso)));
    }

private:
    QStringList *m_avisos;
};

// Without `comprobar` the loop runs with no checks at all, as the fuzzer needs to show
// that the checks never change the document.
inline ConversionEnMemoria convertirEnMemoria(const QByteArray &lista, torxal::TipoConsulta tipo, torxal::Camino camino,
                                              qint64 tamanoMaximo = 0, bool comprobar = true)
{
    using namespace torxal;
    ConversionEnMemoria conversion;
    QList<QByteArray> colocados;
    OpcionesDocumento opciones{QStringLiteral("http://www.catastro.meh.es/"), QStringLiteral("dd/MM/yyyy"),
                               QDate(2026, 12, 7), tamanoMaximo};
    EscritorXML escritor(fabricaEnMemoria(&colocados), derivarRutaSalida(QStringLiteral("lista.txt")), tipo, opciones);
    Fallo fallo;
    if (!escritor.CrearCabeceraXML(&fallo))
        qFatal("the header could not be written to memory");
    QByteArray copia = lista;
    QBuffer entrada(&copia);
    entrada.open(QIODevice::ReadOnly);
    ReceptorEnLista receptor(&conversion.avisos);
    Comprobador comprobador(tipo, receptor);
    if (!convertirRegistros(entrada, QStringLiteral("lista.txt"), tipo, escritor, comprobar ? &comprobador : nullptr,
                            camino, &conversion.resultado, &conversion.fallo))
        return conversion;
    conversion.conAvisos = comprobador.registrosConAvisos();
    if (!escritor.CerrarFicheroXML(&fallo))
        qFatal("an in-memory document could not be closed");
    for (Parte &parte : escritor.partes()) {
        conversion.partes.append(static_cast<DestinoMemoria *>(parte.destino.get())->documento());
        conversion.documento += conversion.partes.constLast();
    }
    return conversion;
}

// A text in UTF-16 with its byte-order mark, as a Windows editor saves "Unicode".
inline QByteArray comoUtf16(const QString &texto, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (QChar c : texto) {
        const char16_t u = c.unicode();
        bytes.append(char(bigEndian ? u >> 8 : u & 0xFF));
        bytes.append(char(bigEndian ? u & 0xFF : u >> 8));
    }
    return bytes;
}
