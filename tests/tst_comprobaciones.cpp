// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// The checks of a list and the report that carries their warnings. The lists go through
// the real reader, cleaning and writer, so a warning's line, field and value are the
// ones a user would see.

#include "conversionenmemoria.h"
#include "ficheros.h"
#include "informe.h"

#include <QTemporaryDir>
#include <QRandomGenerator>
#include <QTest>

#include <map>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

QString claveDe(CodigoAviso codigo)
{
    return QString::fromLatin1(describir(codigo).clave);
}

// "2 duplicado NIF=12345678Z|1" stands for the warning line with the code's text and 1
// in its place: the rows state where, what and which detail, not the wording again.
QStringList completar(const QStringList &avisos)
{
    QStringList completos;
    for (const QString &aviso : avisos) {
        const QString cabeza = aviso.section(u'|', 0, 0);
        const QString clave = cabeza.section(u' ', 1, 1);
        QString texto;
        for (const DescripcionAviso &descripcion : descripcionesAvisos())
            if (QLatin1StringView(descripcion.clave) == clave)
                texto = QString::fromUtf16(descripcion.texto);
        if (aviso.contains(u'|'))
            texto.replace(QStringLiteral("%1"), aviso.section(u'|', 1));
        completos.append(cabeza + QStringLiteral(": ") + texto);
    }
    return completos;
}

// One record line of each fixed-column layout, codes in their columns.
QByteArray nif(const QByteArray &nifYNombre, const QByteArray &codigos = {})
{
    return nifYNombre.leftJustified(71, ' ') + codigos + "\r\n";
}

QByteArray rc(const QByteArray &referencia, const QByteArray &codigos = {})
{
    return referencia.leftJustified(20, ' ') + codigos + "\r\n";
}

// The document a list gives, with the checks watching or without them.
QByteArray documentoDe(const QByteArray &lista, TipoConsulta tipo, Comprobador *comprobador)
{
    QList<QByteArray> colocados;
    const OpcionesDocumento opciones{u"http://www.catastro.meh.es/"_s, u"dd/MM/yyyy"_s, QDate(2026, 12, 7), 0};
    EscritorXML escritor(fabricaEnMemoria(&colocados), derivarRutaSalida(u"lista.txt"_s), tipo, opciones);
    Fallo fallo;
    QByteArray copia = lista;
    QBuffer entrada(&copia);
    entrada.open(QIODevice::ReadOnly);
    if (!escritor.CrearCabeceraXML(&fallo))
        return "<sin cabecera>";
    ResultadoConversion resultado;
    if (!convertirRegistros(entrada, u"lista.txt"_s, tipo, escritor, comprobador, Camino::ElMasRapido, &resultado, &fallo)
        || !escritor.CerrarFicheroXML(&fallo))
        return "<incompleto>";
    return static_cast<DestinoMemoria *>(escritor.partes().front().destino.get())->documento();
}

// A generated list and the warnings a plain reading of the rules expects of it, worked
// out here with sets and maps, one record at a time, independently of the engine. The
// identifiers are valid (a NIF's letter, a reference from a known-good pair or without
// check characters), so what the model must find is the list-wide part: duplicates,
// references that include another, commas, Windows-1252 lines, and how a record's own
// warnings (an unknown province) fall among them.
struct Modelo {
    QByteArray lista;
    QStringList avisos; // as completar() takes them
    qint64 conAvisos = 0;
};

