// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "formatolista.h"

#include "csv.h"
#include "hoja.h"
#include "partezip.h"

#include <QIODevice>

namespace torxal {

using namespace Qt::StringLiterals;

namespace {

// Enough of a text list to hold its first non-blank line, or the head of a container.
constexpr qint64 Asomo = 64 * 1024;

quint32 leer32(const QByteArray &b, qsizetype en)
{
    if (en < 0 || en + 4 > b.size())
        return 0xFFFFFFFF;
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData() + en);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 leer16(const QByteArray &b, qsizetype en)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData() + en);
    return quint16(p[0] | p[1] << 8);
}

// The names in a Compound File's directory (the container of old Office documents and of
// encrypted new ones), followed through its allocation table; what cannot be read is left out.
QStringList nombresCompuestos(QIODevice &lista)
{
    constexpr quint32 FinDeCadena = 0xFFFFFFFE;
    QStringList nombres;
    if (!lista.seek(0))
        return nombres;
    const QByteArray cabecera = lista.read(512);
    if (cabecera.size() < 512)
        return nombres;
    const quint16 potencia = leer16(cabecera, 0x1E);
    if (potencia != 9 && potencia != 12)
        return nombres;
    const qint64 sector = qint64(1) << potencia;
    const qint64 porSector = sector / 4;
    const auto leerSector = [&](quint32 n) {
        return n >= FinDeCadena - 5 || !lista.seek((qint64(n) + 1) * sector) ? QByteArray() : lista.read(sector);
    };
    // Where the allocation table's sectors are: 109 in the header, the rest in a chain.
    QList<quint32> tabla;
    for (int i = 0; i < 109; ++i)
        tabla.append(leer32(cabecera, 0x4C + 4 * i));
    quint32 siguiente = leer32(cabecera, 0x44);
    for (int i = 0; i < 64 && siguiente < FinDeCadena - 5; ++i) {
        const QByteArray bloque = leerSector(siguiente);
        if (bloque.size() < sector)
            break;
        for (qint64 j = 0; j < porSector - 1; ++j)
            tabla.append(leer32(bloque, 4 * j));
        siguiente = leer32(bloque, sector - 4);
    }
    const auto sectorSiguiente = [&](quint32 n) -> quint32 {
        const qint64 cual = n / porSector;
        if (cual >= tabla.size())
            return FinDeCadena;
        const quint32 deTabla = tabla.at(cual);
        if (deTabla >= FinDeCadena - 5 || !lista.seek((qint64(deTabla) + 1) * sector + (n % porSector) * 4))
            return FinDeCadena;
        return leer32(lista.read(4), 0);
    };
    quint32 directorio = leer32(cabecera, 0x30);
    for (int i = 0; i < 1024 && directorio < FinDeCadena - 5; ++i) {
        const QByteArray bloque = leerSector(directorio);
        if (bloque.size() < sector)
            break;
        for (qint64 entrada = 0; entrada + 128 <= sector; entrada += 128) {
            const quint16 largo = leer16(bloque, entrada + 0x40);
            if (largo >= 2 && largo <= 64)
                nombres.append(QString::fromUtf16(reinterpret_cast<const char16_t *>(bloque.constData() + entrada),
                                                  largo / 2 - 1));
        }
        directorio = sectorSiguiente(directorio);
    }
    return nombres;
}

bool reconocerZip(QIODevice &lista, FormatoLista *formato, Fallo *fallo)
{
    ArchivoZip archivo(lista);
    if (!archivo.abrir(fallo))
        return false;
    if (archivo.contiene(u"xl/workbook.xml"_s)) {
        *formato = FormatoLista::Xlsx;
        return true;
    }
    if (archivo.leerPequena(u"mimetype"_s, 128).trimmed().startsWith("application/vnd.oasis.opendocument.spreadsheet")) {
        *formato = FormatoLista::Ods;
        return true;
    }
    return fallar(fallo, Texto::ZipNoEsHoja);
}

} // namespace

bool reconocerFormato(QIODevice &lista, TipoConsulta tipo, const OpcionesTabla &opciones, FormatoLista *formato,
                      Fallo *fallo)
{
    const QByteArray asomo = lista.peek(Asomo);
    bool bien = true;
    if (asomo.startsWith("PK\x03\x04") || asomo.startsWith("PK\x05\x06")) {
        bien = reconocerZip(lista, formato, fallo);
        lista.seek(0);
    } else if (asomo.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        const QStringList nombres = nombresCompuestos(lista);
        lista.seek(0);
        if (nombres.contains(u"EncryptionInfo"_s) || nombres.contains(u"EncryptedPackage"_s))
            bien = fallar(fallo, Texto::LibroCifrado);
        else if (nombres.contains(u"Workbook"_s) || nombres.contains(u"Book"_s))
            bien = fallar(fallo, Texto::LibroXls);
        else
            bien = fallar(fallo, Texto::CfbNoEsHoja);
    } else {
        *formato = opciones.forzarTabla || pareceTablaCsv(asomo, tipo, opciones.separador, nullptr)
            ? FormatoLista::Csv
            : FormatoLista::Columnas;
    }
    return bien;
}

std::unique_ptr<LectorTabla> abrirTabla(QIODevice &lista, TipoConsulta tipo, FormatoLista formato,
                                        const OpcionesTabla &opciones, Fallo *fallo)
{
    switch (formato) {
    case FormatoLista::Csv: {
        QChar separador = opciones.separador;
        if (separador.isNull())
            pareceTablaCsv(lista.peek(Asomo), tipo, separador, &separador);
        return std::make_unique<LectorCsv>(lista, separador);
    }
    case FormatoLista::Xlsx:
        return abrirXlsx(lista, opciones.hoja, fallo);
    case FormatoLista::Ods:
        return abrirOds(lista, opciones.hoja, fallo);
    case FormatoLista::Columnas:
        break;
    }
    return nullptr;
}

} // namespace torxal
