// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "conversor.h"
#include "dialogoabrir.h"
#include "ficheros.h"
#include "indicelista.h"
#include "mensajeroguion.h"
#include "revision.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

// Every row as "line;state;field;...", a marked cell in brackets.
QStringList volcar(const ModeloRevision &modelo)
{
    QStringList filas;
    for (int f = 0; f < modelo.rowCount(); ++f) {
        QStringList celdas;
        for (int c = 0; c < modelo.columnCount(); ++c) {
            const QModelIndex i = modelo.index(f, c);
            const QString valor = i.data().toString();
            celdas.append(i.data(ModeloRevision::RolMarcado).toBool() ? u'[' + valor + u']' : valor);
        }
        filas.append(celdas.join(u';'));
    }
    return filas;
}

// Hands back the scripted names to save under and notes the proposed ones.
class DialogoGuardar : public DialogoAbrir {
public:
    QStringList respuestas;
    QStringList propuestos;

protected:
    QString elegirFichero(QWidget *) override { return {}; }
    QString elegirGuardar(QWidget *, const QString &propuesto) override
    {
        propuestos.append(propuesto);
        return respuestas.isEmpty() ? QString() : respuestas.takeFirst();
    }
};

} // namespace

class tst_Revision : public QObject {
    Q_OBJECT

private slots:
    void modelo_data();
    void modelo();
    void ventana();
};