Modelo generarModelo(TipoConsulta tipo, int lineas, quint32 semilla)
{
    QRandomGenerator azar(semilla);
    Modelo modelo;
    struct Registro {
        QByteArray texto; // as the line holds it
        QString clave;    // its identifier; empty for a record that is not written
        bool provinciaMala = false;
        bool enBlanco = false;
    };
    const QString campo = tipo == TipoConsulta::NIF ? u"NIF"_s : tipo == TipoConsulta::RC ? u"RC"_s : u"PRO MUN POL PAR"_s;
    const QStringList buenas = {u"7837301VG8173B0001TT"_s, u"9872Ñ23VH5797S0001HX"_s};
    QStringList usadas;
    const auto nuevaClave = [&]() -> QString {
        if (!usadas.isEmpty() && azar.bounded(8) == 0)
            return usadas[azar.bounded(usadas.size())];
        QString clave;
        if (tipo == TipoConsulta::NIF) {
            const int numero = 10000000 + int(azar.bounded(90000000));
            clave = QString::number(numero) + QLatin1Char("TRWAGMYFPDXBNJZSQVHLCKE"[numero % 23]);
        } else if (tipo == TipoConsulta::RC) {
            const int forma = azar.bounded(10);
            clave = forma == 0 ? buenas[azar.bounded(2)]
                : forma < 3    ? buenas[azar.bounded(2)].left(14 + 4 * azar.bounded(2))
                               : QString::number(1000000 + azar.bounded(9000)) + u"VH"_s
                        + QString::number(1000 + azar.bounded(20)) + u'S'
                        + (azar.bounded(3) == 0 ? QString::number(1000 + azar.bounded(3)) : QString());
        } else {
            clave = u"079"_s + QString::number(100 + azar.bounded(10))
                + (azar.bounded(4) == 0 ? QString() : QString::number(10000 + azar.bounded(50)));
        }
        usadas.append(clave);
        return clave;
    };

    std::map<QString, qint64> primeraLinea; // every written identifier, and its first line
    std::map<QString, qint64> prefijos;     // first 14 and 18 characters of references, and their first line
    QList<bool> conAviso;                   // one a written record
    QStringList tardios;                    // duplicates and inclusions, in the records' order
    struct Pendiente {
        qint64 linea;
        qsizetype desde, hasta;
    };
    QList<Pendiente> pendientes; // Windows-1252 lines before the list showed itself UTF-8
    bool listaUtf8 = false;
    const auto marcar = [&](qsizetype desde, qsizetype hasta) {
        for (qsizetype i = desde; i < hasta; ++i)
            conAviso[i] = true;
    };
    struct Linea {
        qint64 numero = 0; // 0: none yet
        qsizetype desde = 0, hasta = 0; // its written records
        QString trasLaComa;             // its second non-blank record, when it has one
        bool windows1252 = false;
    } anterior;
    const auto cerrar = [&](bool utf8) {
        if (utf8) {
            for (const Pendiente &p : std::as_const(pendientes)) {
                modelo.avisos.append(QStringLiteral("%1 codificacion =").arg(p.linea));
                marcar(p.desde, p.hasta);
            }
            pendientes.clear();
        }
        if (anterior.numero == 0 || anterior.hasta == anterior.desde)
            return;
        if (!anterior.trasLaComa.isNull()) {
            modelo.avisos.append(QStringLiteral("%1 coma =%2").arg(anterior.numero).arg(anterior.trasLaComa));
            marcar(anterior.desde, anterior.hasta);
        }
        if (anterior.windows1252 && utf8) {
            modelo.avisos.append(QStringLiteral("%1 codificacion =").arg(anterior.numero));
            marcar(anterior.desde, anterior.hasta);
        } else if (anterior.windows1252) {
            pendientes.append(Pendiente{anterior.numero, anterior.desde, anterior.hasta});
        }
    };
    for (qint64 linea = 1; linea <= lineas; ++linea) {
        const bool enWindows1252 = linea < 4 || azar.bounded(20) == 0;
        QList<Registro> registros;
        for (int n = 0; n < (azar.bounded(15) == 0 ? 2 : 1); ++n) {
            Registro r{{}, nuevaClave(), azar.bounded(50) == 0, false};
            const QByteArray provincia = r.provinciaMala ? "53" : "28";
            if (tipo == TipoConsulta::NIF) {
                // The record after a comma is its NIF alone; the first has its name and codes.
                r.provinciaMala &= n == 0;
                r.texto = r.clave.toLatin1()
                    + (n > 0 ? QByteArray() : (enWindows1252 ? "PE\xD1" "A" : "PE\xC3\x91" "A") + QByteArray(58, ' ') + provincia + "079");
            } else if (tipo == TipoConsulta::RC) {
                r.texto = (enWindows1252 ? r.clave.toLatin1() : r.clave.toUtf8()) + QByteArray(20 - r.clave.size(), ' ')
                    + provincia + "079";
            } else {
                r.clave = QString::fromLatin1(provincia) + r.clave;
                r.texto = r.clave.toLatin1();
            }
            registros.append(r);
        }
        // A record never written gives a line its encoding now and then: a letter for a plot
        // line, a no-break space (a blank record) for a reference.
        if (tipo == TipoConsulta::PP && (enWindows1252 || azar.bounded(10) == 0))
            registros.append(Registro{enWindows1252 ? "\xD1" : "\xC3\x91", {}, false, false});
        if (tipo == TipoConsulta::RC && (enWindows1252 || azar.bounded(10) == 0))
            registros.append(Registro{enWindows1252 ? "\xA0" : "\xC2\xA0", {}, false, true});
        QByteArrayList textos;
        for (const Registro &r : registros)
            textos.append(r.texto);
        const QByteArray bytes = textos.join(',');
        const bool conLetra = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
        listaUtf8 |= !enWindows1252 && conLetra;
        // The line before is over once this one is read: its own warnings come now, after
        // the earlier Windows-1252 lines if this line showed the list to be UTF-8.
        cerrar(listaUtf8);

        anterior = Linea{linea, conAviso.size(), 0, {}, enWindows1252 && conLetra};
        int noEnBlanco = 0;
        for (const Registro &r : registros) {
            if (!r.enBlanco && ++noEnBlanco == 2)
                anterior.trasLaComa = (anterior.windows1252 ? QString::fromLatin1(r.texto) : QString::fromUtf8(r.texto)).trimmed();
            if (r.clave.isEmpty())
                continue;
            conAviso.append(false);
            if (r.provinciaMala) {
                modelo.avisos.append(QStringLiteral("%1 pro-inexistente PRO=53|53").arg(linea));
                conAviso.back() = true;
            }
            // PP's warnings quote the four codes apart, an absent parcel left out.
            const QString valor = tipo != TipoConsulta::PP ? r.clave
                : QStringList{r.clave.left(2), r.clave.mid(2, 3), r.clave.mid(5, 3), r.clave.mid(8)}.join(u' ').trimmed();
            if (primeraLinea.contains(r.clave)) {
                tardios.append(QStringLiteral("%1 duplicado %2=%3|%4").arg(linea).arg(campo, valor).arg(primeraLinea[r.clave]));
                conAviso.back() = true;
                continue;
            }
            primeraLinea[r.clave] = linea;
            const qsizetype n = r.clave.size();
            if (tipo != TipoConsulta::RC || (n != 14 && n != 18 && n != 20))
                continue;
            // Included: an earlier reference starts with this one, or this one with an earlier one.
            qint64 nombrada = prefijos.contains(r.clave) ? prefijos[r.clave] : 0;
            for (qsizetype corte : {14, 18})
                if (!nombrada && corte < n && primeraLinea.contains(r.clave.left(corte)))
                    nombrada = primeraLinea[r.clave.left(corte)];
            for (qsizetype corte : {14, 18})
                if (corte < n && !prefijos.contains(r.clave.left(corte)))
                    prefijos[r.clave.left(corte)] = linea;
            if (nombrada) {
                tardios.append(QStringLiteral("%1 rc-incluida RC=%2|%3").arg(linea).arg(valor).arg(nombrada));
                conAviso.back() = true;
            }
        }
        anterior.hasta = conAviso.size();
        modelo.lista += bytes + "\r\n";
    }
    cerrar(listaUtf8);
    modelo.avisos += tardios;
    modelo.conAvisos = conAviso.count(true);
    return modelo;
}

} // namespace

