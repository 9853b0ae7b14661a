// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "lineadeordenes.h"
#include "ficheros.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>


using namespace torxal;
using namespace Qt::StringLiterals;

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
        reales.append(QString(a).replace(u"%D"_s, dir));
    resultado.estado = ejecutarLineaDeOrdenes(reales, consola);
    salida.flush();
    errores.flush();
    if (!dir.isEmpty()) {
        resultado.salida.replace(dir, u"%D"_s);
        resultado.errores.replace(dir, u"%D"_s);
    }
    return resultado;
}

bool copiarEjemplo(const QString &nombre, const QString &dir)
{
    return QFile::copy(Ejemplos + u'/' + nombre, dir + u'/' + nombre);
}

const QString Uso = QStringLiteral("Uso: torxal-cli --tipo nif|rc|pp [opciones] FICHERO...\n");
const QString Pista = QStringLiteral("Pruebe «torxal-cli --help» para más información.\n");

// The success message and its summary: `cabeza` the lines before the counts (the verdict),
// `cola` those after them (one per warning code).
QString creado(const QString &lista, const QString &ruta, int escritos, const QString &avisos = u"0"_s,
               const QString &cabeza = {}, const QString &cola = {})
{
    return QStringLiteral("%1: El fichero %2 se ha creado correctamente.\n%5Registros escritos: %3.\n"
                          "Registros omitidos por falta de un campo obligatorio: 0.\nRegistros con avisos: %4.\n%6"
                          "Sin tamaño máximo por fichero.\n")
        .arg(lista, ruta)
        .arg(escritos)
        .arg(avisos, cabeza, cola);
}

// The settings files this test writes, in folders of its own: the machine's are never read.
class Ajustes {
public:
    Ajustes()
    {
        qputenv(CarpetasAjustesSistema, QFile::encodeName(m_dir.filePath(u"sistema"_s)));
        qputenv(CarpetaAjustesUsuario, QFile::encodeName(m_dir.filePath(u"usuario"_s)));
    }
    ~Ajustes()
    {
        qputenv(CarpetasAjustesSistema, m_dirs);
        qputenv(CarpetaAjustesUsuario, m_home);
    }
    bool escribir(const QString &donde, const QByteArray &contenido)
    {
        return QDir().mkpath(m_dir.filePath(donde + u"/torxal"_s))
            && ::escribir(m_dir.filePath(donde + u"/torxal/torxal.conf"_s), contenido);
    }
    QString ruta(const QString &donde) const { return m_dir.filePath(donde + u"/torxal/torxal.conf"_s); }

private:
    QByteArray m_dirs = qgetenv(CarpetasAjustesSistema);
    QByteArray m_home = qgetenv(CarpetaAjustesUsuario);
    QTemporaryDir m_dir;
};

// The header lines a document carries: its namespace and its date.
QByteArray raizYFecha(const QString &documento)
{
    const QByteArray bytes = leer(documento);
    const QList<QByteArray> lineas = bytes.split('\n');
    return lineas.size() > 3 ? QByteArray(lineas[1] + lineas[2]).replace("\r", "") : bytes;
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
    void precedenciaDeAjustes_data();
    void precedenciaDeAjustes();
    void ajustesNoValidos_data();
    void ajustesNoValidos();
    void informeYEstricto_data();
    void informeYEstricto();
    void procesoReal();
    void salidaEstandarLlena_data();
    void salidaEstandarLlena();
};

