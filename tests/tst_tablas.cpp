// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// A list given as a table and the same records in fixed columns: the same document, the
// same warnings on the same records, whatever program saved the table and in which
// encoding. The tables are LibreOffice's own (tools/crear-tablas.sh).

#include "conversor.h"
#include "ficheros.h"
#include "mensajeroguion.h"
#include "tabla.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

const QString Tablas = QStringLiteral(TORXAL_TABLAS);

struct Conversion {
    bool creado = false;
    QByteArray documento;
    QStringList avisos; // the report's rows without their text: line or row, code, field, value
    QString resumen;
    QStringList mensajes;
};

Conversion convertir(const QString &origen, const QString &nombre, TipoConsulta tipo,
                     const OpcionesConversion &base = {})
{
    QTemporaryDir temporal;
    const QString lista = temporal.filePath(nombre);
    escribir(lista, leer(origen));
    OpcionesConversion opciones = base;
    opciones.documento.fecha = QDate(2026, 12, 7);
    opciones.informe = temporal.filePath(u"avisos.csv"_s);
    MensajeroGuion mensajero;
    Conversor conversor(mensajero);
    conversor.setOpciones(opciones);
    Conversion c;
    c.creado = conversor.GenerarFicheroXML(lista, tipo);
    const QString documento = temporal.filePath(QFileInfo(nombre).completeBaseName() + u".xml"_s);
    if (QFile::exists(documento))
        c.documento = leer(documento);
    const QStringList filas = QString::fromUtf8(leer(opciones.informe)).split(u"\r\n"_s, Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < filas.size(); ++i)
        c.avisos.append(filas[i].section(u';', 0, 3));
    for (const Mensaje &m : std::as_const(mensajero.mostrados))
        c.mensajes.append(QString(m.texto).replace(temporal.path(), u"…"_s));
    if (!mensajero.mostrados.isEmpty())
        c.resumen = mensajero.mostrados.constLast().detalle;
    return c;
}

FilaTabla filaDeTextos(const QStringList &textos)
{
    FilaTabla fila;
    fila.numero = 1;
    for (const QString &texto : textos)
        fila.celdas.append(Celda{texto.isEmpty() ? ClaseCelda::Vacia : ClaseCelda::Texto, texto});
    return fila;
}

} // namespace

class tst_Tablas : public QObject {
    Q_OBJECT

private slots:
    void tablaIgualQueColumnas_data();
    void tablaIgualQueColumnas();
    void cabeceras_data();
    void cabeceras();
    void tablasQueNoSeLeen_data();
    void tablasQueNoSeLeen();
};

void tst_Tablas::tablaIgualQueColumnas_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QString>("tabla");
    QTest::addColumn<OpcionesConversion>("opciones"); // those of the table's run
    const std::pair<const char *, TipoConsulta> tipos[] = {
        {"nif", TipoConsulta::NIF}, {"rc", TipoConsulta::RC}, {"pp", TipoConsulta::PP}};
    for (const auto &[nombre, tipo] : tipos)
        for (const char *formato : {".csv", "-1252.csv", "-utf16.csv", ".xlsx", ".ods"})
            QTest::addRow("%s%s", nombre, formato) << tipo << QString::fromLatin1(nombre) + QLatin1StringView(formato)
                                                    << OpcionesConversion{};

    OpcionesConversion sinCabecera;
    sinCabecera.columnas = u"NIF=A,APE=B,PRO=C,MUN=D"_s;
    sinCabecera.sinCabecera = true;
    QTest::newRow("nif csv without a header, columns given") << TipoConsulta::NIF << u"nif-sin-cabecera.csv"_s << sinCabecera;
    // Split at its first ';', the header would name no NIF column and the list would be fixed columns.
    OpcionesConversion coma;
    coma.tabla.separador = u',';
    QTest::newRow("nif csv, comma separator given") << TipoConsulta::NIF << u"nif-coma.csv"_s << coma;
    // The first sheet is a cover without a header.
    OpcionesConversion segunda;
    segunda.tabla.hoja = u"2"_s;
    QTest::newRow("nif xlsx, sheet by its number") << TipoConsulta::NIF << u"nif-dos-hojas.xlsx"_s << segunda;
    OpcionesConversion porNombre;
    porNombre.tabla.hoja = u"nif"_s;
    QTest::newRow("nif ods, sheet by its name") << TipoConsulta::NIF << u"nif-dos-hojas.ods"_s << porNombre;
}