class tst_Comprobaciones : public QObject {
    Q_OBJECT

private slots:
    void identificadores_data();
    void identificadores();
    void listas_data();
    void listas();
    void nuncaCambianElDocumento_data();
    void nuncaCambianElDocumento();
    void modelo_data();
    void modelo();
    void filasCsv_data();
    void filasCsv();
    void informeEnDisco();
};

void tst_Comprobaciones::identificadores_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QString>("resultado"); // the codes, then the right control character(s)

    const auto fila = [](const char *nombre, TipoConsulta tipo, const QString &valor, const QString &resultado) {
        QTest::newRow(nombre) << tipo << valor << resultado;
    };
    using enum TipoConsulta;
    fila("right DNI", NIF, u"12345678Z"_s, {});
    fila("DNI with the wrong letter", NIF, u"12345678A"_s, u"nif-control Z"_s);
    fila("DNI with a letter outside the table", NIF, u"12345678I"_s, u"nif-control Z"_s);
    fila("DNI with a digit for its letter", NIF, u"123456789"_s, u"nif-forma"_s);
    fila("seven-digit DNI and a trailing space", NIF, u"1234567Z "_s, u"nif-forma"_s);
    fila("right NIE with X", NIF, u"X2482300W"_s, {});
    fila("right NIE with Y", NIF, u"Y1234567X"_s, {});
    fila("right NIE with Z", NIF, u"Z1234567R"_s, {});
    fila("NIE with Y holding the letter of X", NIF, u"Y1234567L"_s, u"nif-control X"_s);
    fila("NIE with Z holding the letter of X", NIF, u"Z1234567L"_s, u"nif-control R"_s);
    fila("right K", NIF, u"K1234567L"_s, {});
    fila("M with the wrong letter", NIF, u"M1234567X"_s, u"nif-control L"_s);
    fila("entity with its digit control", NIF, u"B64717838"_s, {});
    fila("entity with its letter control", NIF, u"B6471783H"_s, {});
    fila("entity with the wrong control", NIF, u"Q12345670"_s, u"nif-control 4 o D"_s);
    fila("entity control past J", NIF, u"B6471783K"_s, u"nif-forma"_s);
    fila("letter that leads no NIF", NIF, u"I1234567D"_s, u"nif-forma"_s);
    fila("right 20-character reference", RC, u"7837301VG8173B0001TT"_s, {});
    fila("second check character wrong", RC, u"7837301VG8173B0001TA"_s, u"rc-control TT"_s);
    fila("first check character wrong", RC, u"7837301VG8173B0001AT"_s, u"rc-control TT"_s);
    fila("Ñ weighs 15 and counts as one character", RC, u"9872Ñ23VH5797S0001HX"_s, {});
    fila("letters after Ñ weigh one more", RC, u"12345ÑZ89ABCDE0001AA"_s, u"rc-control BL"_s);
    fila("parcel of 14", RC, u"7837301VG8173B"_s, {});
    fila("property of 18", RC, u"7837301VG8173B0001"_s, {});
    fila("19 characters", RC, u"7837301VG8173B0001T"_s, u"rc-longitud"_s);
    fila("dash in 14 characters", RC, u"783730-VG8173B"_s, u"rc-forma"_s);
    fila("accented letter counts as one character", RC, u"783730ÉVG8173B"_s, u"rc-forma"_s);
    fila("inner space and a wrong length", RC, u"7837301 VG8173B"_s, u"rc-forma rc-longitud"_s);
    fila("20 characters of the wrong form are not checked", RC, u"7837301-G8173B0001TA"_s, u"rc-forma"_s);
}

