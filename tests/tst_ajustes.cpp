#include "ajustes.h"

#include <QDate>
#include <QTest>

using namespace torxal;

class tst_Ajustes : public QObject {
    Q_OBJECT

private slots:
    void validar_data();
    void validar();
};

void tst_Ajustes::validar_data()
{
    QTest::addColumn<QString>("validador");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<QString>("resultado"); // the value read, or the problem

    const QString caracteres = u"contiene «%1», que no se admite"_qs;
    const QString sinEsquema = u"no empieza por un esquema seguido de dos puntos, como «urn:» o «http:»"_qs;
    QTest::newRow("uri: urn") << "uri" << "urn:example:consulta-masiva" << true << "";
    QTest::newRow("uri: path, query and fragment") << "uri" << "http://x.example/ns?a=1#v" << true << "";
    QTest::newRow("uri: every scheme character") << "uri" << "a1+b.c-d:x" << true << "";
    QTest::newRow("uri: accented and astral characters") << "uri" << u"urn:año:😀"_qs << true << "";
    QTest::newRow("uri: empty") << "uri" << "" << false << "está vacío";
    QTest::newRow("uri: space") << "uri" << "urn:a b" << false << "contiene un espacio";
    QTest::newRow("uri: tab") << "uri" << "urn:a\tb" << false << "contiene un carácter de control (U+0009)";
    QTest::newRow("uri: DEL") << "uri" << "urn:\x7f" << false << "contiene un carácter de control (U+007F)";
    QTest::newRow("uri: C1 control") << "uri" << u"urn:\u009f"_qs << false << "contiene un carácter de control (U+009F)";
    QTest::newRow("uri: no-break space") << "uri" << u"urn:\u00a0"_qs << false << "contiene un espacio en blanco (U+00A0)";
    for (const char *c : {"'", "\"", "<", ">", "&", "\\"})
        QTest::addRow("uri: %s", c) << "uri" << u"urn:x"_qs + QLatin1String(c) << false << caracteres.arg(QLatin1String(c));
    QTest::newRow("uri: lone surrogate") << "uri" << u"urn:"_qs + QChar(0xd800) << false
                                         << "contiene un carácter que XML no admite (U+D800)";
    QTest::newRow("uri: U+FFFE") << "uri" << u"urn:\ufffe"_qs << false << "contiene un carácter que XML no admite (U+FFFE)";
    QTest::newRow("uri: no colon") << "uri" << "x.example/ns" << false << sinEsquema;
    QTest::newRow("uri: empty scheme") << "uri" << ":x" << false << sinEsquema;
    QTest::newRow("uri: scheme starts with a digit") << "uri" << "1urn:x" << false
                                                     << "el esquema «1urn» no empieza por una letra de la a a la z";
    QTest::newRow("uri: underscore in scheme") << "uri" << "ur_n:x" << false
        << "el esquema «ur_n» solo admite letras de la a a la z, cifras, «+», «-» y «.»";
    QTest::newRow("uri: nothing after the colon") << "uri" << "urn:" << false << "no tiene nada tras «urn:»";

    const QString formatos = u"debe ser dd/MM/yyyy o yyyy-MM-dd"_qs;
    QTest::newRow("date: day first") << "fecha" << "dd/MM/yyyy" << true << "DiaMesAnio 09/03/2024";
    QTest::newRow("date: year first") << "fecha" << "yyyy-MM-dd" << true << "AnioMesDia 2024-03-09";
    QTest::newRow("date: other case") << "fecha" << "DD/MM/YYYY" << false << formatos;
    QTest::newRow("date: leading space") << "fecha" << " dd/MM/yyyy" << false << formatos;
    QTest::newRow("date: empty") << "fecha" << "" << false << formatos;

    const QString cifras = u"debe ser un número entero de kilobytes escrito solo con cifras (0: sin límite)"_qs;
    const QString grande = u"es demasiado grande: el máximo es 9007199254740991"_qs;
    QTest::newRow("size: zero") << "tamano" << "0" << true << "0";
    QTest::newRow("size: leading zeros") << "tamano" << "00000000000000000000000010" << true << "10";
    QTest::newRow("size: largest") << "tamano" << "9007199254740991" << true << "9007199254740991";
    QTest::newRow("size: one past the largest") << "tamano" << "9007199254740992" << false << grande;
    QTest::newRow("size: past a qint64") << "tamano" << "99999999999999999999" << false << grande;
    QTest::newRow("size: empty") << "tamano" << "" << false << "está vacío";
    QTest::newRow("size: sign") << "tamano" << "+5" << false << cifras;
    QTest::newRow("size: unit") << "tamano" << "5k" << false << cifras;
    QTest::newRow("size: inner space") << "tamano" << "1 0" << false << cifras;
    QTest::newRow("size: Arabic-Indic digit") << "tamano" << u"\u0665"_qs << false << cifras;
}

void tst_Ajustes::validar()
{
    QFETCH(QString, validador);
    QFETCH(QString, texto);
    QFETCH(bool, valido);
    QFETCH(QString, resultado);

    QString problema;
    QString leido;
    bool ok = false;
    if (validador == u"uri") {
        ok = comprobarEspacioDeNombres(texto, &problema);
    } else if (validador == u"fecha") {
        const std::optional<FormatoFecha> formato = leerFormatoFecha(texto, &problema);
        ok = formato.has_value();
        if (ok)
            leido = (*formato == FormatoFecha::AnioMesDia ? u"AnioMesDia "_qs : u"DiaMesAnio "_qs)
                + QDate(2024, 3, 9).toString(textoFormatoFecha(*formato));
    } else {
        qint64 kb = -1;
        ok = leerTamanoMaximo(texto, &kb, &problema);
        leido = QString::number(kb);
    }
    QCOMPARE(ok, valido);
    QCOMPARE(ok ? leido : problema, resultado);
}

QTEST_GUILESS_MAIN(tst_Ajustes)
#include "tst_ajustes.moc"