void tst_Revision::modelo_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QStringList>("conAvisos");
    QTest::addColumn<QString>("primerAviso");
    QTest::addColumn<QString>("limpio");
    QTest::addColumn<QStringList>("celdas"); // a table's first record's cells
    QTest::addColumn<QString>("numerada"); // what the first column counts

    const QByteArray nombre = QByteArray("GARCIA LOPEZ MARIA").leftJustified(62, ' ');
    QTest::newRow("NIF: a wrong control, a blank line, no NIF")
        << TipoConsulta::NIF
        << QByteArray("12345678Z" + nombre + "28079\r\n12345678A" + nombre + "28079\r\n\r\n         " + nombre + "28079\r\n")
        << QStringList{u"1;escrito;12345678Z;GARCIA LOPEZ MARIA;28;079"_s,
                       u"2;escrito con avisos;[12345678A];GARCIA LOPEZ MARIA;28;079"_s,
                       u"4;omitido: sin NIF;         ;GARCIA LOPEZ MARIA;28;079"_s}
        << QStringList{u"2;escrito con avisos;[12345678A];GARCIA LOPEZ MARIA;28;079"_s,
                       u"4;omitido: sin NIF;         ;GARCIA LOPEZ MARIA;28;079"_s}
        << u"El carácter de control del NIF no es el que corresponde a sus cifras (sería Z)."_s
        << QString(u' ').repeated(9) + u"GARCIA LOPEZ MARIA"_s + QString(u' ').repeated(44) + u"28079"_s << QStringList() << u"Línea"_s;
    QTest::newRow("RC: a wrong control, one without reference")
        << TipoConsulta::RC << QByteArray("9872023VH5797S0001WX28079\n9872023VH5797S0001XX28079\n                    28079\n")
        << QStringList{u"1;escrito;9872023VH5797S0001WX;28;079"_s, u"2;escrito con avisos;[9872023VH5797S0001XX];28;079"_s,
                       u"3;omitido: sin referencia catastral;;28;079"_s}
        << QStringList{u"2;escrito con avisos;[9872023VH5797S0001XX];28;079"_s,
                       u"3;omitido: sin referencia catastral;;28;079"_s}
        << u"Los dos últimos caracteres de la referencia catastral no son los que corresponden al resto (serían WX)."_s
        << QString(u' ').repeated(20) + u"28079"_s << QStringList() << u"Línea"_s;
    QTest::newRow("PP: two records on a line, a letter in the polygon, one too short")
        << TipoConsulta::PP << QByteArray("1307701800039,2807900400121\n13077A1800039\n13\n")
        << QStringList{u"1;escrito con avisos;13;077;018;00039"_s, u"1;escrito;28;079;004;00121"_s,
                       u"2;escrito con avisos;13;077;[A18];00039"_s, u"3;omitido: sin provincia, municipio y polígono;13;;;"_s}
        << QStringList{u"1;escrito con avisos;13;077;018;00039"_s, u"2;escrito con avisos;13;077;[A18];00039"_s,
                       u"3;omitido: sin provincia, municipio y polígono;13;;;"_s}
        << u"El polígono no tiene tres cifras."_s << u"13"_s << QStringList() << u"Línea"_s;
    QTest::newRow("PP in UTF-16, read again through its decoding")
        << TipoConsulta::PP
        << QByteArray("\xFF\xFE") + QByteArray::fromRawData(reinterpret_cast<const char *>(u"1307701800039\n13077A1800039\n"), 56)
        << QStringList{u"1;escrito;13;077;018;00039"_s, u"2;escrito con avisos;13;077;[A18];00039"_s}
        << QStringList{u"2;escrito con avisos;13;077;[A18];00039"_s} << u"El polígono no tiene tres cifras."_s
        << u"13077A1800039"_s << QStringList() << u"Línea"_s;
    const QString datos = QStringLiteral(TORXAL_DATOS_PRUEBA);
    QTest::newRow("PP in UTF-16 without a mark, read again from its UTF-8 copy")
        << TipoConsulta::PP
        << QByteArray::fromRawData(reinterpret_cast<const char *>(u"1307701800039\n13077A1800039\n"), 56)
        << QStringList{u"1;escrito;13;077;018;00039"_s, u"2;escrito con avisos;13;077;[A18];00039"_s}
        << QStringList{u"2;escrito con avisos;13;077;[A18];00039"_s} << u"El polígono no tiene tres cifras."_s
        << u"13077A1800039"_s << QStringList() << u"Línea"_s;
    QTest::newRow("CSV: quoted line ends, a blank line, no NIF, a name too long")
        << TipoConsulta::NIF << leer(datos + u"/tabla-csv/lista.csv"_s)
        << QStringList{u"2;escrito con avisos;12345678Z;[MARÍA GARCÍA; LÓPEZ];28;079"_s,
                       u"5;escrito;00000000T;JUAN \"EL\" PÉREZ;08;001"_s, u"6;omitido: sin NIF;         ;SIN NIF;28;079"_s,
                       u"7;escrito;50123456Q;TABULADOR;08;"_s,
                       u"8;escrito con avisos;Y7654321G;[ŁUKASZ WAŁĘSA KOWALSKI ÑANDÚ, UN NOMBRE QUE PASA DE LOS SESENT];28;079"_s}
        << QStringList{u"2;escrito con avisos;12345678Z;[MARÍA GARCÍA; LÓPEZ];28;079"_s,
                       u"6;omitido: sin NIF;         ;SIN NIF;28;079"_s,
                       u"8;escrito con avisos;Y7654321G;[ŁUKASZ WAŁĘSA KOWALSKI ÑANDÚ, UN NOMBRE QUE PASA DE LOS SESENT];28;079"_s}
        << u"La columna pone el nombre delante de los apellidos, y el servicio los espera primero: apellidos y nombre."_s
        << u"Y7654321GŁUKASZ WAŁĘSA KOWALSKI ÑANDÚ, UN NOMBRE QUE PASA DE LOS SESENT2879 "_s
        << QStringList{u"A «DNI»: 12345678Z"_s, u"B «Nombre y apellidos»: María García; López"_s,
                       u"D «Cód. municipio»: 28079"_s, u"E «Observaciones»: dos\nlíneas"_s}
        << u"Línea"_s;
    // The same sheet saved by each program gives the same rows.
    const QStringList filasHoja{
        u"3;escrito;12345678Z;GARCÍA LÓPEZ MARÍA;28;079"_s, u"4;escrito;00000000T;PÉREZ JUAN;08;001"_s,
        u"5;escrito con avisos;50123456Q;ERROR;[];"_s, u"6;escrito con avisos;33445566R;FECHA;[05];[/01]"_s,
        u"7;escrito con avisos;X1234567L;DECIMAL;[28];[079]"_s,
        u"8;escrito con avisos;87654321X;[APELLIDOLARGUISIMO DELOQUECABEENUNACOLUMNA YDELOSQUENUNCAACABA];28;079"_s,
        u"9;escrito con avisos;[12345678Z];GARCÍA LÓPEZ MARÍA;28;079"_s};
    const QStringList celdasHoja{u"A «DNI/NIF»: 12345678Z"_s, u"B «Primer apellido»: García"_s,
                                 u"C «Segundo apellido»: López"_s, u"D «Nombre»: María"_s, u"E «Cód. INE»: 28079"_s,
                                 u"F «Notas»: no se lee"_s};
    for (const char *formato : {"xlsx", "ods"})
        QTest::addRow("%s: a title row, error, date and decimal cells, a duplicate", formato)
            << TipoConsulta::NIF << leer(datos + u"/tabla-"_s + QLatin1StringView(formato) + u"/lista."_s + QLatin1StringView(formato))
            << filasHoja << filasHoja.mid(2)
            << u"La celda tiene un error de la hoja de cálculo en lugar de un valor; el campo queda vacío."_s
            << u"12345678ZGARCÍA LÓPEZ MARÍA"_s + QString(u' ').repeated(44) + u"28079"_s << celdasHoja << u"Fila"_s;
    QTest::newRow("CSV in UTF-16, read again through its decoding")
        << TipoConsulta::NIF << leer(QStringLiteral(TORXAL_DATOS_PRUEBA "/../tablas/nif-utf16.csv"))
        << QStringList{u"2;escrito;12345678Z;GARCÍA LÓPEZ MARÍA;28;079"_s, u"3;escrito;50123456Q;MUÑOZ IBÁÑEZ JOSÉ ÁNGEL;08;"_s,
                       u"4;omitido: sin NIF;         ;SIN NIF PERO CON NOMBRE;28;079"_s,
                       u"5;escrito;33445566R;PÉREZ & <HIJOS> S.L.;;"_s,
                       u"6;escrito con avisos;[12345678A];NIF CON CONTROL MALO;28;079"_s,
                       u"7;escrito con avisos;[12345678Z];GARCÍA LÓPEZ MARÍA;28;079"_s,
                       u"8;escrito con avisos;X1234567L;ÑANDÚ ÖRTEGA ßÆ;[01];001"_s,
                       u"9;escrito con avisos;[ABC      ];TEXTO RARO;[AB];[00C]"_s,
                       u"10;escrito con avisos;00000000T;PROVINCIA SIN SERVICIO;[20];069"_s}
        << QStringList{u"4;omitido: sin NIF;         ;SIN NIF PERO CON NOMBRE;28;079"_s,
                       u"6;escrito con avisos;[12345678A];NIF CON CONTROL MALO;28;079"_s,
                       u"7;escrito con avisos;[12345678Z];GARCÍA LÓPEZ MARÍA;28;079"_s,
                       u"8;escrito con avisos;X1234567L;ÑANDÚ ÖRTEGA ßÆ;[01];001"_s,
                       u"9;escrito con avisos;[ABC      ];TEXTO RARO;[AB];[00C]"_s,
                       u"10;escrito con avisos;00000000T;PROVINCIA SIN SERVICIO;[20];069"_s}
        << u"El carácter de control del NIF no es el que corresponde a sus cifras (sería Z)."_s
        << u"00000000TPROVINCIA SIN SERVICIO"_s + QString(u' ').repeated(40) + u"2069 "_s
        << QStringList{u"A «NIF»: 12345678Z"_s, u"B «APELLIDOS Y NOMBRE»: garcía lópez maría"_s, u"C «PROVINCIA»: 28"_s,
                       u"D «MUNICIPIO»: 79"_s}
        << u"Línea"_s;
}