void tst_Comprobaciones::identificadores()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QString, valor);
    QFETCH(QString, resultado);
    const QByteArray utf8 = valor.toUtf8();
    const std::string_view vista(utf8.constData(), size_t(utf8.size()));
    QStringList hallado;
    if (tipo == TipoConsulta::NIF) {
        std::array<char, 3> esperado{};
        if (const auto codigo = comprobarNIF(vista, &esperado))
            hallado.append(claveDe(*codigo));
        if (esperado[0])
            hallado.append(textoControlNIF(esperado));
    } else {
        const AvisosRC avisos = comprobarRC(vista);
        for (auto [hay, codigo] : {std::pair{avisos.forma, CodigoAviso::RcForma},
                                   std::pair{avisos.longitud, CodigoAviso::RcLongitud},
                                   std::pair{avisos.control, CodigoAviso::RcControl}})
            if (hay)
                hallado.append(claveDe(codigo));
        if (avisos.control)
            hallado.append(QString::fromLatin1(avisos.esperado.data()));
    }
    QCOMPARE(hallado.join(u' '), resultado);
}

void tst_Comprobaciones::listas_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<QStringList>("avisos");
    QTest::addColumn<qint64>("conAvisos");

    using enum TipoConsulta;
    using L = QStringList;
    QTest::newRow("identifier shape and control, lower case upper-cased first")
        << NIF << nif("1234567Z ") + nif("12345678a") + nif("12345678z")
        << L{u"1 nif-forma NIF=1234567Z "_s, u"2 nif-control NIF=12345678A|Z"_s} << qint64(2);
    QTest::newRow("province and municipality codes, 00 absent")
        << NIF << nif("12345678Z", "4x079") + nif("X2482300W", "53079") + nif("Y1234567X", " 1079")
            + nif("Z1234567R", "00079") + nif("K1234567L", "52x79")
        << L{u"1 pro-no-numerico PRO=4X"_s, u"2 pro-inexistente PRO=53|53"_s, u"3 pro-sin-servicio PRO=01|01 (Álava)"_s,
             u"5 mun-no-numerico MUN=X79"_s} << qint64(4);
    QTest::newRow("polygon and parcel codes, a parcel of zeros absent")
        << PP << QByteArray("280790A400121\r\n28079004001A1\r\n2807900500000\r\n28079006\r\n")
        << L{u"1 pol-no-numerico POL=0A4"_s, u"2 par-no-numerico PAR=001A1"_s} << qint64(2);
    QTest::newRow("reference length counted in characters")
        << RC << rc("7837301VG8173B0", "28079") + rc("7837301VG8173Ñ")
        << L{u"1 rc-longitud RC=7837301VG8173B0|15"_s} << qint64(1);
    QTest::newRow("an escaped character is checked as written")
        << RC << rc("7837301VG&173B") << L{u"1 rc-forma RC=7837301VG&173B"_s} << qint64(1);
    QTest::newRow("duplicate names its earlier line, a record with two warnings counts once")
        << NIF << nif("12345678A") + nif("X2482300W") + nif("12345678A", "53")
        << L{u"1 nif-control NIF=12345678A|Z"_s, u"3 nif-control NIF=12345678A|Z"_s,
             u"3 pro-inexistente PRO=53|53"_s, u"3 duplicado NIF=12345678A|1"_s} << qint64(2);
    QTest::newRow("plot duplicate, an absent parcel counting as empty")
        << PP << QByteArray("28079004\r\n2807900400000\r\n2807900400121\r\n")
        << L{u"2 duplicado PRO MUN POL PAR=28 079 004|1"_s} << qint64(1);
    QTest::newRow("a duplicate of a skipped record is no duplicate")
        << PP << QByteArray("2807900000121\r\n2807900000121\r\n") << L{} << qint64(0);
    QTest::newRow("parcel then a property of it")
        << RC << rc("7837301VG8173B") + rc("7837301VG8173B0001TT")
        << L{u"2 rc-incluida RC=7837301VG8173B0001TT|1"_s} << qint64(1);
    QTest::newRow("property then its parcel, then the parcel again")
        << RC << rc("7837301VG8173B0001TT") + rc("7837301VG8173B") + rc("7837301VG8173B")
        << L{u"2 rc-incluida RC=7837301VG8173B|1"_s, u"3 duplicado RC=7837301VG8173B|2"_s} << qint64(2);
    QTest::newRow("18 characters then its 20")
        << RC << rc("7837301VG8173B0001") + rc("7837301VG8173B0001TT")
        << L{u"2 rc-incluida RC=7837301VG8173B0001TT|1"_s} << qint64(1);
    QTest::newRow("two properties of one parcel, and a 16-character prefix")
        << RC << rc("7837301VG8173B0001") + rc("7837301VG8173B0002") + rc("7837301VG8173B00")
        << L{u"3 rc-longitud RC=7837301VG8173B00|16"_s} << qint64(1);
    QTest::newRow("comma once per line, for each of its written records")
        << NIF << QByteArray("12345678Z,X2482300W,Y1234567X\r\nZ1234567R,         B\r\n")
        << L{u"1 coma =X2482300W"_s, u"2 coma =B"_s} << qint64(4);
    QTest::newRow("comma inside quotes, blank records after a comma, a line of skipped records")
        << NIF << QByteArray("\"12345678ZPEREZ, ANA\"\r\nX2482300W,  ,\r\n         A,         B\r\n")
        << L{} << qint64(0);
    QTest::newRow("tab inside a record; at either end it shifts nothing")
        << NIF << "12345678Z\tPEREZ\r\n" + nif("X2482300W\t") + "\tY1234567X\r\nZ1234567R \t \t\r\n"
        << L{u"1 tabulador =12345678ZPEREZ"_s} << qint64(1);
    QTest::newRow("text past column 25")
        << RC << rc("7837301VG8173B", "28079X") << L{u"1 texto-sobrante =X"_s} << qint64(1);
    QTest::newRow("text past column 76")
        << NIF << nif("12345678Z", "28079 SOBRA") << L{u"1 texto-sobrante =SOBRA"_s} << qint64(1);
    QTest::newRow("text past column 13")
        << PP << QByteArray("2807900400121X\r\n") << L{u"1 texto-sobrante =X"_s} << qint64(1);
    QTest::newRow("spaces past the last column are nothing")
        << RC << rc("7837301VG8173B", "28079     ") << L{} << qint64(0);
    QTest::newRow("invisible characters inside fields, each field once")
        << NIF << nif("12345678ZGARC\xC3\x8D" "A\xE2\x80\x8BL\xC3\x93PEZ") + nif("X2482300WA\xEF\xBB\xBF" "B\xC2\x85" "C")
            + nif("Y1234567XA\x7F" "B", "2\xE2\x80\xA8" "8") + nif("00000000TPEREZ PEREZ JUAN \xF0\x9F\x98\x80\xF3\xA0\x80\x81")
        << L{u"1 invisible APE=GARCÍA\u200BLÓPEZ|U+200B"_s, u"2 invisible APE=A\uFEFFB\u0085C|U+FEFF"_s,
             u"3 pro-no-numerico PRO=2\u2028"_s, u"3 invisible APE=A\u007FB|U+007F"_s, u"3 invisible PRO=2\u2028|U+2028"_s,
             u"4 invisible APE=PEREZ PEREZ JUAN \U0001F600\U000E0001|U+E0001"_s}
        << qint64(4);
    QTest::newRow("DEL in an ASCII line, cut on its bytes")
        << NIF << nif("12345678ZA\x7F" "B") << L{u"1 invisible APE=A\u007FB|U+007F"_s} << qint64(1);
    QTest::newRow("a soft hyphen in a Windows-1252 list, cut on its bytes")
        << NIF << nif("12345678ZGARC\xCD" "A L\xD3PEZ MAR\xCD" "A") + nif("X2482300WPEREZ\xAD" "GIL")
        << L{u"2 invisible APE=PEREZ\u00ADGIL|U+00AD"_s} << qint64(1);
    QTest::newRow("Windows-1252 line after UTF-8, with a comma")
        << NIF << nif("12345678ZP\xC3\x89REZ") + "X2482300WN\xDA\xD1" "EZ,Y1234567X\r\n"
        << L{u"2 coma =Y1234567X"_s, u"2 codificacion ="_s} << qint64(2);
    QTest::newRow("Windows-1252 lines before UTF-8, one without a written record")
        << NIF << nif("X2482300WN\xDA\xD1" "EZ") + nif("         N\xDA\xD1" "EZ") + nif("12345678A")
            + nif("Y1234567XP\xC3\x89REZ")
        << L{u"3 nif-control NIF=12345678A|Z"_s, u"1 codificacion ="_s} << qint64(2);
    QTest::newRow("Windows-1252 line in a list with a UTF-8 mark")
        << NIF << "\xEF\xBB\xBF" + nif("X2482300WN\xDA\xD1" "EZ")
        << L{u"1 codificacion ="_s} << qint64(1);
    QTest::newRow("a list all Windows-1252")
        << NIF << nif("X2482300WN\xDA\xD1" "EZ") + nif("12345678ZP\xC9REZ") << L{} << qint64(0);
}