void tst_LineaDeOrdenes::erroresDeUso_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("problema");

    QTest::newRow("nothing") << QStringList{} << "falta el tipo de consulta (--tipo nif, rc o pp).";
    QTest::newRow("no file") << QStringList{u"--tipo"_s, u"nif"_s} << "falta el fichero que convertir.";
    QTest::newRow("no kind") << QStringList{u"lista.txt"_s} << "falta el tipo de consulta (--tipo nif, rc o pp).";
    QTest::newRow("kind missing its value") << QStringList{u"lista.txt"_s, u"--tipo"_s} << "falta el valor de --tipo.";
    QTest::newRow("unknown kind") << QStringList{u"--tipo=xx"_s, u"lista.txt"_s} << "tipo de consulta desconocido: «xx».";
    QTest::newRow("unknown option") << QStringList{u"--tipo"_s, u"rc"_s, u"--forzar"_s, u"lista.txt"_s}
                                    << "opción desconocida: «--forzar».";
    QTest::newRow("a namespace that is not an absolute URI")
        << QStringList{u"--tipo=nif"_s, u"--espacio-de-nombres"_s, u"urn:a b"_s, u"l.txt"_s}
        << "espacio de nombres no válido «urn:a b»: contiene un espacio.";
    QTest::newRow("a date format of its own")
        << QStringList{u"--tipo=nif"_s, u"--formato-fecha=dd-MM-yyyy"_s, u"l.txt"_s}
        << "formato de fecha no válido «dd-MM-yyyy»: debe ser dd/MM/yyyy o yyyy-MM-dd.";
    QTest::newRow("a negative size") << QStringList{u"--tipo=nif"_s, u"--tamano-maximo"_s, u"-1"_s, u"l.txt"_s}
                                     << "tamaño máximo no válido «-1»: debe ser un número entero de kilobytes escrito solo con cifras (0: sin límite).";
    QTest::newRow("a report file for several lists")
        << QStringList{u"--tipo=nif"_s, u"--informe=avisos.csv"_s, u"a.txt"_s, u"b.txt"_s}
        << "con varias listas, --informe debe ser una carpeta.";
    QTest::newRow("a table without a header needs its columns")
        << QStringList{u"--tipo=nif"_s, u"--sin-cabecera"_s, u"l.csv"_s}
        << "--sin-cabecera necesita --columnas: sin cabecera, las columnas se indican.";
    QTest::newRow("a column of another kind")
        << QStringList{u"--tipo=nif"_s, u"--columnas=NIF=A,POL=B"_s, u"l.csv"_s}
        << "--columnas: «POL» no es un campo de esta consulta; sus campos son NIF, APE, PRO, MUN, INE.";
    QTest::newRow("a separator of its own") << QStringList{u"--tipo=nif"_s, u"--separador=|"_s, u"l.csv"_s}
                                            << "separador no válido «|»: debe ser ';', ',' o tab.";
}

void tst_LineaDeOrdenes::erroresDeUso()
{
    QFETCH(QStringList, argumentos);
    QFETCH(QString, problema);
    const Salida s = ejecutar(argumentos);
    QCOMPARE(s.errores, u"torxal-cli: "_s + problema + u'\n' + Uso + Pista);
    QCOMPARE(s.salida, QString());
    QCOMPARE(s.estado, 2);
}

void tst_LineaDeOrdenes::ayudaYVersion()
{
    for (const QString &opcion : {u"--help"_s, u"-h"_s}) {
        const Salida ayuda = ejecutar({opcion});
        QCOMPARE(ayuda.estado, 0);
        QVERIFY(ayuda.salida.startsWith(Uso));
        for (const char *listada : {"-h, --help", "--sobrescribir", "--estricto", "--informe", "--espacio-de-nombres",
                                    "--formato-fecha", "--tamano-maximo", "--version"})
            QVERIFY2(ayuda.salida.contains(QLatin1String(listada)), listada);
        QCOMPARE(ayuda.errores, QString());
    }
    const Salida version = ejecutar({u"--tipo"_s, u"nif"_s, u"--version"_s});
    QCOMPARE(version.estado, 0);
    QCOMPARE(version.salida, u"torxal-cli 2.01\n"_s);
}

