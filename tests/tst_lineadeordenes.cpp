#include "lineadeordenes.h"
#include "ficheros.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

using namespace torxal;

namespace {

const QString Ejemplos = QStringLiteral(TORXAL_EJEMPLOS);

struct Salida {
    int estado = -1;
    QString salida;
    QString errores;
};

// Runs the command line in-process; %D in the arguments stands for `dir`, and
// `terminal` (when given) is what the user types at a terminal.
Salida ejecutar(const QStringList &argumentos, const QString &dir = {}, const QString *terminal = nullptr)
{
    Salida resultado;
    QString teclado = terminal ? *terminal : QString();
    QTextStream salida(&resultado.salida);
    QTextStream errores(&resultado.errores);
    QTextStream entrada(&teclado, QIODevice::ReadOnly);
    Consola consola{salida, errores, terminal ? &entrada : nullptr};
    QStringList reales;
    for (const QString &a : argumentos)
        reales.append(QString(a).replace(u"%D"_qs, dir));
    resultado.estado = ejecutarLineaDeOrdenes(reales, consola);
    salida.flush();
    errores.flush();
    if (!dir.isEmpty()) {
        resultado.salida.replace(dir, u"%D"_qs);
        resultado.errores.replace(dir, u"%D"_qs);
    }
    return resultado;
}

bool copiarEjemplo(const QString &nombre, const QString &dir)
{
    return QFile::copy(Ejemplos + u'/' + nombre, dir + u'/' + nombre);
}

const QString Uso = QStringLiteral("Uso: torxal-cli --tipo nif|rc|pp [--sobrescribir] FICHERO...\n");
const QString Pista = QStringLiteral("Pruebe «torxal-cli --help» para más información.\n");

QString creado(const QString &ruta, int escritos)
{
    return QStringLiteral("El fichero %1 se ha creado correctamente.\nRegistros escritos: %2.\n"
                          "Registros omitidos por falta de un campo obligatorio: 0.\n")
        .arg(ruta)
        .arg(escritos);
}

} // namespace

class tst_LineaDeOrdenes : public QObject {
    Q_OBJECT

private slots:
    void erroresDeUso_data();
    void erroresDeUso();
    void ayudaYVersion();
    void convierteCadaFichero_data();
    void convierteCadaFichero();
    void salidaExistente_data();
    void salidaExistente();
    void procesoReal();
};

void tst_LineaDeOrdenes::erroresDeUso_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("problema");

    QTest::newRow("nothing") << QStringList{} << "falta el tipo de consulta (--tipo nif, rc o pp).";
    QTest::newRow("no file") << QStringList{u"--tipo"_qs, u"nif"_qs} << "falta el fichero que convertir.";
    QTest::newRow("no kind") << QStringList{u"lista.txt"_qs} << "falta el tipo de consulta (--tipo nif, rc o pp).";
    QTest::newRow("kind missing its value") << QStringList{u"lista.txt"_qs, u"--tipo"_qs}
                                            << "falta el tipo de consulta tras --tipo.";
    QTest::newRow("unknown kind") << QStringList{u"--tipo=xx"_qs, u"lista.txt"_qs} << "tipo de consulta desconocido: «xx».";
    QTest::newRow("unknown option") << QStringList{u"--tipo"_qs, u"rc"_qs, u"--forzar"_qs, u"lista.txt"_qs}
                                    << "opción desconocida: «--forzar».";
}

void tst_LineaDeOrdenes::erroresDeUso()
{
    QFETCH(QStringList, argumentos);
    QFETCH(QString, problema);
    const Salida s = ejecutar(argumentos);
    QCOMPARE(s.estado, 2);
    QCOMPARE(s.salida, QString());
    QCOMPARE(s.errores, u"torxal-cli: "_qs + problema + u'\n' + Uso + Pista);
}

void tst_LineaDeOrdenes::ayudaYVersion()
{
    const Salida ayuda = ejecutar({u"--help"_qs});
    QCOMPARE(ayuda.estado, 0);
    QVERIFY(ayuda.salida.startsWith(Uso));
    QVERIFY(ayuda.salida.contains(u"--sobrescribir"_qs));
    QCOMPARE(ayuda.errores, QString());

    const Salida version = ejecutar({u"--tipo"_qs, u"nif"_qs, u"--version"_qs});
    QCOMPARE(version.estado, 0);
    QCOMPARE(version.salida, u"2.01\n"_qs);
}