void tst_Comprobaciones::listas()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QStringList, avisos);
    QFETCH(qint64, conAvisos);
    for (Camino camino : {Camino::ElMasRapido, Camino::General}) {
        const ConversionEnMemoria conversion = convertirEnMemoria(lista, tipo, camino);
        QCOMPARE(conversion.avisos, completar(avisos));
        QCOMPARE(conversion.conAvisos, conAvisos);
    }
}

void tst_Comprobaciones::nuncaCambianElDocumento_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<qint64>("deOtroTipo");

    QTest::newRow("NIF") << TipoConsulta::NIF
                         << nif("1234567Z ") + nif("12345678A", "53x79") + nif("12345678Z", "28079 SOBRA")
            + nif("I1234567A", "28079X") + "12345678Z\tA,X2482300W\r\n" << qint64(3);
    QTest::newRow("RC") << TipoConsulta::RC
                        << rc("783730-VG8173B") + rc("7837301VG8173B0") + rc("7837301-G8173B0")
            + rc("7837301VG8173B0001TA") + rc("7837301VG8173B", "28079X") + rc("7837301VG8173B") << qint64(4);
    QTest::newRow("PP") << TipoConsulta::PP
                        << QByteArray("2807900400121 X\r\n28079004001A1\r\n28079004\r\n") << qint64(1);
}