void tst_LineaDeOrdenes::convierteCadaFichero_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("salida");
    QTest::addColumn<QString>("errores");

    QTest::newRow("one list") << QStringList{u"--tipo"_s, u"pp"_s, u"%D/pp.txt"_s} << 0
                              << creado(u"%D/pp.txt"_s, u"%D/pp.xml"_s, 4) << QString();
    QTest::newRow("kind in any case, options after the files")
        << QStringList{u"%D/rc.txt"_s, u"%D/nif.txt"_s, u"--tipo=NiF"_s} << 0
        << creado(u"%D/rc.txt"_s, u"%D/rc.xml"_s, 4, u"4"_s,
                  u"Revise la lista antes de enviarla: 4 de 4 registros tienen avisos.\n"
                  "La lista parece de «Referencia Catastral»: compruebe el tipo de consulta elegido.\n"_s,
                  u"NIF sin la forma de un DNI, un NIE ni un NIF de entidad: 4 (líneas 1, 2, 3, 4).\n"_s)
            + creado(u"%D/nif.txt"_s, u"%D/nif.xml"_s, 6)
        << QString();
    QTest::newRow("a failure does not stop the others, and every message names its list")
        << QStringList{u"--tipo"_s, u"rc"_s, u"%D/falta.txt"_s, u"%D/vacia.txt"_s, u"%D/rc.txt"_s} << 1
        << creado(u"%D/rc.txt"_s, u"%D/rc.xml"_s, 4)
        << u"%D/falta.txt: No se puede abrir el fichero de entrada %D/falta.txt.\nNo existe el fichero o el directorio\n"
           "%D/vacia.txt: El fichero de entrada está vacío\n"_s;
    QTest::newRow("path of spaces reaches the run")
        << QStringList{u"--tipo"_s, u"nif"_s, u"   "_s} << 1 << QString() << u"Es obligatorio un fichero de entrada\n"_s;
    QTest::newRow("empty path") << QStringList{u"--tipo"_s, u"nif"_s, QString()} << 1 << QString()
                                << u"Es obligatorio un fichero de entrada\n"_s;
    QTest::newRow("a file named like an option after --")
        << QStringList{u"--tipo"_s, u"nif"_s, u"--"_s, u"--help"_s} << 1 << QString()
        << u"--help: No se puede abrir el fichero de entrada --help.\nNo existe el fichero o el directorio\n"_s;
    QTest::newRow("a sheet by its number, columns by hand, first row as data")
        << QStringList{u"--tipo=rc"_s, u"--hoja=1"_s, u"--columnas=RC=A"_s, u"--sin-cabecera"_s, u"%D/rc.xlsx"_s} << 0
        << creado(u"%D/rc.xlsx"_s, u"%D/rc.xml"_s, 5, u"1"_s,
                  u"Revise la lista antes de enviarla: 1 de 5 registros tiene avisos.\nColumnas: RC = A.\n"_s,
                  u"Referencias catastrales con caracteres que no son cifras ni letras: 1 (fila 1).\n"_s)
        << QString();
    QTest::newRow("two lists of one call that would share an output")
        << QStringList{u"--tipo=pp"_s, u"--sobrescribir"_s, u"%D/pp.txt"_s, u"%D/pp.2.txt"_s} << 1
        << creado(u"%D/pp.txt"_s, u"%D/pp.xml"_s, 4)
        << u"%D/pp.2.txt: El fichero de salida %D/pp.xml ya es el de la lista %D/pp.txt en esta misma orden; la lista "
           "%D/pp.2.txt no se convierte.\n"_s;
}

void tst_LineaDeOrdenes::convierteCadaFichero()
{
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QString, salida);
    QFETCH(QString, errores);
    const Ajustes ajustes;
    QTemporaryDir temporal;
    for (const char *nombre : {"nif.txt", "rc.txt", "pp.txt", "rc.xlsx"})
        QVERIFY(copiarEjemplo(QString::fromLatin1(nombre), temporal.path()));
    QVERIFY(QFile::copy(temporal.filePath(u"pp.txt"_s), temporal.filePath(u"pp.2.txt"_s)));
    QVERIFY(escribir(temporal.filePath(u"vacia.txt"_s), QByteArray()));
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

    const QString pregunta = QStringLiteral("%D/pp.txt: El fichero de salida ya existe. ¿Desea sobreescribirlo?");
    QTest::newRow("no terminal, no option") << QStringList{} << false << QString() << false
                                            << pregunta + u"\n%D/pp.txt: No se sustituye sin --sobrescribir.\n"_s;
    QTest::newRow("option replaces without asking") << QStringList{u"--sobrescribir"_s} << false << QString() << true
                                                    << QString();
    QTest::newRow("terminal answers s") << QStringList{} << true << u"s\n"_s << true << pregunta + u" [s/N] "_s;
    QTest::newRow("terminal answers Sí") << QStringList{} << true << u"Sí\n"_s << true << pregunta + u" [s/N] "_s;
    QTest::newRow("terminal answers Enter") << QStringList{} << true << u"\n"_s << false << pregunta + u" [s/N] "_s;
    QTest::newRow("terminal closed") << QStringList{} << true << QString() << false << pregunta + u" [s/N] "_s;
}