void tst_Tablas::tablaIgualQueColumnas()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QString, tabla);
    QFETCH(OpcionesConversion, opciones);
    const QString fijas = tabla.section(u'.', 0, 0).section(u'-', 0, 0) + u".txt"_s;
    const Conversion columnas = convertir(Tablas + u'/' + fijas, u"lista.txt"_s, tipo);
    const Conversion filas = convertir(Tablas + u'/' + tabla, u"lista."_s + tabla.section(u'.', 1), tipo, opciones);
    QVERIFY(columnas.creado);
    QVERIFY(filas.creado);
    QVERIFY(columnas.avisos.size() >= 3);
    QCOMPARE(filas.documento, columnas.documento);
    QCOMPARE(filas.avisos, columnas.avisos);
    // The summary names the columns used, and rows where a sheet has them.
    QStringList resumen = filas.resumen.split(u'\n');
    const qsizetype columnasUsadas = resumen.indexOf(QRegularExpression(u"Columnas: .*"_s));
    QVERIFY2(columnasUsadas >= 0, qPrintable(filas.resumen));
    resumen.removeAt(columnasUsadas);
    const bool hoja = !tabla.endsWith(u".csv"_s);
    QString texto = resumen.join(u'\n');
    if (hoja)
        texto.replace(u" (fila"_s, u" (línea"_s);
    QCOMPARE(texto, columnas.resumen);
}

void tst_Tablas::cabeceras_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QStringList>("cabecera");
    QTest::addColumn<QString>("esperado"); // the columns used, or why not and the columns the row does name

    QTest::newRow("plain names") << TipoConsulta::NIF << QStringList{u"NIF"_s, u"APELLIDOS Y NOMBRE"_s, u"PROVINCIA"_s, u"MUNICIPIO"_s}
                                 << u"Columnas: NIF = A «NIF»; APE = B «APELLIDOS Y NOMBRE»; PRO = C «PROVINCIA»; MUN = D «MUNICIPIO»."_s;
    QTest::newRow("case, accents and punctuation ignored, unnamed column skipped")
        << TipoConsulta::NIF << QStringList{u"Notas"_s, u"dni/nif"_s, u"Razón social"_s, u"Cód. provincia"_s, u"cod mun"_s}
        << u"Columnas: NIF = B «dni/nif»; APE = C «Razón social»; PRO = D «Cód. provincia»; MUN = E «cod mun»."_s;
    QTest::newRow("surnames and name joined in the service's order")
        << TipoConsulta::NIF << QStringList{u"Nombre"_s, u"Primer apellido"_s, u"Segundo apellido"_s, u"DOCUMENTO"_s, u"Código INE"_s}
        << u"Columnas: NIF = D «DOCUMENTO»; APE = B + C + A «Primer apellido», «Segundo apellido», «Nombre»; INE = E «Código INE»."_s;
    QTest::newRow("cadastral reference") << TipoConsulta::RC << QStringList{u"Ref. catastral"_s, u"CPRO"_s, u"CMUN"_s}
                                         << u"Columnas: RC = A «Ref. catastral»; PRO = B «CPRO»; MUN = C «CMUN»."_s;
    QTest::newRow("polygon and parcel") << TipoConsulta::PP << QStringList{u"INE"_s, u"Polígono"_s, u"Parcela"_s}
                                        << u"Columnas: INE = A «INE»; POL = B «Polígono»; PAR = C «Parcela»."_s;
    QTest::newRow("identifier missing") << TipoConsulta::NIF << QStringList{u"DOCUMENTO IDENTIDAD"_s, u"NOMBRE"_s, u"MUNICIPIO"_s}
                                        << u"no es cabecera | Columnas: APE = B «NOMBRE»; MUN = C «MUNICIPIO»."_s;
    QTest::newRow("a column named twice")
        << TipoConsulta::NIF << QStringList{u"NIF"_s, u"DNI"_s, u"TITULAR"_s}
        << u"La columna del NIF está dos veces en la fila 1: A «NIF» y B «DNI». | Columnas: NIF = A «NIF»; APE = C «TITULAR»."_s;
    QTest::newRow("a field given two ways, the later left out")
        << TipoConsulta::NIF << QStringList{u"Apellidos"_s, u"NIF"_s, u"Razón social"_s, u"Nombre"_s}
        << u"La columna de los apellidos y el nombre está dos veces en la fila 1: A «Apellidos» y C «Razón social». | "
           "Columnas: NIF = B «NIF»; APE = A + D «Apellidos», «Nombre»."_s;
}