void tst_Comprobaciones::nuncaCambianElDocumento()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(qint64, deOtroTipo);
    QStringList avisos;
    ReceptorEnLista receptor(&avisos);
    Comprobador comprobador(tipo, receptor);
    const QByteArray comprobado = documentoDe(lista, tipo, &comprobador);
    QCOMPARE(comprobado, documentoDe(lista, tipo, nullptr));
    QVERIFY(comprobado.contains("<DAT>"));
    QCOMPARE(comprobador.registrosDeOtroTipo(), deOtroTipo);
    QCOMPARE(comprobador.avisos(), qint64(avisos.size()));
}

void tst_Comprobaciones::modelo_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<int>("lineas");
    QTest::newRow("NIF") << TipoConsulta::NIF << 10000;
    QTest::newRow("RC") << TipoConsulta::RC << 10000;
    QTest::newRow("PP") << TipoConsulta::PP << 10000;
    // Enough records for the key buckets to be sorted on their bytes rather than compared.
    QTest::newRow("NIF, large buckets") << TipoConsulta::NIF << 80000;
    QTest::newRow("RC, large buckets") << TipoConsulta::RC << 80000;
    QTest::newRow("PP, large buckets of few keys") << TipoConsulta::PP << 80000;
}

void tst_Comprobaciones::modelo()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(int, lineas);
    const Modelo esperado = generarModelo(tipo, lineas, 2008 + quint32(tipo));
    const ConversionEnMemoria conversion = convertirEnMemoria(esperado.lista, tipo, Camino::ElMasRapido);
    const QStringList avisos = completar(esperado.avisos);
    // The first warning that differs, not ten thousand lines of them.
    for (qsizetype i = 0; i < std::min(avisos.size(), conversion.avisos.size()); ++i)
        QCOMPARE(conversion.avisos[i], avisos[i]);
    QCOMPARE(conversion.avisos.size(), avisos.size());
    QCOMPARE(conversion.conAvisos, esperado.conAvisos);
    QVERIFY(esperado.avisos.filter(u" duplicado "_s).size() > 50);
    QVERIFY(tipo != TipoConsulta::RC || esperado.avisos.filter(u" rc-incluida "_s).size() > 50);
    QVERIFY(esperado.avisos.filter(u" coma "_s).size() > 100);
    QVERIFY(esperado.avisos.filter(u" codificacion "_s).size() > 100);
}

