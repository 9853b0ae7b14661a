// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// The record loop cuts records on their bytes when each character fits in one, and on
// the decoded text otherwise. These cases sit on the edges of the byte-wise way
// (eight- and sixteen-byte steps, escapes, characters the cleaning or XML drops, letters whose
// capital lies outside Latin-1, stale bytes from a longer record) and hold the two ways
// of production's own loop to each other, in every encoding a list may come in; where
// the expected lines are given, to those too.

#include "conversionenmemoria.h"
#include "lectura.h"

#include <QTest>

using namespace torxal;

namespace {

// Only the record lines: the header and the closing line are not what differs here.
QByteArray lineasDAT(const QByteArray &documento)
{
    QByteArrayList dat;
    for (const QByteArray &linea : documento.split('\n'))
        if (linea.startsWith("<DAT>"))
            dat.append(linea.chopped(1)); // the CR
    return dat.join('|');
}

QString describir(const ConversionEnMemoria &c)
{
    return QStringLiteral("fallo «%1» %2, escritos %3, omitidos %4, con avisos %5\n%6\n%7")
        .arg(crearMensaje(c.fallo).texto)
        .arg(c.fallo.argumentos.join(u' '))
        .arg(c.resultado.escritos)
        .arg(c.resultado.omitidos)
        .arg(c.conAvisos)
        .arg(QString::fromUtf8(lineasDAT(c.documento)), c.avisos.join(u'\n'));
}

// What must not depend on the encoding a list came in. Whether its lines were UTF-8 may:
// bytes of a Windows-1252 list can happen to form a UTF-8 sequence, which makes the list
// one that mixes both, with a warning for each line that is not UTF-8.
ConversionEnMemoria sinAvisosDeCodificacion(ConversionEnMemoria conversion)
{
    conversion.avisos.removeIf([](const QString &aviso) { return aviso.section(u' ', 1, 1) == u"codificacion"; });
    conversion.conAvisos = 0;
    return conversion;
}

QString comoTexto(const QByteArray &windows1252)
{
    std::u32string texto;
    decodificar(std::string_view(windows1252.constData(), size_t(windows1252.size())), Codificacion::Windows1252, texto);
    return QString::fromUcs4(texto.data(), qsizetype(texto.size()));
}

QByteArray relleno(QByteArray texto, int ancho)
{
    return texto.leftJustified(ancho, ' ');
}

} // namespace

class tst_Equivalencia : public QObject {
    Q_OBJECT

private slots:
    void ambasManerasYTodasLasCodificaciones_data();
    void ambasManerasYTodasLasCodificaciones();
};