void tst_LineaDeOrdenes::salidaExistente()
{
    QFETCH(QStringList, opciones);
    QFETCH(bool, hayTerminal);
    QFETCH(QString, tecleado);
    QFETCH(bool, sustituido);
    QFETCH(QString, errores);
    const Ajustes ajustes;
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"pp.txt"_s, temporal.path()));
    QVERIFY(escribir(temporal.filePath(u"pp.xml"_s), "ANTES"));
    const Salida s = ejecutar(QStringList{u"--tipo"_s, u"pp"_s, u"%D/pp.txt"_s} + opciones, temporal.path(),
                              hayTerminal ? &tecleado : nullptr);
    QCOMPARE(s.errores, errores);
    QCOMPARE(s.salida, sustituido ? creado(u"%D/pp.txt"_s, u"%D/pp.xml"_s, 4) : QString());
    QCOMPARE(s.estado, sustituido ? 0 : 1);
    QCOMPARE(leer(temporal.filePath(u"pp.xml"_s)).startsWith("<?xml"), sustituido);
}

void tst_LineaDeOrdenes::precedenciaDeAjustes_data()
{
    QTest::addColumn<QByteArray>("sistema");
    QTest::addColumn<QByteArray>("usuario");
    QTest::addColumn<QStringList>("opciones");
    QTest::addColumn<QString>("cabecera"); // the root's namespace and the date's form

    const QByteArray sistema = "[documento]\nespacio-de-nombres=urn:oficina:sistema\nformato-fecha=yyyy-MM-dd\n";
    QTest::newRow("no settings") << QByteArray() << QByteArray() << QStringList{} << "http://www.catastro.meh.es/ dd/MM/yyyy";
    QTest::newRow("the system file") << sistema << QByteArray() << QStringList{} << "urn:oficina:sistema yyyy-MM-dd";
    QTest::newRow("the user's file over it, key by key")
        << sistema << QByteArray("[documento]\nespacio-de-nombres=urn:oficina:usuario\n") << QStringList{}
        << "urn:oficina:usuario yyyy-MM-dd";
    QTest::newRow("options over both")
        << sistema << QByteArray("[documento]\nespacio-de-nombres=urn:oficina:usuario\n")
        << QStringList{u"--formato-fecha"_s, u"dd/MM/yyyy"_s, u"--espacio-de-nombres=http://catastro.example/ns"_s}
        << "http://catastro.example/ns dd/MM/yyyy";
    QTest::newRow("an option over a locked value")
        << QByteArray("[bloqueado]\nespacio-de-nombres=urn:oficina:bloqueado\n") << QByteArray() << QStringList{u"--espacio-de-nombres=urn:guion"_s}
        << "urn:guion dd/MM/yyyy";
    QTest::newRow("bad values that options replace are not judged")
        << QByteArray("[documento]\nformato-fecha=xx\n") << QByteArray("[documento]\ntamano-maximo-kb=abc\n")
        << QStringList{u"--tamano-maximo"_s, u"0"_s, u"--formato-fecha"_s, u"dd/MM/yyyy"_s}
        << "http://www.catastro.meh.es/ dd/MM/yyyy";
}

void tst_LineaDeOrdenes::precedenciaDeAjustes()
{
    QFETCH(QByteArray, sistema);
    QFETCH(QByteArray, usuario);
    QFETCH(QStringList, opciones);
    QFETCH(QString, cabecera);
    Ajustes ajustes;
    if (!sistema.isEmpty())
        QVERIFY(ajustes.escribir(u"sistema"_s, sistema));
    if (!usuario.isEmpty())
        QVERIFY(ajustes.escribir(u"usuario"_s, usuario));
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"pp.txt"_s, temporal.path()));
    const Salida s = ejecutar(QStringList{u"--tipo=pp"_s, u"%D/pp.txt"_s} + opciones, temporal.path());
    QCOMPARE(s.errores, QString());
    QCOMPARE(s.estado, 0);
    const QString fecha = QDate::currentDate().toString(cabecera.section(u' ', 1));
    QCOMPARE(QString::fromUtf8(raizYFecha(temporal.filePath(u"pp.xml"_s))),
             QStringLiteral("<LISTADATOS xmlns='%1' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><FEC>%2</FEC>")
                 .arg(cabecera.section(u' ', 0, 0), fecha));
}