void tst_Comprobaciones::filasCsv_data()
{
    QTest::addColumn<QStringList>("campos");
    QTest::addColumn<QByteArray>("fila");

    QTest::newRow("plain fields, spaces kept")
        << QStringList{u"3"_s, u"nif-forma"_s, u"NIF"_s, u"1234567Z "_s, u"x"_s}
        << QByteArray("3;nif-forma;NIF;1234567Z ;x\r\n");
    QTest::newRow("empty fields") << QStringList{u"1"_s, u"coma"_s, {}, {}, {}} << QByteArray("1;coma;;;\r\n");
    QTest::newRow("semicolon quoted") << QStringList{u"A;B"_s, u"C"_s} << QByteArray("\"A;B\";C\r\n");
    QTest::newRow("quotes doubled") << QStringList{u"\"EL\" PEREZ"_s} << QByteArray("\"\"\"EL\"\" PEREZ\"\r\n");
    QTest::newRow("CR and LF quoted") << QStringList{u"A\rB"_s, u"C\nD"_s} << QByteArray("\"A\rB\";\"C\nD\"\r\n");
    QTest::newRow("comma and tab need nothing") << QStringList{u"A,B"_s, u"C\tD"_s} << QByteArray("A,B;C\tD\r\n");
    QTest::newRow("accented letters in UTF-8") << QStringList{u"NÚÑEZ"_s} << QByteArray("N\xC3\x9A\xC3\x91" "EZ\r\n");
}