void tst_Revision::modelo()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QStringList, filas);
    QFETCH(QStringList, conAvisos);
    QFETCH(QString, primerAviso);
    QFETCH(QString, limpio);
    QFETCH(QStringList, celdas);
    QFETCH(QString, numerada);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ruta = dir.filePath(u"lista.txt"_s);
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(lista) == lista.size());
    f.close();

    IndiceLista indice;
    Fallo fallo;
    QVERIFY(indice.construir(ruta, tipo, &fallo));
    ModeloRevision modelo(indice);
    QCOMPARE(volcar(modelo), filas);
    QCOMPARE(modelo.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), numerada);
    QString tooltip;
    for (int f = 0; f < modelo.rowCount() && tooltip.isEmpty(); ++f)
        for (int c = 2; c < modelo.columnCount() && tooltip.isEmpty(); ++c)
            if (modelo.index(f, c).data(ModeloRevision::RolMarcado).toBool())
                tooltip = modelo.index(f, c).data(Qt::ToolTipRole).toString();
    QCOMPARE(tooltip, primerAviso);
    QCOMPARE(modelo.cortado(indice.registros() - 1)->limpio, limpio);
    QCOMPARE(modelo.cortado(0)->celdas, celdas);

    modelo.filtrar(true, std::nullopt);
    QCOMPARE(volcar(modelo), conAvisos);
    // A code of the legend shows the records it is about, and no other.
    for (const DescripcionAviso &d : descripcionesAvisos()) {
        modelo.filtrar(false, d.codigo);
        qint64 suyos = 0;
        for (qint64 r = 0; r < indice.registros(); ++r)
            suyos += (indice.codigos(r) >> int(d.codigo)) & 1;
        QCOMPARE(modelo.rowCount(), int(suyos));
        QCOMPARE(suyos > 0, indice.avisosDe(d.codigo) > 0);
    }

    // Saved from the window, the warnings are the file the run's report writes.
    MensajeroGuion mensajero;
    Conversor conversor(mensajero);
    OpcionesConversion opciones;
    opciones.informe = dir.filePath(u"del-run.csv"_s);
    conversor.setOpciones(opciones);
    conversor.GenerarFicheroXML(ruta, tipo);
    const QString guardado = dir.filePath(u"guardado.csv"_s);
    QVERIFY(indice.guardarAvisos(guardado, false, &fallo));
    QCOMPARE(leer(guardado), leer(opciones.informe));
    QVERIFY(!indice.guardarAvisos(guardado, false, &fallo));
    QCOMPARE(fallo.que, Texto::YaExiste);
    if (hayEnlacesSimbolicos()) {
        QVERIFY(enlazarSimbolico(guardado, dir.filePath(u"enlace.csv"_s)));
        QVERIFY(!indice.guardarAvisos(dir.filePath(u"enlace.csv"_s), true, &fallo));
        QCOMPARE(fallo.que, Texto::InformeEsEnlace);
    }
}

