// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "lectura.h"

#include <QBuffer>
#include <QTest>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

// The bytes of a literal, NULs included.
template<size_t N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, qsizetype(N - 1));
}

QString texto(const std::u32string &v)
{
    return QString::fromUcs4(v.data(), qsizetype(v.size()));
}

// Every record of `bytes` as "line:text", joined by " | ", and how the reading ended;
// a record of a line read as Windows-1252 is marked "line*:text".
QString leerTodo(const QByteArray &bytes, Fallo *final = nullptr, bool *listaUtf8 = nullptr)
{
    QByteArray copia = bytes;
    QBuffer buffer(&copia);
    buffer.open(QIODevice::ReadOnly);
    LectorRegistros lector(buffer, u"l.txt"_s);
    QStringList registros;
    Fallo fallo;
    while (lector.leerRegistro(&fallo))
        registros.append(QString::number(lector.linea())
                         + (lector.codificacion() == Codificacion::Windows1252 ? QStringLiteral("*:") : QStringLiteral(":"))
                         + texto(lector.texto()));
    if (final)
        *final = fallo;
    if (listaUtf8)
        *listaUtf8 = lector.esListaUtf8();
    return registros.join(u" | ");
}

} // namespace

class tst_Lectura : public QObject {
    Q_OBJECT

private slots:
    void delimitar_data();
    void delimitar();
    void decodificarPorLineas_data();
    void decodificarPorLineas();
    void lineaMasLargaQueUnBloque_data();
    void lineaMasLargaQueUnBloque();
    void decodificarUtf8_data();
    void decodificarUtf8();
    void decodificarWindows1252();
    void registroEnElLimiteDeLongitud_data();
    void registroEnElLimiteDeLongitud();
    void lineaSinDelimitadorNoCreceEnMemoria();
    void registrosQueCruzanBloques();
};

void tst_Lectura::delimitar_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("registros");

    QTest::newRow("CR LF lines") << QByteArray("AB\r\nCD\r\n") << "1:AB | 2:CD";
    QTest::newRow("last line without line end") << QByteArray("AB\r\nCD") << "1:AB | 2:CD";
    QTest::newRow("lone LF and lone CR") << QByteArray("A\nB\rC\r\n\nD") << "1:A | 2:B | 3:C | 4: | 5:D";
    QTest::newRow("empty line yields an empty record") << QByteArray("A\r\n\r\nB\r\n") << "1:A | 2: | 3:B";
    QTest::newRow("only a line end") << QByteArray("\r\n") << "1:";
    QTest::newRow("comma starts a new record") << QByteArray("AB,CD\r\nEF") << "1:AB | 1:CD | 2:EF";
    QTest::newRow("comma at line end") << QByteArray("AB,\r\nCD") << "1:AB | 1: | 2:CD";
    QTest::newRow("quoted record keeps its commas") << QByteArray("\"A,B\"\r\nC") << "1:A,B | 2:C";
    QTest::newRow("text after the closing quote dropped") << QByteArray("\"AB\"xy,CD\r\nE") << "1:AB | 1:CD | 2:E";
    QTest::newRow("unclosed quote ends at the line end") << QByteArray("\"AB,CD\r\nEF\r\n") << "1:AB,CD | 2:EF";
    QTest::newRow("quote inside a record is ordinary") << QByteArray("A\"B,C\r\n") << "1:A\"B | 1:C";
    QTest::newRow("blanks and tabs belong to the record") << QByteArray("  A\t ,\tB \r\n") << "1:  A\t  | 1:\tB ";
    QTest::newRow("empty quoted record") << QByteArray("\"\"\r\nA") << "1: | 2:A";
    QTest::newRow("lone quote at the end of the file") << QByteArray("A\r\n\"") << "1:A | 2:";
}

void tst_Lectura::delimitar()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, registros);
    Fallo final;
    QCOMPARE(leerTodo(bytes, &final), registros);
    QCOMPARE(final.que, Texto::Ninguno);
}