void tst_Comprobaciones::filasCsv()
{
    QFETCH(QStringList, campos);
    QFETCH(QByteArray, fila);
    QCOMPARE(filaCsv(campos), fila);
}

void tst_Comprobaciones::informeEnDisco()
{
    // Enough rows to fill the write buffer a few times, over an older report.
    QTemporaryDir temporal;
    QVERIFY(temporal.isValid());
    const QString ruta = temporal.filePath(QStringLiteral("avisos.csv"));
    QVERIFY(escribir(ruta, "viejo\r\n"));
    QByteArray esperado = "\xEF\xBB\xBF" "linea;codigo;campo;valor;aviso\r\n"
                          "1;coma;;\"A;\"\"B\"\"\";\"Una coma fuera de comillas parti\xC3\xB3 la l\xC3\xADnea en varios "
                          "registros; si la coma es parte de un dato, qu\xC3\xADtela, o ponga todo el registro entre comillas desde su "
                          "primer car\xC3\xA1" "cter.\"\r\n";
    {
        Informe informe(crearDestinoFichero, ruta);
        Fallo fallo;
        QVERIFY(informe.abrir(&fallo));
        informe.recibirAviso(Aviso{CodigoAviso::Coma, 1, {}, "A;\"B\"", {}});
        for (int linea = 2; linea <= 3000; ++linea) {
            informe.recibirAviso(Aviso{CodigoAviso::Duplicado, linea, QLatin1StringView("NIF"), "12345678Z", "1"});
            esperado += QByteArray::number(linea) + ";duplicado;NIF;12345678Z;Repite el registro de la l\xC3\xADnea 1.\r\n";
        }
        QVERIFY(informe.preparar(&fallo));
        QVERIFY(informe.colocar(true, &fallo));
    }
    QCOMPARE(leer(ruta), esperado);
}

QTEST_APPLESS_MAIN(tst_Comprobaciones)
#include "tst_comprobaciones.moc"
