// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// The document under a size limit: parts that are each a whole document within the limit,
// filled in order and as full as they can be, records never split.

#include "conversionenmemoria.h"

#include <QTest>

using namespace torxal;

namespace {

constexpr std::string_view Cierre = "</LISTADATOS>\r\n";

QByteArray lista(int registros)
{
    QByteArray bytes;
    for (int i = 0; i < registros; ++i) {
        const int numero = 10000000 + i * 7;
        bytes += QByteArray::number(numero) + "TRWAGMYFPDXBNJZSQVHLCKE"[numero % 23]
            + QByteArray("APELLIDO ").repeated(1 + i % 5) + "\r\n";
    }
    return bytes;
}

// The parts one after the other in a document: each starts with the declaration.
QList<QByteArray> partesDe(const QByteArray &documentos)
{
    QList<QByteArray> partes;
    const QByteArray declaracion = "<?xml";
    for (qsizetype desde = 0; desde < documentos.size();) {
        qsizetype hasta = documentos.indexOf(declaracion, desde + 1);
        if (hasta < 0)
            hasta = documentos.size();
        partes.append(documentos.mid(desde, hasta - desde));
        desde = hasta;
    }
    return partes;
}

QByteArrayList lineasDAT(const QByteArray &documento)
{
    QByteArrayList dat;
    for (const QByteArray &linea : documento.split('\n'))
        if (linea.startsWith("<DAT>"))
            dat.append(linea);
    return dat;
}

} // namespace

class tst_EscritorXML : public QObject {
    Q_OBJECT

private slots:
    void partes_data();
    void partes();
    void registroQueNoCabe();
};

void tst_EscritorXML::partes_data()
{
    QTest::addColumn<int>("registros");
    QTest::addColumn<int>("holgura"); // bytes of the limit past the whole document; negative: short of it
    QTest::addColumn<int>("esperadas");

    QTest::newRow("the whole document fits exactly") << 40 << 0 << 1;
    QTest::newRow("one byte short of it") << 40 << -1 << 2;
    QTest::newRow("a third of it") << 300 << -2 << 0;
    QTest::newRow("no records at all") << 0 << 0 << 1;
}

void tst_EscritorXML::partes()
{
    QFETCH(int, registros);
    QFETCH(int, holgura);
    QFETCH(int, esperadas);
    const QByteArray entrada = lista(registros);
    const ConversionEnMemoria entero = convertirEnMemoria(entrada, TipoConsulta::NIF, Camino::ElMasRapido);
    // -2 stands for a third of the whole document.
    const qint64 limite = holgura == -2 ? entero.documento.size() / 3 : entero.documento.size() + holgura;
    const ConversionEnMemoria partido = convertirEnMemoria(entrada, TipoConsulta::NIF, Camino::ElMasRapido, limite);
    QCOMPARE(partido.fallo.que, Texto::Ninguno);

    const QList<QByteArray> partes = partesDe(partido.documento);
    if (esperadas > 0)
        QCOMPARE(partes.size(), esperadas);
    QVERIFY(partes.size() >= 1);
    const QByteArray cabecera = entero.documento.left(entero.documento.indexOf("</FIN>\r\n") + 8);
    QByteArrayList registrosPartidos;
    for (qsizetype i = 0; i < partes.size(); ++i) {
        const QByteArray &parte = partes[i];
        QVERIFY2(parte.size() <= limite, qPrintable(QStringLiteral("part %1: %2 bytes").arg(i + 1).arg(parte.size())));
        QVERIFY(parte.startsWith(cabecera));
        QVERIFY(parte.endsWith(QByteArray(Cierre.data(), qsizetype(Cierre.size()))));
        const QByteArrayList propios = lineasDAT(parte);
        QVERIFY2(!propios.isEmpty() || registros == 0, "a part without records");
        // As full as it can be: the next part's first record would not have fitted.
        if (i + 1 < partes.size())
            QVERIFY(parte.size() + lineasDAT(partes[i + 1]).constFirst().size() + 1 > limite);
        registrosPartidos += propios;
    }
    QCOMPARE(registrosPartidos, lineasDAT(entero.documento));
    QCOMPARE(partido.resultado.escritos, entero.resultado.escritos);
}

void tst_EscritorXML::registroQueNoCabe()
{
    // The third record is the longest; a limit just below the room it needs alone stops the run there.
    const QByteArray entrada = "12345678Z\r\n87654321X\r\n11223344B" + QByteArray(60, 'N') + "\r\n";
    const ConversionEnMemoria entero = convertirEnMemoria(entrada, TipoConsulta::NIF, Camino::ElMasRapido);
    const QByteArrayList dat = lineasDAT(entero.documento);
    const qint64 solo = entero.documento.size() - (dat[0].size() + 1) - (dat[1].size() + 1);
    QCOMPARE(convertirEnMemoria(entrada, TipoConsulta::NIF, Camino::ElMasRapido, solo).fallo.que, Texto::Ninguno);
    const ConversionEnMemoria partido = convertirEnMemoria(entrada, TipoConsulta::NIF, Camino::ElMasRapido, solo - 1);
    QCOMPARE(partido.fallo.que, Texto::RegistroNoCabe);
    QCOMPARE(partido.fallo.argumentos.constFirst(), QStringLiteral("3"));
}

QTEST_APPLESS_MAIN(tst_EscritorXML)
#include "tst_escritorxml.moc"