// The window's commands through its seams: the legend and the filter, the line under its
// ruler, saving the warnings, the folder, the copy and Esc.
void tst_Revision::ventana()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ruta = dir.filePath(u"lista.txt"_s);
    QFile f(ruta);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write("1307701800039\n13077A1800039\n13\n") > 0);
    f.close();
    auto indice = std::make_unique<IndiceLista>();
    Fallo fallo;
    QVERIFY(indice->construir(ruta, TipoConsulta::PP, &fallo));
    MensajeroGuion mensajero;
    DialogoGuardar dialogo;
    QUrl abierta;
    auto *ventana = new VentanaRevision(std::move(indice), mensajero, dialogo);
    ventana->setAbrirUrl([&abierta](const QUrl &url) { abierta = url; return true; });
    ventana->show();
    QVERIFY(QTest::qWaitForWindowExposed(ventana));
    QCOMPARE(ventana->windowTitle(), u"Revisión de la lista"_s);
    auto *tabla = ventana->findChild<QTableView *>(u"Tabla"_s);
    auto *leyenda = ventana->findChild<QListWidget *>(u"Leyenda"_s);
    QVERIFY(tabla && leyenda);
    QCOMPARE(leyenda->count(), 2);
    QCOMPARE(leyenda->item(1)->text(), u"Polígonos que no tienen tres cifras (pol-no-numerico): 1"_s);
    QCOMPARE(tabla->model()->rowCount(), 3);
    ventana->findChild<QCheckBox *>(u"SoloAvisos"_s)->click();
    QCOMPARE(tabla->model()->rowCount(), 2);
    leyenda->setCurrentRow(1);
    QCOMPARE(tabla->model()->rowCount(), 1);
    QCOMPARE(tabla->currentIndex().row(), 0);
    const QString linea = ventana->findChild<QLabel *>(u"LineaOriginal"_s)->text();
    QVERIFY2(linea.contains(u"Línea 2 de la lista: 13077A1800039"_s) && linea.contains(u"1234567890123"_s), qPrintable(linea));

    ventana->findChild<QPushButton *>(u"Copiar"_s)->click();
    QCOMPARE(QApplication::clipboard()->text(), u"Línea\tEstado\tPRO\tMUN\tPOL\tPAR\n2\tescrito con avisos\t13\t077\tA18\t00039\n"_s);
    ventana->findChild<QPushButton *>(u"AbrirCarpeta"_s)->click();
    QCOMPARE(abierta, QUrl::fromLocalFile(dir.path()));

    // Saved once; asked about the file there the second time, and No leaves it.
    const QString csv = dir.filePath(u"avisos.csv"_s);
    dialogo.respuestas = {csv, csv};
    ventana->findChild<QPushButton *>(u"GuardarAvisos"_s)->click();
    QCOMPARE(dialogo.propuestos, QStringList{dir.filePath(u"lista-avisos.csv"_s)});
    QVERIFY(leer(csv).contains("2;pol-no-numerico;POL;A18;"));
    ventana->findChild<QPushButton *>(u"GuardarAvisos"_s)->click();
    QCOMPARE(mensajero.resumen(), QStringList{u"308: El fichero "_s + csv + u" ya existe. ¿Desea reemplazarlo?"_s});

    QPointer<VentanaRevision> sigue(ventana);
    QTest::keyClick(tabla, Qt::Key_Escape);
    QTRY_VERIFY(!sigue);
}

QTEST_MAIN(tst_Revision)
#include "tst_revision.moc"