void tst_Equivalencia::ambasManerasYTodasLasCodificaciones_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");    // Windows-1252
    QTest::addColumn<QByteArray>("esperado"); // the DAT lines, '|' between them; empty: the two ways only

    QTest::newRow("lower case across eight-byte steps")
        << TipoConsulta::NIF << "12345678z" + relleno("abcdefghijklmnopqrstuvwxyz0123456789", 62) + "28079\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789</APE>"
                      "<PRO>28</PRO><MUN>079</MUN></DAT>");
    QTest::newRow("escapes at every offset of a step")
        << TipoConsulta::NIF << "1&<>5678Z" + relleno("A&B<C>D&&<<>>EFG&", 62) + "\r\n"
        << QByteArray("<DAT><NIF>1&amp;&lt;&gt;5678Z</NIF><APE>A&amp;B&lt;C&gt;D&amp;&amp;&lt;&lt;&gt;&gt;EFG&amp;"
                      "</APE></DAT>");
    QTest::newRow("escapes, delete and accents at the ends of sixteen-byte steps")
        << TipoConsulta::NIF << "12345678z" + relleno("abcdefghijklmno&<pqrstuvwxyzabcd>\x7F" "efghijklmnopqrs\xE9", 62)
            + "28079\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>ABCDEFGHIJKLMNO&amp;&lt;PQRSTUVWXYZABCD&gt;\x7F"
                      "EFGHIJKLMNOPQRS\xC3\x89</APE><PRO>28</PRO><MUN>079</MUN></DAT>");
    QTest::newRow("control characters in a code are dropped before it is padded")
        << TipoConsulta::NIF << "12345678Z" + relleno("X", 62) + "\x01" "8\x02\x03" "7\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>X</APE><PRO>08</PRO><MUN>007</MUN></DAT>");
    QTest::newRow("codes of zeros, spaces and a zero between spaces")
        << TipoConsulta::PP << QByteArray(" 0 0 0  0 0000\r\n0 0  0  0    \r\n") << QByteArray();
    QTest::newRow("capitals outside Latin-1 and letters without one")
        << TipoConsulta::NIF << "12345678Z" + relleno("\xFF\xB5\xDF\x9C\x9A\x9E\x80 \xE7\xF1", 62) + "\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>\xC5\xB8\xCE\x9C\xC3\x9F\xC5\x92\xC5\xA0\xC5\xBD\xE2\x82\xAC "
                      "\xC3\x87\xC3\x91</APE></DAT>");
    QTest::newRow("no-break space and soft hyphen at the ends, kept inside")
        << TipoConsulta::RC << QByteArray("\xA0\xAD" "9872023VH\xA0" "5797S\xAD" "0001WX28079\xA0\xAD\r\n") << QByteArray();
    QTest::newRow("bytes Windows-1252 leaves undefined, inside and at the ends")
        << TipoConsulta::NIF << "\x81" "12345678Z" + relleno("ANA\x81\x8D\x8F\x90\x9D" "B", 62) + "28079\x9D\r\n"
        << QByteArray();
    QTest::newRow("tabs inside shift the columns")
        << TipoConsulta::PP << QByteArray("\t28\t079\t004\t00121\t\r\n") << QByteArray("<DAT><PRO>28</PRO><MUN>079</MUN>"
                                                                                     "<POL>004</POL><PAR>00121</PAR></DAT>");
    QTest::newRow("delete character inside a name")
        << TipoConsulta::NIF << "12345678Z" + relleno("A\x7F" "B", 62) + "\x7F\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>A\x7F" "B</APE></DAT>");
    QTest::newRow("a name that ends exactly on a step, then only spaces")
        << TipoConsulta::NIF << "12345678Z" + relleno("ABCDEFGH", 62) + " 1   \r\n" + "12345678Z" + relleno("A", 62)
            + "\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>ABCDEFGH</APE><PRO>01</PRO></DAT>|"
                      "<DAT><NIF>12345678Z</NIF><APE>A</APE></DAT>");
    QTest::newRow("a short record after a long one sees none of its bytes")
        << TipoConsulta::RC << "ABCDEFGHIJKLMNOPQRST2807" + QByteArray(200, 'Z') + "\r\nAB\r\nC,D\r\n"
        << QByteArray("<DAT><RC>ABCDEFGHIJKLMNOPQRST</RC><PRO>28</PRO><MUN>07Z</MUN></DAT>|<DAT><RC>AB</RC></DAT>|"
                      "<DAT><RC>C</RC></DAT>|<DAT><RC>D</RC></DAT>");
    QTest::newRow("NIF kept with its inner and outer spaces")
        << TipoConsulta::NIF << QByteArray(" 1234 67 ") + relleno("", 62) + "\r\n         X\r\n"
        << QByteArray("<DAT><NIF> 1234 67 </NIF></DAT>");
    QTest::newRow("quoted records, blank records and missing mandatory fields")
        << TipoConsulta::PP << QByteArray("\"28,079\"\r\n\r\n   \r\n28079   00001\r\n\"2807900400121\"x,\r\n")
        << QByteArray("<DAT><PRO>28</PRO><MUN>,07</MUN><POL>009</POL></DAT>|"
                      "<DAT><PRO>28</PRO><MUN>079</MUN><POL>004</POL><PAR>00121</PAR></DAT>");
    QTest::newRow("every check, with accents for the decomposed twin")
        << TipoConsulta::NIF
        << "12345678A" + relleno("P\xC9REZ", 62) + "99079\r\n" + "12345678A" + relleno("N\xDA\xD1" "EZ, MAR\xCD" "A", 62)
            + "01\r\n" + "X1234567L\t" + relleno("IB\xC1\xD1" "EZ", 62) + "4x079 sobra\r\n"
        << QByteArray();
}

void tst_Equivalencia::ambasManerasYTodasLasCodificaciones()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QByteArray, esperado);

    const ConversionEnMemoria rapida = convertirEnMemoria(lista, tipo, Camino::ElMasRapido);
    QCOMPARE(rapida.fallo.que, Texto::Ninguno);
    if (!esperado.isEmpty())
        QCOMPARE(lineasDAT(rapida.documento), esperado);
    const QString texto = comoTexto(lista);
    const struct {
        const char *nombre;
        QByteArray bytes;
    } gemelas[] = {
        {"Windows-1252", lista},
        {"UTF-8", texto.toUtf8()},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + texto.toUtf8()},
        {"UTF-8 decomposed", texto.normalized(QString::NormalizationForm_D).toUtf8()},
        {"UTF-16 LE", comoUtf16(texto, false)},
        {"UTF-16 BE", comoUtf16(texto, true)},
    };
    for (const auto &gemela : gemelas) {
        const ConversionEnMemoria porBytes = convertirEnMemoria(gemela.bytes, tipo, Camino::ElMasRapido);
        const ConversionEnMemoria general = convertirEnMemoria(gemela.bytes, tipo, Camino::General);
        QVERIFY2(general == porBytes, qPrintable(QStringLiteral("%1, the general way:\n%2\nagainst the fast one:\n%3")
                                                     .arg(QString::fromLatin1(gemela.nombre), describir(general),
                                                          describir(porBytes))));
        QVERIFY2(sinAvisosDeCodificacion(general) == sinAvisosDeCodificacion(rapida),
                 qPrintable(QStringLiteral("%1:\n%2\nagainst Windows-1252:\n%3")
                                .arg(QString::fromLatin1(gemela.nombre), describir(general), describir(rapida))));
    }
}

QTEST_APPLESS_MAIN(tst_Equivalencia)
#include "tst_equivalencia.moc"
