// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "limpieza.h"
#include "limpiezabytes.h"

#include <QTest>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

QString texto(std::u32string_view v)
{
    return QString::fromUcs4(v.data(), qsizetype(v.size()));
}

std::u32string ucs4(const QString &s)
{
    const QList<uint> puntos = s.toUcs4();
    return std::u32string(puntos.begin(), puntos.end());
}

// The fields a layout fills, in its order, joined so a whole record compares at once.
QString describir(const Campos &c, TipoConsulta tipo)
{
    auto campo = [](const char *nombre, const Campo &valor) {
        return QString::fromLatin1(nombre) + u'=' + QString::fromUtf8(valor.vista().data(), qsizetype(valor.vista().size()));
    };
    switch (tipo) {
    case TipoConsulta::NIF:
        return QStringList{campo("NIF", c.NIF), campo("APE", c.APE), campo("PRO", c.PRO), campo("MUN", c.MUN)}.join(u'|');
    case TipoConsulta::RC:
        return QStringList{campo("RC", c.RC), campo("PRO", c.PRO), campo("MUN", c.MUN)}.join(u'|');
    case TipoConsulta::PP:
        return QStringList{campo("PRO", c.PRO), campo("MUN", c.MUN), campo("POL", c.POL), campo("PAR", c.PAR)}.join(u'|');
    }
    return {};
}

// Cuts the record both ways where it can: on its Latin-1 bytes too, when every character
// fits in one; the two must agree on every field and flag. Returns the general way's fields.
QString cortarDeAmbasManeras(const QString &registro, TipoConsulta tipo, QString *limpio = nullptr,
                             QString *banderas = nullptr)
{
    const auto banderasDe = [](const Campos &c) {
        return QStringLiteral("blanco=%1 tabulador=%2 sobrante=%3 escribible=%4")
            .arg(c.enBlanco).arg(c.tabulador).arg(c.sobrante).arg(c.escribible);
    };
    const auto limpioDe = [](const Campos &c) {
        std::string texto;
        textoLimpio(c, 0, texto);
        return QString::fromStdString(texto);
    };
    auto describirTodo = [&](const Campos &c) { return describir(c, tipo) + u' ' + banderasDe(c); };
    Campos general;
    std::u32string u = ucs4(registro);
    const QString cortado = texto(torxal::cortarRegistro(u, tipo, general));
    if (limpio)
        *limpio = cortado;
    if (banderas)
        *banderas = banderasDe(general);
    const bool cabeEnLatin1 = std::all_of(registro.begin(), registro.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (cabeEnLatin1) {
        Campos bytes;
        const QByteArray latin1 = registro.toLatin1();
        torxal::cortarRegistroBytes(std::string_view(latin1.constData(), size_t(latin1.size())), tablaBytes(Codificacion::UTF8),
                                    tipo, bytes);
        if (describirTodo(bytes) != describirTodo(general))
            return QStringLiteral("the byte-wise way differs: ") + describirTodo(bytes);
        if (limpioDe(bytes) != limpioDe(general))
            return QStringLiteral("the cleaned texts differ: ") + limpioDe(bytes);
    }
    return describir(general, tipo);
}

} // namespace

class tst_Limpieza : public QObject {
    Q_OBJECT

private slots:
    void quitarNoImprimibles_data();
    void quitarNoImprimibles();
    void limpiarRegistro_data();
    void limpiarRegistro();
    void cortarRegistro_data();
    void cortarRegistro();
    void cortarRegistroReutilizaCampos();
    void banderasDelRegistro_data();
    void banderasDelRegistro();
};