void tst_LineaDeOrdenes::ajustesNoValidos_data()
{
    QTest::addColumn<QByteArray>("contenido");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("errores");

    QTest::newRow("a bad value stops everything")
        << QByteArray("[documento]\ntamano-maximo-kb=450K\n") << 1
        << u"El fichero de ajustes %F tiene un valor no válido en documento/tamano-maximo-kb: debe ser un número "
           "entero de kilobytes escrito solo con cifras (0: sin límite).\n"_s;
    QTest::newRow("an unknown key is noted and passed over")
        << QByteArray("[documento]\ncolor=rojo\n") << 0
        << u"torxal-cli: El fichero de ajustes %F tiene la clave desconocida «documento/color», que se pasa por alto.\n"_s;
}

void tst_LineaDeOrdenes::ajustesNoValidos()
{
    QFETCH(QByteArray, contenido);
    QFETCH(int, estado);
    QFETCH(QString, errores);
    Ajustes ajustes;
    QVERIFY(ajustes.escribir(u"usuario"_s, contenido));
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"pp.txt"_s, temporal.path()));
    const Salida s = ejecutar({u"--tipo=pp"_s, u"%D/pp.txt"_s}, temporal.path());
    QCOMPARE(s.errores, QString(errores).replace(u"%F"_s, ajustes.ruta(u"usuario"_s)));
    QCOMPARE(s.estado, estado);
    QCOMPARE(QFile::exists(temporal.filePath(u"pp.xml"_s)), estado == 0);
}

void tst_LineaDeOrdenes::informeYEstricto_data()
{
    QTest::addColumn<QStringList>("antes"); // "name=content", "name->target", "name|" (a FIFO)
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QStringList>("ficheros"); // what the folder holds afterwards, but the lists
    QTest::addColumn<QString>("errores");

    QTest::newRow("a report for one list") << QStringList{} << QStringList{u"--informe=%D/avisos.csv"_s, u"%D/nif.txt"_s} << 0
                                           << QStringList{u"avisos.csv"_s, u"nif.xml"_s} << QString();
    QTest::newRow("a report each in a folder")
        << QStringList{} << QStringList{u"--informe"_s, u"%D"_s, u"%D/nif.txt"_s, u"%D/pp.txt"_s} << 0
        << QStringList{u"nif.avisos.csv"_s, u"nif.xml"_s, u"pp.avisos.csv"_s, u"pp.xml"_s} << QString();
    QTest::newRow("a report where the document goes is refused")
        << QStringList{} << QStringList{u"--informe=%D/nif.xml"_s, u"%D/nif.txt"_s} << 1 << QStringList{}
        << u"%D/nif.txt: El informe de avisos %D/nif.xml sería la propia lista o su fichero XML; no se escribe.\n"_s;
    QTest::newRow("strict with a clean list") << QStringList{} << QStringList{u"--estricto"_s, u"%D/nif.txt"_s} << 0
                                              << QStringList{u"nif.xml"_s} << QString();
    QTest::newRow("strict with warnings writes the report, not the document")
        << QStringList{} << QStringList{u"--estricto"_s, u"--informe=%D/avisos.csv"_s, u"%D/pp.txt"_s} << 1
        << QStringList{u"avisos.csv"_s}
        << u"%D/pp.txt: No se ha creado el fichero %D/pp.xml: la lista tiene 4 avisos.\n"
           "Revise la lista antes de enviarla: 4 de 4 registros tienen avisos.\n"
           "La lista parece de «Polígono y parcela»: compruebe el tipo de consulta elegido.\n"
           "Registros que se habrían escrito: 4.\n"
           "Registros omitidos por falta de un campo obligatorio: 0.\nRegistros con avisos: 4.\n"
           "NIF sin la forma de un DNI, un NIE ni un NIF de entidad: 4 (líneas 1, 2, 3, 4).\n"
           "Sin tamaño máximo por fichero.\n"_s;
    const QString pregunta = u"%D/nif.txt: El fichero de salida %D/avisos.csv ya existe. ¿Desea sobreescribirlo?\n"
                             "%D/nif.txt: No se sustituye sin --sobrescribir.\n"_s;
    QTest::newRow("an existing report is not replaced unasked")
        << QStringList{u"avisos.csv=VIEJO"_s} << QStringList{u"--informe=%D/avisos.csv"_s, u"%D/nif.txt"_s} << 1
        << QStringList{u"avisos.csv"_s} << pregunta;
    QTest::newRow("another list named as the report is not replaced unasked")
        << QStringList{} << QStringList{u"--informe=%D/pp.txt"_s, u"%D/nif.txt"_s} << 1 << QStringList{}
        << u"%D/nif.txt: El fichero de salida %D/pp.txt ya existe. ¿Desea sobreescribirlo?\n"
           "%D/nif.txt: No se sustituye sin --sobrescribir.\n"_s;
    QTest::newRow("an existing report replaced when asked to")
        << QStringList{u"avisos.csv=VIEJO"_s} << QStringList{u"--sobrescribir"_s, u"--informe=%D/avisos.csv"_s, u"%D/nif.txt"_s}
        << 0 << QStringList{u"avisos.csv"_s, u"nif.xml"_s} << QString();
    QTest::newRow("a report through a symbolic link is refused")
        << QStringList{u"otro.csv=OTRO"_s, u"avisos.csv->otro.csv"_s}
        << QStringList{u"--sobrescribir"_s, u"--informe=%D/avisos.csv"_s, u"%D/nif.txt"_s} << 1
        << QStringList{u"avisos.csv"_s, u"otro.csv"_s}
        << u"%D/nif.txt: El informe de avisos %D/avisos.csv es un enlace simbólico; no se escribe a través de él.\n"_s;
    QTest::newRow("a report over a FIFO is refused")
        << QStringList{u"avisos.csv|"_s} << QStringList{u"--sobrescribir"_s, u"--informe=%D/avisos.csv"_s, u"%D/nif.txt"_s}
        << 1 << QStringList{}
        << u"%D/nif.txt: El informe de avisos %D/avisos.csv existe y no es un fichero normal; no se sustituye.\n"_s;
    QTest::newRow("a report to standard output is a usage error")
        << QStringList{} << QStringList{u"--informe=-"_s, u"%D/nif.txt"_s} << 2 << QStringList{}
        << u"torxal-cli: --informe necesita el nombre de un fichero; «-» no es uno.\n"_s + Uso + Pista;
}

