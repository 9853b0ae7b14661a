#include "conversor.h"
#include "indicelista.h"
#include "mensajeroguion.h"
#include "revision.h"

#include <QApplication>
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

QByteArray leer(const QString &ruta)
{
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no se lee)");
}

} // namespace

class tst_Revision : public QObject {
    Q_OBJECT

private slots:
    void modelo_data();
    void modelo();
};

void tst_Revision::modelo_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<QStringList>("filas");
    QTest::addColumn<QStringList>("conAvisos");
    QTest::addColumn<QString>("primerAviso");
    QTest::addColumn<QString>("limpio");

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
        << QString(u' ').repeated(9) + u"GARCIA LOPEZ MARIA"_s + QString(u' ').repeated(44) + u"28079"_s;
    QTest::newRow("RC: a wrong control, one without reference")
        << TipoConsulta::RC << QByteArray("9872023VH5797S0001WX28079\n9872023VH5797S0001XX28079\n                    28079\n")
        << QStringList{u"1;escrito;9872023VH5797S0001WX;28;079"_s, u"2;escrito con avisos;[9872023VH5797S0001XX];28;079"_s,
                       u"3;omitido: sin referencia catastral;;28;079"_s}
        << QStringList{u"2;escrito con avisos;[9872023VH5797S0001XX];28;079"_s,
                       u"3;omitido: sin referencia catastral;;28;079"_s}
        << u"Los dos últimos caracteres de la referencia catastral no son los que corresponden al resto (serían WX)."_s
        << QString(u' ').repeated(20) + u"28079"_s;
    QTest::newRow("PP: two records on a line, a letter in the polygon, one too short")
        << TipoConsulta::PP << QByteArray("1307701800039,2807900400121\n13077A1800039\n13\n")
        << QStringList{u"1;escrito con avisos;13;077;018;00039"_s, u"1;escrito;28;079;004;00121"_s,
                       u"2;escrito con avisos;13;077;[A18];00039"_s, u"3;omitido: sin provincia, municipio y polígono;13;;;"_s}
        << QStringList{u"1;escrito con avisos;13;077;018;00039"_s, u"2;escrito con avisos;13;077;[A18];00039"_s,
                       u"3;omitido: sin provincia, municipio y polígono;13;;;"_s}
        << u"El polígono no tiene tres cifras."_s << u"13"_s;
    QTest::newRow("PP in UTF-16, read again through its decoding")
        << TipoConsulta::PP
        << QByteArray("\xFF\xFE") + QByteArray::fromRawData(reinterpret_cast<const char *>(u"1307701800039\n13077A1800039\n"), 56)
        << QStringList{u"1;escrito;13;077;018;00039"_s, u"2;escrito con avisos;13;077;[A18];00039"_s}
        << QStringList{u"2;escrito con avisos;13;077;[A18];00039"_s} << u"El polígono no tiene tres cifras."_s
        << u"13077A1800039"_s;
}

void tst_Revision::modelo()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QStringList, filas);
    QFETCH(QStringList, conAvisos);
    QFETCH(QString, primerAviso);
    QFETCH(QString, limpio);
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
    QString tooltip;
    for (int f = 0; f < modelo.rowCount() && tooltip.isEmpty(); ++f)
        for (int c = 2; c < modelo.columnCount() && tooltip.isEmpty(); ++c)
            if (modelo.index(f, c).data(ModeloRevision::RolMarcado).toBool())
                tooltip = modelo.index(f, c).data(Qt::ToolTipRole).toString();
    QCOMPARE(tooltip, primerAviso);
    QCOMPARE(modelo.cortado(indice.registros() - 1)->limpio, limpio);

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
    QVERIFY(QFile::link(guardado, dir.filePath(u"enlace.csv"_s)));
    QVERIFY(!indice.guardarAvisos(dir.filePath(u"enlace.csv"_s), true, &fallo));
    QCOMPARE(fallo.que, Texto::InformeEsEnlace);
}

QTEST_MAIN(tst_Revision)
#include "tst_revision.moc"