void tst_Limpieza::quitarNoImprimibles_data()
{
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("izquierda");
    QTest::addColumn<QString>("derecha");
    QTest::addColumn<QString>("ambos");

    QTest::newRow("nothing to remove") << "ABC" << "ABC" << "ABC" << "ABC";
    QTest::newRow("spaces are printable") << "  A  " << "  A  " << "  A  " << "  A  ";
    QTest::newRow("controls at both ends") << "\x01\tA\x7f\r" << "A\x7f\r" << "\x01\tA" << "A";
    QTest::newRow("inner control stays") << "A\x02" "B" << "A\x02" "B" << "A\x02" "B" << "A\x02" "B";
    QTest::newRow("accented letters are printable") << u"ÉLIA Ñ"_s << u"ÉLIA Ñ"_s << u"ÉLIA Ñ"_s << u"ÉLIA Ñ"_s;
    QTest::newRow("no-break space and mark at the ends") << u"\u00a0\ufeffA\u00a0"_s << u"A\u00a0"_s
                                                         << u"\u00a0\ufeffA"_s << u"A"_s;
    QTest::newRow("C1 control and line separator") << u"\u0085A\u2028"_s << u"A\u2028"_s << u"\u0085A"_s << u"A"_s;
    QTest::newRow("soft hyphen and private use") << u"\u00adA\ue000"_s << u"A\ue000"_s << u"\u00adA"_s << u"A"_s;
    QTest::newRow("only non-printables") << "\t\x01\x7f" << "" << "" << "";
    QTest::newRow("empty") << "" << "" << "" << "";
}

void tst_Limpieza::quitarNoImprimibles()
{
    QFETCH(QString, entrada);
    QFETCH(QString, izquierda);
    QFETCH(QString, derecha);
    QFETCH(QString, ambos);
    const std::u32string u = ucs4(entrada);
    QCOMPARE(texto(QuitarNoImprimiblesIzq(u)), izquierda);
    QCOMPARE(texto(QuitarNoImprimiblesDer(u)), derecha);
    QCOMPARE(texto(QuitarNoImprimibles(u)), ambos);
}

void tst_Limpieza::limpiarRegistro_data()
{
    QTest::addColumn<QString>("registro");
    QTest::addColumn<QString>("limpio");

    QTest::newRow("upper case with Spanish letters") << u"pérez nuñez, begoña ç"_s << u"PÉREZ NUÑEZ, BEGOÑA Ç"_s;
    QTest::newRow("sharp s keeps its single character") << u"straße"_s << u"STRAßE"_s;
    QTest::newRow("final accented letter kept") << u"GARCIA RENÉ"_s << u"GARCIA RENÉ"_s;
    QTest::newRow("inner tab removed, columns shift") << "AB\tCD" << "ABCD";
    QTest::newRow("tabs at the ends removed") << "\tAB\t" << "AB";
    QTest::newRow("control and DEL at the ends removed") << "\x01" "AB\x7f" << "AB";
    QTest::newRow("inner control kept") << "A\x01" "B" << "A\x01" "B";
    QTest::newRow("spaces at the ends kept") << "  ab  " << "  AB  ";
    QTest::newRow("no-break space at the end removed") << u"ab\u00a0"_s << "AB";
    QTest::newRow("only controls becomes empty") << "\x01\x02" << "";
    QTest::newRow("digits and punctuation unchanged") << "12.345-Z/&<" << "12.345-Z/&<";
}

void tst_Limpieza::limpiarRegistro()
{
    QFETCH(QString, registro);
    QFETCH(QString, limpio);
    QString cortado;
    cortarDeAmbasManeras(registro, TipoConsulta::PP, &cortado);
    QCOMPARE(cortado, limpio);
}