void tst_LineaDeOrdenes::informeYEstricto()
{
    QFETCH(QStringList, antes);
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QStringList, ficheros);
    QFETCH(QString, errores);
    const Ajustes ajustes;
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"nif.txt"_s, temporal.path()));
    QVERIFY(copiarEjemplo(u"pp.txt"_s, temporal.path()));
    const QByteArray otraLista = leer(temporal.filePath(u"pp.txt"_s));
    for (const QString &orden : antes) {
        const QString ruta = temporal.filePath(orden.section(QRegularExpression(u"=|->|\\|"_s), 0, 0));
        if (orden.contains(u"->"_s) && !hayEnlacesSimbolicos())
            QSKIP("symbolic links here are no reparse points (Wine)");
        else if (orden.contains(u"->"_s))
            QVERIFY(enlazarSimbolico(orden.section(u"->"_s, 1), ruta));
        else if (orden.endsWith(u'|') && !HayFifos)
            QSKIP("Windows has no FIFOs at a name");
        else if (orden.endsWith(u'|'))
            QVERIFY(crearFifo(ruta));
        else
            QVERIFY(escribir(ruta, orden.section(u'=', 1).toUtf8()));
    }
    const Salida s = ejecutar(QStringList{u"--tipo=nif"_s} + argumentos, temporal.path());
    QCOMPARE(s.errores, errores);
    QCOMPARE(s.estado, estado);
    QStringList hay = QDir(temporal.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    hay.removeAll(u"nif.txt"_s);
    hay.removeAll(u"pp.txt"_s);
    QCOMPARE(hay, ficheros);
    // Nothing refused was touched: what stood at a name keeps its bytes, the other list too.
    if (estado != 0)
        for (const QString &orden : antes.filter(u"="_s))
            QCOMPARE(leer(temporal.filePath(orden.section(u'=', 0, 0))), orden.section(u'=', 1).toUtf8());
    QCOMPARE(leer(temporal.filePath(u"pp.txt"_s)), otraLista);
    // A report holds its header even when there is nothing to say.
    for (const QString &nombre : ficheros)
        if (nombre.endsWith(u".csv")
            && (estado == 0 || antes.filter(QRegularExpression(u"^"_s + QRegularExpression::escape(nombre) + u"(=|->)"_s)).isEmpty()))
            QVERIFY(leer(temporal.filePath(nombre)).startsWith("\xEF\xBB\xBFlinea;codigo;campo;valor;aviso\r\n"));
}