void tst_Lectura::decodificarPorLineas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("registros");
    QTest::addColumn<bool>("listaUtf8");

    QTest::newRow("plain ASCII") << QByteArray("ABC\r\n") << "1:ABC" << false;
    QTest::newRow("valid UTF-8") << QByteArray("PE\xC3\x91" "A\r\n") << u"1:PEÑA"_s << true;
    QTest::newRow("Windows-1252 throughout") << QByteArray("PE\xD1" "A\r\nM\xC1S") << u"1*:PEÑA | 2*:MÁS"_s << false;
    QTest::newRow("a stray Windows-1252 line in a UTF-8 list")
        << QByteArray("PE\xC3\x91" "A\r\nPE\xD1" "A\r\nR\xC3\x89") << u"1:PEÑA | 2*:PEÑA | 3:RÉ"_s << true;
    QTest::newRow("the UTF-8 letter after the Windows-1252 line still makes the list UTF-8")
        << QByteArray("PE\xD1" "A\nR\xC3\x89") << u"1*:PEÑA | 2:RÉ"_s << true;
    QTest::newRow("a line is one encoding, all its records")
        << QByteArray("\xC3\x91,\xD1\r\n") << u"1*:Ã‘ | 1*:Ñ"_s << true;
    QTest::newRow("mark then an invalid line") << QByteArray("\xEF\xBB\xBF" "PE\xD1" "A") << u"1*:PEÑA"_s << true;
    QTest::newRow("overlong form is not UTF-8") << QByteArray("\xC0\xAF") << u"1*:À¯"_s << false;
    QTest::newRow("encoded surrogate is not UTF-8") << QByteArray("\xED\xA0\x80") << u"1*:í\u00A0€"_s << false;
    QTest::newRow("truncated sequence at the end") << QByteArray("AB\xC3") << u"1*:ABÃ"_s << false;
    QTest::newRow("four-byte character") << QByteArray("\xF0\x9F\x98\x80") << u"1:\U0001F600"_s << true;
    QTest::newRow("decomposed accents are composed") << QByteArray("PE\xC3\x91" "A RENE\xCC\x81") << u"1:PEÑA RENÉ"_s << true;
    QTest::newRow("UTF-16 LE with its mark") << bytes("\xFF\xFEP\0\xD1\0,\0\r\0\n\0=\xD8\0\xDE")
                                             << u"1:PÑ | 1: | 2:\U0001F600"_s << true;
    QTest::newRow("UTF-16 BE with its mark") << bytes("\xFE\xFF\0P\0\xD1\0\r\0\nQ") << u"1:PÑ | 2:\uFFFD"_s << true;
    QTest::newRow("UTF-16 unpaired surrogates") << bytes("\xFF\xFE=\xD8" "A\0\0\xDC") << u"1:\uFFFDA\uFFFD"_s << true;
    QTest::newRow("UTF-16 LE without a mark") << bytes("P\0\xD1\0\r\0\n\0" "B\0") << u"1:PÑ | 2:B"_s << true;
    QTest::newRow("UTF-16 BE without a mark") << bytes("\0P\0\xD1\0\n\0B") << u"1:PÑ | 2:B"_s << true;
    QTest::newRow("a NUL that is not UTF-16") << bytes("AB\0C\r\n") << u"1:AB\0C"_s << false;
}

void tst_Lectura::decodificarPorLineas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, registros);
    QFETCH(bool, listaUtf8);
    bool utf8 = !listaUtf8;
    QCOMPARE(leerTodo(bytes, nullptr, &utf8), registros);
    QCOMPARE(utf8, listaUtf8);
}

void tst_Lectura::lineaMasLargaQueUnBloque_data()
{
    QTest::addColumn<QByteArray>("final");
    QTest::newRow("valid UTF-8 to its end") << QByteArray("\xC3\x91");
    QTest::newRow("a Windows-1252 byte at its end") << QByteArray("\xD1");
}

void tst_Lectura::lineaMasLargaQueUnBloque()
{
    // A line of short records longer than the reader's block: no list of records has one,
    // and it is refused before any of its records is read, naming its line.
    QFETCH(QByteArray, final);
    const QByteArray registros = "A\r\n" + QByteArray("\xC3\x91,").repeated(400000);
    Fallo fallo;
    QCOMPARE(leerTodo(registros + final + "\r\nB", &fallo), u"1:A"_s);
    QCOMPARE(crearMensaje(fallo).texto, u"El registro de la línea 2 del fichero de entrada l.txt tiene más de 32767 "
                                        "caracteres; no se continúa con el proceso."_s);
}

void tst_Lectura::decodificarUtf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("texto");

    QTest::newRow("two, three and four bytes") << QByteArray("\xC3\x91\xE2\x82\xAC\xF0\x9F\x98\x80")
                                               << QString::fromUtf8("Ñ€\xF0\x9F\x98\x80");
    QTest::newRow("stray continuation byte") << QByteArray("A\x80" "B") << u"A\uFFFDB"_s;
    QTest::newRow("truncated sequence then ASCII") << QByteArray("\xE2\x82" "A") << u"\uFFFDA"_s;
    QTest::newRow("invalid lead byte") << QByteArray("\xFF" "A") << u"\uFFFDA"_s;
    QTest::newRow("surrogate, one mark per byte") << QByteArray("\xED\xA0\x80") << u"\uFFFD\uFFFD\uFFFD"_s;
    QTest::newRow("Windows-1252 letter inside UTF-8") << QByteArray("PE\xD1" "A") << u"PE\uFFFDA"_s;
}

void tst_Lectura::decodificarUtf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, texto);
    std::u32string destino;
    decodificar(std::string_view(bytes.constData(), bytes.size()), Codificacion::UTF8, destino);
    QCOMPARE(::texto(destino), texto);
}