void tst_Limpieza::cortarRegistro_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QString>("limpio");
    QTest::addColumn<QString>("campos");

    const QString ape = QStringLiteral("GARCIA LOPEZ MARIA").leftJustified(62, u' ');
    QTest::newRow("nif full record") << TipoConsulta::NIF << u"12345678Z"_s + ape + u"28079"_s
                                     << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=28|MUN=079";
    QTest::newRow("nif keeps its spaces") << TipoConsulta::NIF << u"1234567Z "_s + ape
                                          << "NIF=1234567Z |APE=GARCIA LOPEZ MARIA|PRO=|MUN=";
    QTest::newRow("nif of nine spaces stays as sliced") << TipoConsulta::NIF << u"         X"_s
                                                        << "NIF=         |APE=X|PRO=|MUN=";
    QTest::newRow("nif only") << TipoConsulta::NIF << "12345678Z" << "NIF=12345678Z|APE=|PRO=|MUN=";
    QTest::newRow("nif short record") << TipoConsulta::NIF << "1234" << "NIF=1234|APE=|PRO=|MUN=";
    QTest::newRow("nif province space then digit") << TipoConsulta::NIF << u"12345678Z"_s + ape + u" 8  1"_s
                                                   << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=08|MUN=001";
    QTest::newRow("nif province digit then space") << TipoConsulta::NIF << u"12345678Z"_s + ape + u"8 "_s
                                                   << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=08|MUN=";
    QTest::newRow("nif zero codes are absent") << TipoConsulta::NIF << u"12345678Z"_s + ape + u"00 0 "_s
                                               << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=|MUN=";
    QTest::newRow("nif text past the layout ignored") << TipoConsulta::NIF << u"12345678Z"_s + ape + u"28079XYZ"_s
                                                      << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=28|MUN=079";
    QTest::newRow("nif surname runs to the end") << TipoConsulta::NIF << u"12345678ZPEÑA RENÉ"_s
                                                 << u"NIF=12345678Z|APE=PEÑA RENÉ|PRO=|MUN="_s;
    QTest::newRow("nif forbidden character dropped from a code") << TipoConsulta::NIF
                                                                 << u"12345678Z"_s + ape + u"8\u0001079"_s
                                                                 << "NIF=12345678Z|APE=GARCIA LOPEZ MARIA|PRO=08|MUN=079";
    QTest::newRow("nif forbidden character dropped from the name") << TipoConsulta::NIF
                                                                   << u"12345678ZA\u0002B"_s
                                                                   << "NIF=12345678Z|APE=AB|PRO=|MUN=";

    QTest::newRow("rc full record") << TipoConsulta::RC << "9872023VH5797S0001WX28079"
                                    << "RC=9872023VH5797S0001WX|PRO=28|MUN=079";
    QTest::newRow("rc short reference trimmed") << TipoConsulta::RC << "  13077A01800039    13077"
                                                << "RC=13077A01800039|PRO=13|MUN=077";
    QTest::newRow("rc municipality without province") << TipoConsulta::RC << "9872023VH5797S0001WX  079"
                                                      << "RC=9872023VH5797S0001WX|PRO=|MUN=079";
    QTest::newRow("rc letters in codes are kept") << TipoConsulta::RC << "9872023VH5797S0001WXA B"
                                                  << "RC=9872023VH5797S0001WX|PRO=0A|MUN=00B";

    QTest::newRow("pp exactly 13 characters") << TipoConsulta::PP << "1307701800039" << "PRO=13|MUN=077|POL=018|PAR=00039";
    QTest::newRow("pp of 8 characters has no parcel") << TipoConsulta::PP << "13077018" << "PRO=13|MUN=077|POL=018|PAR=";
    QTest::newRow("pp parcel 12 filled to five") << TipoConsulta::PP << "1307701812" << "PRO=13|MUN=077|POL=018|PAR=00012";
    QTest::newRow("pp single zero municipality absent") << TipoConsulta::PP << "13 0 018" << "PRO=13|MUN=|POL=018|PAR=";
    QTest::newRow("pp 00 and a space is absent") << TipoConsulta::PP << "1300 018" << "PRO=13|MUN=|POL=018|PAR=";
    QTest::newRow("pp all zeros") << TipoConsulta::PP << "0000000000000" << "PRO=|MUN=|POL=|PAR=";
    QTest::newRow("pp empty record") << TipoConsulta::PP << "" << "PRO=|MUN=|POL=|PAR=";
    QTest::newRow("pp inner space kept inside a code") << TipoConsulta::PP << "131 7018" << "PRO=13|MUN=1 7|POL=018|PAR=";
}