void tst_Tablas::cabeceras()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QStringList, cabecera);
    QFETCH(QString, esperado);
    Columnas columnas;
    Fallo fallo;
    const bool reconocida = reconocerCabecera(filaDeTextos(cabecera), tipo, &columnas, &fallo);
    const QString obtenido = reconocida ? describirColumnas(columnas, tipo)
        : (fallo.que == Texto::Ninguno ? u"no es cabecera"_s : crearMensaje(fallo).texto) + u" | "_s
            + describirColumnas(columnas, tipo);
    QCOMPARE(obtenido, esperado);
}

void tst_Tablas::tablasQueNoSeLeen_data()
{
    QTest::addColumn<QString>("origen");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("hoja");
    QTest::addColumn<QString>("mensaje");

    QTest::newRow("zip bomb") << u"bomba.xlsx"_s << u"lista.xlsx"_s << QString()
                              << u"La parte xl/worksheets/sheet1.xml de la hoja de cálculo se descomprime a más de 100 "
                                 "veces su tamaño comprimido, como una bomba de compresión; no se lee."_s;
    QTest::newRow("entity declared") << u"entidades.xlsx"_s << u"lista.xlsx"_s << QString()
                                     << u"La hoja de cálculo lleva una declaración DTD o de entidades en xl/workbook.xml, "
                                        "que no se admite; no se lee."_s;
    QTest::newRow("legacy xls, whatever its name") << u"antiguo.xls"_s << u"lista.txt"_s << QString()
                                                   << u"Es un libro de Excel 97-2003 (.xls), un formato que no se lee. "
                                                      "Ábralo con su programa de hojas de cálculo y guárdelo como «Libro "
                                                      "de Excel (.xlsx)» o como «Hoja de cálculo ODF (.ods)»; luego "
                                                      "convierta ese fichero."_s;
    const QString cifrada = u"La hoja de cálculo está protegida con contraseña y no se puede leer. Ábrala con su programa, "
                            "guárdela sin contraseña y conviértala de nuevo."_s;
    QTest::newRow("xlsx saved with a password") << u"cifrada.xlsx"_s << u"lista.xlsx"_s << QString() << cifrada;
    QTest::newRow("ods saved with a password") << u"cifrada.ods"_s << u"lista.ods"_s << QString() << cifrada;
    QTest::newRow("truncated workbook") << u"nif.xlsx:2000"_s << u"lista.xlsx"_s << QString()
                                        << u"El fichero parece un archivo comprimido (ZIP), pero está dañado o incompleto; "
                                           "si es una hoja de cálculo, vuelva a guardarla con su programa."_s;
    QTest::newRow("sheet that is not there") << u"nif.ods"_s << u"lista.ods"_s << u"Resumen"_s
                                             << u"El libro no tiene la hoja «Resumen». Sus hojas son: «nif»."_s;
    QTest::newRow("header without the identifier")
        << u"celdas.xlsx"_s << u"lista.xlsx"_s << u"Titulares"_s
        << u"No se encuentra la columna de la referencia catastral. La fila 2 tiene: «DNI/NIF», «Primer apellido», "
           "«Segundo apellido», «Nombre», «Cód. INE», «Notas»."_s;
    QTest::newRow("workbook without a sheet") << u"sin-hojas.xlsx"_s << u"lista.xlsx"_s << QString()
                                              << u"El libro no tiene ninguna hoja."_s;
    QTest::newRow("empty sheet") << u"vacia.xlsx"_s << u"lista.xlsx"_s << QString() << u"La hoja «Hoja1» está vacía."_s;
    QTest::newRow("quote left open") << u"abierta.csv"_s << u"lista.csv"_s << QString()
                                     << u"Las comillas que se abren en la línea 3 no se cierran; no se continúa con el "
                                        "proceso."_s;
}

void tst_Tablas::tablasQueNoSeLeen()
{
    QFETCH(QString, origen);
    QFETCH(QString, nombre);
    QFETCH(QString, hoja);
    QFETCH(QString, mensaje);
    QTemporaryDir temporal;
    QByteArray bytes = leer(Tablas + u'/' + origen.section(u':', 0, 0));
    if (origen.contains(u':'))
        bytes.truncate(origen.section(u':', 1).toInt());
    const QString fuente = temporal.filePath(u"fuente"_s);
    escribir(fuente, bytes);
    OpcionesConversion opciones;
    opciones.tabla.hoja = hoja;
    const Conversion c = convertir(fuente, nombre, origen.startsWith(u"celdas"_s) ? TipoConsulta::RC : TipoConsulta::NIF,
                                   opciones);
    QVERIFY(!c.creado);
    QVERIFY(c.documento.isEmpty());
    QCOMPARE(c.mensajes, QStringList{mensaje});
}

QTEST_GUILESS_MAIN(tst_Tablas)
#include "tst_tablas.moc"