void tst_Lectura::decodificarWindows1252()
{
    QByteArray todos;
    for (int b = 0; b < 256; ++b)
        todos.append(char(b));
    std::u32string destino;
    decodificar(std::string_view(todos.constData(), todos.size()), Codificacion::Windows1252, destino);
    QCOMPARE(destino.size(), size_t(256));
    QCOMPARE(destino[0x80], U'\u20AC');
    QCOMPARE(destino[0x81], U'\u0081'); // undefined bytes keep their own code
    QCOMPARE(destino[0x8D], U'\u008D');
    QCOMPARE(destino[0x9F], U'\u0178');
    QCOMPARE(destino[0xD1], U'Ñ');
    QCOMPARE(destino[0xFF], U'ÿ');
    // Every byte but the 27 defined at 0x80..0x9F stands for the code point of its value.
    int distintos = 0;
    for (int b = 0; b < 256; ++b)
        distintos += destino[b] != char32_t(b);
    QCOMPARE(distintos, 27);
}

void tst_Lectura::registroEnElLimiteDeLongitud_data()
{
    QTest::addColumn<QByteArray>("caracter");
    QTest::addColumn<int>("longitud");
    QTest::addColumn<bool>("admitido");

    QTest::newRow("ASCII at the limit") << QByteArray("A") << 32767 << true;
    QTest::newRow("ASCII one past") << QByteArray("A") << 32768 << false;
    QTest::newRow("Windows-1252 one past") << QByteArray("\xD1") << 32768 << false;
    QTest::newRow("UTF-8 four-byte at the limit") << QByteArray("\xF0\x9F\x98\x80") << 32767 << true;
    QTest::newRow("UTF-8 two-byte one past") << QByteArray("\xC3\x91") << 32768 << false;
    QTest::newRow("decomposed letters count once composed") << QByteArray("E\xCC\x81") << 32767 << true;
    QTest::newRow("decomposed letters one past") << QByteArray("E\xCC\x81") << 32768 << false;
}

void tst_Lectura::registroEnElLimiteDeLongitud()
{
    QFETCH(QByteArray, caracter);
    QFETCH(int, longitud);
    QFETCH(bool, admitido);
    QByteArray bytes = "A\r\n" + caracter.repeated(longitud) + "\r\nB";
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    LectorRegistros lector(buffer);
    Fallo fallo;
    QVERIFY(lector.leerRegistro(&fallo));
    if (admitido) {
        QVERIFY(lector.leerRegistro(&fallo));
        QCOMPARE(qsizetype(lector.texto().size()), qsizetype(longitud));
        QVERIFY(lector.leerRegistro(&fallo));
        QCOMPARE(texto(lector.texto()), u"B"_s);
    } else {
        QVERIFY(!lector.leerRegistro(&fallo));
        QCOMPARE(fallo.que, Texto::RegistroLargo);
        QCOMPARE(lector.linea(), 2);
    }
}

void tst_Lectura::lineaSinDelimitadorNoCreceEnMemoria()
{
    // A device that hands out endless bytes without a delimiter: the reader must give
    // up after the limit instead of buffering the line.
    class SinFin : public QIODevice {
    public:
        qint64 servidos = 0;
    protected:
        qint64 readData(char *datos, qint64 maximo) override
        {
            std::memset(datos, 'X', size_t(maximo));
            servidos += maximo;
            return maximo;
        }
        qint64 writeData(const char *, qint64) override { return -1; }
    } sinFin;
    sinFin.open(QIODevice::ReadOnly);
    LectorRegistros lector(sinFin);
    Fallo fallo;
    QVERIFY(!lector.leerRegistro(&fallo));
    QCOMPARE(fallo.que, Texto::RegistroLargo);
    QCOMPARE(lector.linea(), 1);
    QVERIFY2(sinFin.servidos < 8 * 1024 * 1024, QByteArray::number(sinFin.servidos));
}

void tst_Lectura::registrosQueCruzanBloques()
{
    // Records of awkward lengths so that every boundary case of the 1 MiB blocks occurs:
    // a CR LF split across blocks, a record cut in two, a UTF-8 character cut in two.
    QByteArray bytes;
    QStringList esperados;
    int linea = 1;
    for (int i = 0; bytes.size() < 3 * 1024 * 1024; ++i, ++linea) {
        const int largo = 1 + (i * 7919) % 997;
        QByteArray registro = QByteArray("\xC3\x91").repeated(largo / 2) + QByteArray::number(i);
        bytes += registro + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
        esperados.append(QString::number(linea) + u':' + QString::fromUtf8(registro));
    }
    QCOMPARE(leerTodo(bytes), esperados.join(u" | "));
}

QTEST_APPLESS_MAIN(tst_Lectura)
#include "tst_lectura.moc"