void tst_Limpieza::cortarRegistro()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QString, limpio);
    QFETCH(QString, campos);
    QCOMPARE(cortarDeAmbasManeras(limpio, tipo), campos);
}

void tst_Limpieza::cortarRegistroReutilizaCampos()
{
    // A short record after a long one must not keep the long one's leftovers.
    Campos campos;
    std::u32string largo = U"1307701800039";
    std::u32string corto = U"28079004";
    torxal::cortarRegistro(largo, TipoConsulta::PP, campos);
    torxal::cortarRegistro(corto, TipoConsulta::PP, campos);
    QCOMPARE(describir(campos, TipoConsulta::PP), u"PRO=28|MUN=079|POL=004|PAR="_s);
    torxal::cortarRegistroBytes("1307701800039", tablaBytes(Codificacion::Windows1252), TipoConsulta::PP, campos);
    torxal::cortarRegistroBytes("28079004", tablaBytes(Codificacion::Windows1252), TipoConsulta::PP, campos);
    QCOMPARE(describir(campos, TipoConsulta::PP), u"PRO=28|MUN=079|POL=004|PAR="_s);
}

void tst_Limpieza::banderasDelRegistro_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QString>("registro");
    QTest::addColumn<QString>("banderas");

    QTest::newRow("plain record") << TipoConsulta::PP << "1307701800039" << "blanco=0 tabulador=0 sobrante=0 escribible=1";
    QTest::newRow("spaces and tabs only are blank") << TipoConsulta::PP << " \t  \t " << "blanco=1 tabulador=0 sobrante=0 escribible=0";
    QTest::newRow("a tab before text shifts it") << TipoConsulta::PP << "13077\t01800039" << "blanco=0 tabulador=1 sobrante=0 escribible=1";
    QTest::newRow("a tab among spaces, then text past the columns") << TipoConsulta::PP << "1307701800039 \t \t x\x7f"
                                                                << "blanco=0 tabulador=1 sobrante=1 escribible=1";
    QTest::newRow("a tab with only spaces after it") << TipoConsulta::PP << "1307701800039\t  " << "blanco=0 tabulador=0 sobrante=0 escribible=1";
    QTest::newRow("spaces past the last column are nothing") << TipoConsulta::RC << u"9872023VH5797S0001WX28079"_s + QString(40, u' ')
                                                             << "blanco=0 tabulador=0 sobrante=0 escribible=1";
    QTest::newRow("a letter past the last column") << TipoConsulta::RC << "9872023VH5797S0001WX28079   Z"
                                                   << "blanco=0 tabulador=0 sobrante=1 escribible=1";
    QTest::newRow("a nif list read as polygon and parcel") << TipoConsulta::PP << "12345678ZGARCIA" << "blanco=0 tabulador=0 sobrante=1 escribible=1";
    QTest::newRow("a plot without its polygon is left out") << TipoConsulta::PP << "13077" << "blanco=0 tabulador=0 sobrante=0 escribible=0";
    QTest::newRow("a reference of spaces is left out") << TipoConsulta::RC << u"                    28079"_s << "blanco=0 tabulador=0 sobrante=0 escribible=0";
    QTest::newRow("a NIF of spaces is left out") << TipoConsulta::NIF << "         GARCIA" << "blanco=0 tabulador=0 sobrante=0 escribible=0";
}

void tst_Limpieza::banderasDelRegistro()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QString, registro);
    QFETCH(QString, banderas);
    QString vistas;
    const QString campos = cortarDeAmbasManeras(registro, tipo, nullptr, &vistas);
    QVERIFY2(!campos.startsWith(u"the "), qPrintable(campos));
    QCOMPARE(vistas, banderas);
}

QTEST_APPLESS_MAIN(tst_Limpieza)
#include "tst_limpieza.moc"