void tst_LineaDeOrdenes::convierteCadaFichero_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("salida");
    QTest::addColumn<QString>("errores");

    QTest::newRow("one list") << QStringList{u"--tipo"_qs, u"pp"_qs, u"%D/pp.txt"_qs} << 0
                              << creado(u"%D/pp.xml"_qs, 4) << QString();
    QTest::newRow("kind in any case, options after the files")
        << QStringList{u"%D/rc.txt"_qs, u"%D/nif.txt"_qs, u"--tipo=NiF"_qs} << 0
        << creado(u"%D/rc.xml"_qs, 4) + creado(u"%D/nif.xml"_qs, 6) << QString();
    QTest::newRow("a failure does not stop the others")
        << QStringList{u"--tipo"_qs, u"rc"_qs, u"%D/falta.txt"_qs, u"%D/rc.txt"_qs} << 1 << creado(u"%D/rc.xml"_qs, 4)
        << u"No se puede abrir el fichero de entrada %D/falta.txt.\nNo such file or directory\n"_qs;
    QTest::newRow("path of spaces reaches the run")
        << QStringList{u"--tipo"_qs, u"nif"_qs, u"   "_qs} << 1 << QString() << u"Es obligatorio un fichero de entrada\n"_qs;
    QTest::newRow("a file named like an option after --")
        << QStringList{u"--tipo"_qs, u"nif"_qs, u"--"_qs, u"--help"_qs} << 1 << QString()
        << u"No se puede abrir el fichero de entrada --help.\nNo such file or directory\n"_qs;
}

void tst_LineaDeOrdenes::convierteCadaFichero()
{
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QString, salida);
    QFETCH(QString, errores);
    QTemporaryDir temporal;
    for (const char *nombre : {"nif.txt", "rc.txt", "pp.txt"})
        QVERIFY(copiarEjemplo(QString::fromLatin1(nombre), temporal.path()));
    const Salida s = ejecutar(argumentos, temporal.path());
    QCOMPARE(s.errores, errores);
    QCOMPARE(s.salida, salida);
    QCOMPARE(s.estado, estado);
}

void tst_LineaDeOrdenes::salidaExistente_data()
{
    QTest::addColumn<QStringList>("opciones");
    QTest::addColumn<bool>("hayTerminal");
    QTest::addColumn<QString>("tecleado");
    QTest::addColumn<bool>("sustituido");
    QTest::addColumn<QString>("errores");

    const QString pregunta = QStringLiteral("El fichero de salida ya existe. ¿Desea sobreescribirlo?");
    QTest::newRow("no terminal, no option") << QStringList{} << false << QString() << false
                                            << pregunta + u"\nNo se sustituye sin --sobrescribir.\n"_qs;
    QTest::newRow("option replaces without asking") << QStringList{u"--sobrescribir"_qs} << false << QString() << true
                                                    << QString();
    QTest::newRow("terminal answers s") << QStringList{} << true << u"s\n"_qs << true << pregunta + u" [s/N] "_qs;
    QTest::newRow("terminal answers Sí") << QStringList{} << true << u"Sí\n"_qs << true << pregunta + u" [s/N] "_qs;
    QTest::newRow("terminal answers Enter") << QStringList{} << true << u"\n"_qs << false << pregunta + u" [s/N] "_qs;
    QTest::newRow("terminal closed") << QStringList{} << true << QString() << false << pregunta + u" [s/N] "_qs;
}

void tst_LineaDeOrdenes::salidaExistente()
{
    QFETCH(QStringList, opciones);
    QFETCH(bool, hayTerminal);
    QFETCH(QString, tecleado);
    QFETCH(bool, sustituido);
    QFETCH(QString, errores);
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"pp.txt"_qs, temporal.path()));
    {
        QFile antes(temporal.filePath(u"pp.xml"_qs));
        QVERIFY(antes.open(QIODevice::WriteOnly));
        antes.write("ANTES");
    }
    const Salida s = ejecutar(QStringList{u"--tipo"_qs, u"pp"_qs, u"%D/pp.txt"_qs} + opciones, temporal.path(),
                              hayTerminal ? &tecleado : nullptr);
    QCOMPARE(s.errores, errores);
    QCOMPARE(s.salida, sustituido ? creado(u"%D/pp.xml"_qs, 4) : QString());
    QCOMPARE(s.estado, sustituido ? 0 : 1);
    QCOMPARE(leer(temporal.filePath(u"pp.xml"_qs)).startsWith("<?xml"), sustituido);
}

void tst_LineaDeOrdenes::procesoReal()
{
    // One real process: the installed entry point, its streams and its exit status.
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"nif.txt"_qs, temporal.path()));
    QProcess proceso;
    proceso.setProgram(QStringLiteral(TORXAL_CLI));
    proceso.setArguments({u"--tipo"_qs, u"nif"_qs, temporal.filePath(u"nif.txt"_qs)});
    proceso.setStandardInputFile(QProcess::nullDevice());
    proceso.start();
    QVERIFY(proceso.waitForFinished(30000));
    QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardError()), QString());
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardOutput()), creado(temporal.filePath(u"nif.xml"_qs), 6));
    QCOMPARE(proceso.exitCode(), 0);
    const QByteArray documento = leer(temporal.filePath(u"nif.xml"_qs));
    QVERIFY(documento.contains(QStringLiteral("<DAT><NIF>50123456Q</NIF><APE>MUÑOZ IBÁÑEZ JOSÉ ÁNGEL</APE>"
                                              "<PRO>08</PRO><MUN>019</MUN></DAT>\r\n")
                                   .toUtf8()));
}

QTEST_GUILESS_MAIN(tst_LineaDeOrdenes)
#include "tst_lineadeordenes.moc"
