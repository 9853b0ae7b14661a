// The record loop takes a byte-wise shortcut for lists whose characters fit in one byte.
// These cases sit on its edges (eight-byte steps, escapes, characters the cleaning or
// XML drops, letters whose capital lies outside Latin-1, stale bytes from a longer
// record) and hold it to the record-by-record reference built from the reader's decoded
// text, the cleaning, the slicing and the writer's per-character methods, in both
// encodings; where the expected line is given, to that too.

#include "destinomemoria.h"
#include "conversor.h"
#include "escritorxml.h"
#include "lectura.h"
#include "limpieza.h"
#include "mensajeroguion.h"
#include "mensajes.h"

#include <QBuffer>
#include <QTest>

#include <memory>

using namespace torxal;

namespace {

// Only the record lines: the header and the closing line are not what differs here.
QByteArray lineasDAT(const QByteArray &documento)
{
    QByteArrayList lineas = documento.split('\n');
    QByteArrayList dat;
    for (const QByteArray &linea : lineas)
        if (linea.startsWith("<DAT>"))
            dat.append(linea.chopped(1)); // the CR
    return dat.join('|');
}

struct Documento {
    FinConversion fin = FinConversion::Completa;
    qint64 escritos = 0;
    qint64 omitidos = 0;
    QByteArray dat;
};

bool operator==(const Documento &a, const Documento &b)
{
    return a.fin == b.fin && a.escritos == b.escritos && a.omitidos == b.omitidos && a.dat == b.dat;
}

char *toString(const Documento &d)
{
    return qstrdup(QByteArray("fin " + QByteArray::number(int(d.fin)) + ", escritos " + QByteArray::number(d.escritos)
                              + ", omitidos " + QByteArray::number(d.omitidos) + ": " + d.dat)
                       .constData());
}

Documento convertir(QByteArray lista, Codificacion codificacion, TipoConsulta tipo, bool referencia)
{
    MensajeroGuion mensajero;
    Mensajes mensajes(mensajero);
    QByteArray documento;
    EscritorXML escritor(mensajes, fabricaEnMemoria(&documento));
    int estado = -1;
    escritor.CrearCabeceraXML(QString(), QStringLiteral("lista.xml"), tipo, estado);
    QBuffer entrada(&lista);
    entrada.open(QIODevice::ReadOnly);
    Documento resultado;
    if (!referencia) {
        Resumen resumen;
        qint64 linea = 0;
        QString razon;
        resultado.fin = convertirRegistros(entrada, codificacion, tipo, escritor, resumen, linea, razon);
        resultado.escritos = resumen.escritos;
        resultado.omitidos = resumen.omitidos;
    } else {
        LectorRegistros lector(entrada, codificacion);
        Campos c;
        for (LectorRegistros::Resultado r; (r = lector.leerRegistro()) != LectorRegistros::Resultado::Fin;) {
            if (r != LectorRegistros::Resultado::Registro) {
                resultado.fin = r == LectorRegistros::Resultado::DemasiadoLargo ? FinConversion::DemasiadoLargo
                                                                                 : FinConversion::ErrorLectura;
                break;
            }
            const std::u32string_view limpio = limpiarRegistro(lector.registro());
            cortarRegistro(limpio, tipo, c);
            using V = std::u32string_view;
            const bool escrito = tipo == TipoConsulta::NIF
                ? escritor.EscribirRegistroNIF(V(c.NIF), V(c.APE), V(c.PRO), V(c.MUN))
                : tipo == TipoConsulta::RC ? escritor.EscribirRegistroRC(V(c.RC), V(c.PRO), V(c.MUN))
                                           : escritor.EscribirRegistroPP(V(c.PRO), V(c.MUN), V(c.POL), V(c.PAR));
            if (escrito)
                ++resultado.escritos;
            else if (estaPresente(limpio))
                ++resultado.omitidos;
        }
    }
    if (resultado.fin == FinConversion::Completa)
        escritor.CerrarFicheroXML();
    resultado.dat = lineasDAT(documento);
    return resultado;
}

QByteArray comoUtf8(const QByteArray &windows1252)
{
    std::u32string texto;
    decodificar(std::string_view(windows1252.constData(), size_t(windows1252.size())), Codificacion::Windows1252,
                texto);
    return QString::fromUcs4(texto.data(), qsizetype(texto.size())).toUtf8();
}

QByteArray relleno(QByteArray texto, int ancho)
{
    return texto.leftJustified(ancho, ' ');
}

} // namespace

class tst_Equivalencia : public QObject {
    Q_OBJECT

private slots:
    void caminoRapidoIgualQueElGeneral_data();
    void caminoRapidoIgualQueElGeneral();
};

void tst_Equivalencia::caminoRapidoIgualQueElGeneral_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");    // Windows-1252
    QTest::addColumn<QByteArray>("esperado"); // the DAT lines, '|' between them; empty: reference only

    QTest::newRow("lower case across eight-byte steps")
        << TipoConsulta::NIF << "12345678z" + relleno("abcdefghijklmnopqrstuvwxyz0123456789", 62) + "28079\r\n"
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789</APE>"
                      "<PRO>28</PRO><MUN>079</MUN></DAT>");
    QTest::newRow("escapes at every offset of a step")
        << TipoConsulta::NIF << "1&<>5678Z" + relleno("A&B<C>D&&<<>>EFG&", 62) + "\r\n"
        << QByteArray("<DAT><NIF>1&amp;&lt;&gt;5678Z</NIF><APE>A&amp;B&lt;C&gt;D&amp;&amp;&lt;&lt;&gt;&gt;EFG&amp;"
                      "</APE></DAT>");
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
}

void tst_Equivalencia::caminoRapidoIgualQueElGeneral()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QByteArray, esperado);

    const QByteArray utf8 = comoUtf8(lista);
    const Documento rapido = convertir(lista, Codificacion::Windows1252, tipo, false);
    QCOMPARE(rapido, convertir(lista, Codificacion::Windows1252, tipo, true));
    QCOMPARE(convertir(utf8, Codificacion::UTF8, tipo, false), rapido);
    QCOMPARE(convertir(utf8, Codificacion::UTF8, tipo, true), rapido);
    QCOMPARE(rapido.fin, FinConversion::Completa);
    if (!esperado.isEmpty())
        QCOMPARE(rapido.dat, esperado);
}

QTEST_APPLESS_MAIN(tst_Equivalencia)
#include "tst_equivalencia.moc"