void tst_LineaDeOrdenes::procesoReal()
{
    // One real process: the installed entry point, its streams and its exit status.
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"nif.txt"_s, temporal.path()));
    QProcess proceso;
    proceso.setProgram(QStringLiteral(TORXAL_CLI));
    proceso.setArguments({u"--tipo"_s, u"nif"_s, temporal.filePath(u"nif.txt"_s)});
    proceso.setStandardInputFile(QProcess::nullDevice());
    proceso.start();
    QVERIFY(proceso.waitForFinished(30000));
    QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardError()), QString());
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardOutput()),
             comoEnConsola(creado(temporal.filePath(u"nif.txt"_s), temporal.filePath(u"nif.xml"_s), 6)));
    QCOMPARE(proceso.exitCode(), 0);
    const QByteArray documento = leer(temporal.filePath(u"nif.xml"_s));
    QVERIFY(documento.contains(QStringLiteral("<DAT><NIF>50123456Q</NIF><APE>MUÑOZ IBÁÑEZ JOSÉ ÁNGEL</APE>"
                                              "<PRO>08</PRO><MUN>019</MUN></DAT>\r\n")
                                   .toUtf8()));
}

void tst_LineaDeOrdenes::salidaEstandarLlena_data()
{
    QTest::addColumn<QString>("redireccion");
    QTest::addColumn<int>("listas");
    QTest::addColumn<QString>("razon");
    QTest::newRow("a full disk, one list") << u">/dev/full"_s << 1 << u"No queda espacio en el dispositivo"_s;
    QTest::newRow("a full disk, two lists") << u">/dev/full"_s << 2 << u"No queda espacio en el dispositivo"_s;
    QTest::newRow("closed") << u">&-"_s << 2 << u"Descriptor de fichero erróneo"_s;
    QTest::newRow("a reader that leaves at once") << u"| true"_s << 5 << u"Tubería rota"_s;
}

void tst_LineaDeOrdenes::salidaEstandarLlena()
{
    // The summary is the user's proof of what was done: if it cannot be written, the run failed,
    // yet every list is still converted.
    QFETCH(QString, redireccion);
    QFETCH(int, listas);
    QFETCH(QString, razon);
    if (EnWindows)
        QSKIP("these streams are a POSIX shell's (/dev/full, a closed descriptor, a broken pipe)");
    QTemporaryDir temporal;
    QVERIFY(copiarEjemplo(u"nif.txt"_s, temporal.path()));
    QStringList argumentos{u"-o"_s, u"pipefail"_s, u"-c"_s, u"\"$0\" \"$@\" "_s + redireccion,
                           QStringLiteral(TORXAL_CLI), u"--tipo"_s, u"nif"_s};
    for (int i = 1; i <= listas; ++i) {
        const QString lista = temporal.filePath(u"l%1.txt"_s.arg(i));
        QVERIFY(QFile::copy(temporal.filePath(u"nif.txt"_s), lista));
        argumentos.append(lista);
    }
    QProcess proceso;
    proceso.start(u"bash"_s, argumentos);
    QVERIFY(proceso.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardError()),
             u"torxal-cli: no se puede escribir en la salida estándar: "_s + razon + u'\n');
    QCOMPARE(proceso.exitCode(), 1);
    for (int i = 1; i <= listas; ++i)
        QVERIFY(QFile::exists(temporal.filePath(u"l%1.xml"_s.arg(i))));
}

QTEST_GUILESS_MAIN(tst_LineaDeOrdenes)
#include "tst_lineadeordenes.moc"
