// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "conversor.h"
#include "destinomemoria.h"
#include "ficheros.h"
#include "lectura.h"
#include "mensajeroguion.h"
#include "mensajes.h"
#include "rutas.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>


using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

const QString DatosPrueba = QStringLiteral(TORXAL_DATOS_PRUEBA);
const QDate FechaPrueba(2026, 12, 7);

OpcionesConversion opcionesDePrueba()
{
    OpcionesConversion opciones;
    opciones.documento.fecha = FechaPrueba;
    return opciones;
}

// A run as the window or the command line starts it, with a scripted messenger.
struct Banco {
    MensajeroGuion mensajero;
    Conversor conversor{mensajero};
    Banco(const OpcionesConversion &opciones = opcionesDePrueba()) { conversor.setOpciones(opciones); }
    bool generar(const QString &ruta, TipoConsulta tipo = TipoConsulta::NIF)
    {
        return conversor.GenerarFicheroXML(ruta, tipo);
    }
    const Mensaje &ultimo() const { return mensajero.mostrados.constLast(); }
};

// Lays out a directory from short orders: "name=content", "name/" (a directory),
// "name|" (a FIFO), "name->target" (a symbolic link), "name=>target" (a hard link).
void preparar(const QDir &dir, const QStringList &ficheros)
{
    for (const QString &orden : ficheros) {
        if (orden.endsWith(u'/')) {
            QVERIFY(dir.mkdir(orden.chopped(1)));
        } else if (orden.endsWith(u'|')) {
            QVERIFY(crearFifo(dir.filePath(orden.chopped(1))));
        } else if (orden.contains(u"->"_s)) {
            const QStringList partes = orden.split(u"->"_s);
            QVERIFY(enlazarSimbolico(partes[1], dir.filePath(partes[0])));
        } else if (orden.contains(u"=>"_s)) {
            const QStringList partes = orden.split(u"=>"_s);
            QVERIFY(enlazarDuro(dir.filePath(partes[1]), dir.filePath(partes[0])));
        } else {
            const qsizetype igual = orden.indexOf(u'=');
            QVERIFY(escribir(dir.filePath(orden.left(igual)), orden.mid(igual + 1).toUtf8()));
        }
    }
}

// The directory's regular files and their contents, so a test sees every file that appeared or changed.
QStringList contenido(const QDir &dir)
{
    QStringList lineas;
    const QFileInfoList entradas = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                                     QDir::Name);
    for (const QFileInfo &entrada : entradas) {
        if (entrada.isSymLink())
            lineas.append(entrada.fileName() + QStringLiteral("->") + entrada.symLinkTarget().section(u'/', -1));
        else if (entrada.isDir())
            lineas.append(entrada.fileName() + u'/');
        else if (!entrada.isFile())
            lineas.append(entrada.fileName() + u'|');
        else
            lineas.append(entrada.fileName() + u'=' + QString::fromUtf8(leer(entrada.filePath())));
    }
    return lineas;
}

// Well-formed XML with the expected root, valid UTF-8, and every record holding its
// kind's mandatory fields. Returns an empty text when all holds, else what failed.
QString comprobarDocumento(const QByteArray &documento, TipoConsulta tipo)
{
    if (!esUtf8Valido(std::string_view(documento.constData(), size_t(documento.size()))))
        return QStringLiteral("not UTF-8");
    QXmlStreamReader xml(documento);
    QStringList obligatorios;
    switch (tipo) {
    case TipoConsulta::NIF: obligatorios = {QStringLiteral("NIF")}; break;
    case TipoConsulta::RC: obligatorios = {QStringLiteral("RC")}; break;
    case TipoConsulta::PP: obligatorios = {QStringLiteral("PRO"), QStringLiteral("MUN"), QStringLiteral("POL")}; break;
    }
    QStringList hijos;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"DAT")
            hijos.clear();
        else if (xml.isStartElement())
            hijos.append(xml.name().toString());
        else if (xml.isEndElement() && xml.name() == u"DAT") {
            for (const QString &campo : std::as_const(obligatorios))
                if (!hijos.contains(campo))
                    return QStringLiteral("DAT without ") + campo;
        }
    }
    if (xml.hasError())
        return xml.errorString();
    return {};
}

} // namespace

class tst_Conversion : public QObject {
    Q_OBJECT

private slots:
    void derivarRutaSalida_data();
    void derivarRutaSalida();
    void documentosDeReferencia_data();
    void documentosDeReferencia();
    void ejecucion_data();
    void ejecucion();
    void registroDemasiadoLargoNoTocaLaSalida();
    void lineaEnormeSinDelimitadorConMemoriaAcotada();
    void entradasRaras_data();
    void entradasRaras();
    void mismaListaEnAmbasCodificaciones();
    void resumenDeOmitidos();
    void salidaDeOtraListaDeLaMismaOrden();
    void fallaLaLecturaDeLaLista();
    void partes_data();
    void partes();
    void partesTodasONinguna();
};

void tst_Conversion::derivarRutaSalida_data()
{
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("directorio");
    QTest::addColumn<QString>("nombreEntrada");
    QTest::addColumn<QString>("nombreSalida");

    QTest::newRow("plain list") << "/datos/lista.txt" << "/datos/" << "lista.txt" << "lista.xml";
    QTest::newRow("several dots") << "/datos/lote.2008.txt" << "/datos/" << "lote.2008.txt" << "lote.xml";
    QTest::newRow("no dot") << "/datos/lista" << "/datos/" << "lista" << "lista.xml";
    QTest::newRow("dot in the folder only") << "/datos.2024/lista" << "/datos.2024/" << "lista" << "lista.xml";
    QTest::newRow("no folder") << "lista.txt" << "" << "lista.txt" << "lista.xml";
    QTest::newRow("spaces around the name") << "/datos/ lista .txt " << "/datos/" << "lista .txt" << "lista .xml";
    QTest::newRow("leading spaces keep a relative folder relative") << "  sub/l.txt" << "  sub/" << "l.txt" << "l.xml";
    QTest::newRow("folder ending in spaces") << "/datos /l.txt" << "/datos /" << "l.txt" << "l.xml";
    QTest::newRow("hidden list cut at its last dot") << "/d/.oculto.lista.txt" << "/d/" << ".oculto.lista.txt"
                                                     << ".oculto.lista.xml";
    QTest::newRow("a name that is only its extension kept whole") << "/d/.txt" << "/d/" << ".txt" << ".txt.xml";
    if (EnWindows) {
        QTest::newRow("a dot in a folder before a backslash") << "C:\\v1.2\\lista.txt" << "C:\\v1.2\\" << "lista.txt"
                                                              << "lista.xml";
        QTest::newRow("a share's path") << "\\\\servidor\\comun\\lote.2008.txt" << "\\\\servidor\\comun\\"
                                        << "lote.2008.txt" << "lote.xml";
        QTest::newRow("both separators") << "C:/datos\\sub\\l.txt" << "C:/datos\\sub\\" << "l.txt" << "l.xml";
    } else {
        QTest::newRow("a backslash is part of a name") << "/d/v1.2\\lista.txt" << "/d/" << "v1.2\\lista.txt"
                                                       << "v1.xml";
    }
}

void tst_Conversion::derivarRutaSalida()
{
    QFETCH(QString, entrada);
    QFETCH(QString, directorio);
    QFETCH(QString, nombreEntrada);
    QFETCH(QString, nombreSalida);
    const RutaSalida ruta = torxal::derivarRutaSalida(entrada);
    QCOMPARE(ruta.directorio, directorio);
    QCOMPARE(ruta.nombreEntrada, nombreEntrada);
    QCOMPARE(ruta.nombreSalida, nombreSalida);
}

void tst_Conversion::documentosDeReferencia_data()
{
    QTest::addColumn<QString>("caso");
    QDirIterator casos(DatosPrueba, QDir::Dirs | QDir::NoDotAndDotDot);
    while (casos.hasNext()) {
        const QString caso = casos.next();
        QTest::newRow(qPrintable(QFileInfo(caso).fileName())) << caso;
    }
}

void tst_Conversion::documentosDeReferencia()
{
    // Each folder: the list, its kind, the document it gives and, when given, the summary
    // beneath the success message and the report of the checks.
    QFETCH(QString, caso);
    const QDir dirCaso(caso);
    const TipoConsulta tipo = *leerTipoConsulta(QString::fromUtf8(leer(dirCaso.filePath(QStringLiteral("tipo")))).trimmed());
    const QByteArray esperado = leer(dirCaso.filePath(QStringLiteral("esperado.xml")));

    QTemporaryDir temporal;
    QVERIFY(temporal.isValid());
    // The list is lista.txt, or a table: lista.csv, lista.xlsx, lista.ods.
    const QString nombreLista = dirCaso.entryList({QStringLiteral("lista.*")}, QDir::Files).value(0);
    const QString entrada = temporal.filePath(nombreLista);
    const QByteArray lista = leer(dirCaso.filePath(nombreLista));
    QVERIFY(escribir(entrada, lista));

    OpcionesConversion opciones = opcionesDePrueba();
    opciones.informe = temporal.filePath(QStringLiteral("avisos.csv"));
    Banco banco(opciones);
    QVERIFY(banco.generar(entrada, tipo));

    const QByteArray documento = leer(temporal.filePath(QStringLiteral("lista.xml")));
    QCOMPARE(documento, esperado);
    QCOMPARE(comprobarDocumento(documento, tipo), QString());
    QCOMPARE(leer(entrada), lista);
    QCOMPARE(banco.mensajero.mostrados.size(), 1);
    QCOMPARE(banco.ultimo().texto, QStringLiteral("El fichero %1 se ha creado correctamente.").arg(temporal.filePath(QStringLiteral("lista.xml"))));
    // Something to review, a record left out or one with a warning, makes it a warning.
    const bool limpia = banco.ultimo().detalle.contains(u"Registros omitidos por falta de un campo obligatorio: 0.\n"
                                                        "Registros con avisos: 0."_s);
    QCOMPARE(banco.ultimo().estilo, limpia ? Estilo::Informacion : Estilo::Advertencia);
    // and offers the review, records only omitted too.
    QCOMPARE(banco.ultimo().revisar, !limpia);
    QCOMPARE(banco.ultimo().titulo, QStringLiteral("Crear fichero proceso por lotes"));
    if (dirCaso.exists(QStringLiteral("resumen.txt")))
        QCOMPARE(banco.ultimo().detalle, QString::fromUtf8(leer(dirCaso.filePath(QStringLiteral("resumen.txt")))).trimmed());
    if (dirCaso.exists(QStringLiteral("avisos.csv")))
        QCOMPARE(leer(opciones.informe), leer(dirCaso.filePath(QStringLiteral("avisos.csv"))));
}

void tst_Conversion::ejecucion_data()
{
    QTest::addColumn<QStringList>("antes");
    QTest::addColumn<QString>("ruta");
    QTest::addColumn<QList<Boton>>("respuestas");
    QTest::addColumn<QStringList>("mensajes");
    QTest::addColumn<QStringList>("despues");

    const QString requerido = QStringLiteral("16: Es obligatorio un fichero de entrada");
    const QString mismo = QStringLiteral("16: El fichero de entrada es el mismo que el de salida.");
    const QString pregunta = QStringLiteral("68: El fichero de salida ya existe. ¿Desea sobreescribirlo?");
    const QString vacio = QStringLiteral("16: El fichero de entrada está vacío");
    const QString enlace = QStringLiteral("16: El fichero de salida %D/lista.xml es un enlace simbólico; no se escribe a través de él.");
    const QString noNormal = QStringLiteral("16: El fichero de salida %D/lista.xml existe y no es un fichero normal; no se sustituye.");
    auto creado = [](const QString &nombre, int escritos) {
        return QStringLiteral("64: El fichero %D/%1 se ha creado correctamente.\nRegistros escritos: %2.\n"
                              "Registros omitidos por falta de un campo obligatorio: 0.\nRegistros con avisos: 0.\n"
                              "Sin tamaño máximo por fichero.")
            .arg(nombre)
            .arg(escritos);
    };
    const QString documentoUno = QStringLiteral(
        "<?xml version='1.0' encoding='UTF-8'?>\r\n"
        "<LISTADATOS xmlns='http://www.catastro.meh.es/' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>\r\n"
        "<FEC>07/12/2026</FEC>\r\n<FIN>Consulta por NIF</FIN>\r\n<DAT><NIF>12345678Z</NIF></DAT>\r\n</LISTADATOS>\r\n");
    const QString lista = QStringLiteral("lista.txt=12345678Z");
    const QString largo = QString(252, u'a');
    using L = QList<Boton>;

    QTest::newRow("empty path") << QStringList{} << "" << L{} << QStringList{requerido} << QStringList{};
    QTest::newRow("path of spaces") << QStringList{} << "   " << L{} << QStringList{requerido} << QStringList{};
    QTest::newRow("input already named .xml") << QStringList{u"lista.xml=12345678Z"_s} << "%D/lista.xml" << L{}
                                              << QStringList{mismo} << QStringList{u"lista.xml=12345678Z"_s};
    if (EnWindows)
        QTest::newRow("upper-case XML is the same name") << QStringList{u"lista.XML=12345678Z"_s} << "%D/lista.XML"
                                                         << L{} << QStringList{mismo} << QStringList{u"lista.XML=12345678Z"_s};
    else
        QTest::newRow("upper-case XML is another name")
            << QStringList{u"lista.XML=12345678Z"_s} << "%D/lista.XML" << L{} << QStringList{creado(u"lista.xml"_s, 1)}
            << QStringList{u"lista.XML=12345678Z"_s, u"lista.xml="_s + documentoUno};
    QTest::newRow("several dots end at the first") << QStringList{u"lote.2008.xml=12345678Z"_s} << "%D/lote.2008.xml"
                                                   << L{} << QStringList{creado(u"lote.xml"_s, 1)}
                                                   << QStringList{u"lote.2008.xml=12345678Z"_s, u"lote.xml="_s + documentoUno};
    QTest::newRow("name without a dot gets .xml") << QStringList{u"lista=12345678Z"_s} << "%D/lista" << L{}
                                                  << QStringList{creado(u"lista.xml"_s, 1)}
                                                  << QStringList{u"lista=12345678Z"_s, u"lista.xml="_s + documentoUno};
    QTest::newRow("two hidden lists do not share an output")
        << QStringList{u".oculto.txt=12345678Z"_s, u".xml=ANTES"_s} << "%D/.oculto.txt" << L{}
        << QStringList{creado(u".oculto.xml"_s, 1)}
        << QStringList{u".oculto.txt=12345678Z"_s, u".oculto.xml="_s + documentoUno, u".xml=ANTES"_s};
    QTest::newRow("existing output, answer No") << QStringList{lista, u"lista.xml=ANTES"_s} << "%D/lista.txt"
                                                << L{Boton::No} << QStringList{pregunta}
                                                << QStringList{lista, u"lista.xml=ANTES"_s};
    QTest::newRow("existing output, answer Yes") << QStringList{lista, u"lista.xml=ANTES"_s} << "%D/lista.txt"
                                                 << L{Boton::Si} << QStringList{pregunta, creado(u"lista.xml"_s, 1)}
                                                 << QStringList{lista, u"lista.xml="_s + documentoUno};
    QTest::newRow("output is the input through a symbolic link")
        << QStringList{lista, u"lista.xml->lista.txt"_s} << "%D/lista.txt" << L{Boton::Si} << QStringList{mismo}
        << QStringList{lista, u"lista.xml->lista.txt"_s};
    QTest::newRow("output is the input through a hard link")
        << QStringList{lista, u"lista.xml=>lista.txt"_s} << "%D/lista.txt" << L{Boton::Si} << QStringList{mismo}
        << QStringList{lista, u"lista.xml=12345678Z"_s};
    QTest::newRow("output is a symbolic link to another file")
        << QStringList{lista, u"valioso.dat=VALIOSO"_s, u"lista.xml->valioso.dat"_s} << "%D/lista.txt" << L{Boton::Si}
        << QStringList{enlace} << QStringList{lista, u"lista.xml->valioso.dat"_s, u"valioso.dat=VALIOSO"_s};
    QTest::newRow("output is a dangling symbolic link")
        << QStringList{lista, u"lista.xml->nuevo.dat"_s} << "%D/lista.txt" << L{Boton::Si} << QStringList{enlace}
        << QStringList{lista, u"lista.xml->nuevo.dat"_s};
    QTest::newRow("directory where the output goes")
        << QStringList{lista, u"lista.xml/"_s} << "%D/lista.txt" << L{Boton::Si} << QStringList{noNormal}
        << QStringList{lista, u"lista.xml/"_s};
    QTest::newRow("FIFO where the output goes")
        << QStringList{lista, u"lista.xml|"_s} << "%D/lista.txt" << L{Boton::Si} << QStringList{noNormal}
        << QStringList{lista, u"lista.xml|"_s};
    QTest::newRow("empty input") << QStringList{u"lista.txt="_s} << "%D/lista.txt" << L{} << QStringList{vacio}
                                 << QStringList{u"lista.txt="_s};
    QTest::newRow("empty input leaves an existing output alone")
        << QStringList{u"lista.txt="_s, u"lista.xml=ANTES"_s} << "%D/lista.txt" << L{Boton::Si}
        << QStringList{pregunta, vacio} << QStringList{u"lista.txt="_s, u"lista.xml=ANTES"_s};
    QTest::newRow("missing input") << QStringList{} << "%D/falta.txt" << L{}
                                   << QStringList{u"16: No se puede abrir el fichero de entrada %D/falta.txt.\n"
                                                  "No existe el fichero o el directorio"_s}
                                   << QStringList{};
    QTest::newRow("directory as input") << QStringList{u"carpeta.txt/"_s} << "%D/carpeta.txt" << L{}
                                        << QStringList{u"16: No se puede abrir el fichero de entrada %D/carpeta.txt.\n"
                                                       "Es un directorio, no un fichero."_s}
                                        << QStringList{u"carpeta.txt/"_s};
    QTest::newRow("FIFO as input is refused, not waited on")
        << QStringList{u"fifo.txt|"_s} << "%D/fifo.txt" << L{}
        << QStringList{u"16: El fichero de entrada %D/fifo.txt no es un fichero normal."_s} << QStringList{u"fifo.txt|"_s};
    QTest::newRow("a device as input") << QStringList{} << "/dev/zero" << L{}
                                       << QStringList{u"16: El fichero de entrada /dev/zero no es un fichero normal."_s}
                                       << QStringList{};
    QTest::newRow("an output name too long to check")
        << QStringList{largo + u".t=12345678Z"_s} << u"%D/"_s + largo + u".t"_s << L{}
        << QStringList{u"16: No se puede crear el fichero %D/"_s + largo + u".xml.\nNombre de fichero demasiado largo"_s}
        << QStringList{largo + u".t=12345678Z"_s};
    const QString casiLargo = QString(247, u'b');
    QTest::newRow("an output name near the limit is replaced")
        << QStringList{casiLargo + u".txt=12345678Z"_s, casiLargo + u".xml=ANTES"_s} << u"%D/"_s + casiLargo + u".txt"_s
        << L{Boton::Si} << QStringList{pregunta, creado(casiLargo + u".xml"_s, 1)}
        << QStringList{casiLargo + u".txt=12345678Z"_s, casiLargo + u".xml="_s + documentoUno};
    const QString sinCarpeta = u"16: La lista %1 es la entrada estándar o un descriptor abierto y no tiene carpeta propia "
                               "donde dejar su fichero XML; guárdela antes en un fichero."_s;
    if (EnWindows) {
        // A device's name is one in every folder, whatever follows its dot.
        QTest::newRow("the console's name is no output") << QStringList{} << "%D/con.txt" << L{}
            << QStringList{u"16: El fichero de salida %D/con.xml existe y no es un fichero normal; no se sustituye."_s}
            << QStringList{};
        QTest::newRow("a printer port's name is no list") << QStringList{} << "%D/LPT1.lista.txt" << L{}
            << QStringList{u"16: El fichero de salida %D/LPT1.xml existe y no es un fichero normal; no se sustituye."_s}
            << QStringList{};
    } else {
        QTest::newRow("standard input has no folder") << QStringList{} << "/dev/stdin" << L{}
                                                      << QStringList{sinCarpeta.arg(u"/dev/stdin"_s)} << QStringList{};
        QTest::newRow("standard error has no folder") << QStringList{} << "/dev/stderr" << L{}
                                                      << QStringList{sinCarpeta.arg(u"/dev/stderr"_s)} << QStringList{};
        QTest::newRow("an open descriptor has no folder")
            << QStringList{} << "/proc/self/fd/0" << L{} << QStringList{sinCarpeta.arg(u"/proc/self/fd/0"_s)}
            << QStringList{};
    }
    QTest::newRow("a name that is not UTF-8")
        << QStringList{} << u"%D/l\uFFFDsta.txt"_s << L{}
        << QStringList{u"16: El nombre del fichero de entrada %D/l\uFFFDsta.txt no es texto UTF-8 válido (se guardó con "
                       "otra codificación), así que no se puede abrir por ese nombre; cámbiele el nombre."_s}
        << QStringList{};
    QTest::newRow("input holding only a line end") << QStringList{u"lista.txt=\r\n"_s} << "%D/lista.txt" << L{}
                                                   << QStringList{creado(u"lista.xml"_s, 0)}
                                                   << QStringList{u"lista.txt=\r\n"_s,
                                                                  u"lista.xml="_s + QString(documentoUno).remove(u"<DAT><NIF>12345678Z</NIF></DAT>\r\n"_s)};
}

void tst_Conversion::ejecucion()
{
    QFETCH(QStringList, antes);
    QFETCH(QString, ruta);
    QFETCH(QList<Boton>, respuestas);
    QFETCH(QStringList, mensajes);
    QFETCH(QStringList, despues);

    QTemporaryDir temporal;
    QVERIFY(temporal.isValid());
    const QDir dir(temporal.path());
    if (!HayFifos && std::any_of(antes.cbegin(), antes.cend(), [](const QString &o) { return o.endsWith(u'|'); }))
        QSKIP("Windows has no FIFOs at a name");
    if (!hayEnlacesSimbolicos() && std::any_of(antes.cbegin(), antes.cend(), [](const QString &o) { return o.contains(u"->"_s); }))
        QSKIP("symbolic links here are no reparse points (Wine)");
    preparar(dir, antes);
    if (QTest::currentTestFailed())
        return;

    Banco banco;
    banco.mensajero.respuestas = respuestas;
    const bool creado = banco.generar(QString(ruta).replace(u"%D"_s, dir.path()));

    QStringList esperados;
    for (const QString &m : std::as_const(mensajes))
        esperados.append(QString(m).replace(u"%D"_s, dir.path()));
    QCOMPARE(banco.mensajero.resumen(), esperados);
    QCOMPARE(creado, mensajes.last().contains(u"se ha creado correctamente"_s));
    QCOMPARE(contenido(dir), despues);
}

void tst_Conversion::registroDemasiadoLargoNoTocaLaSalida()
{
    // A name holding "%1" and "%3" must reach the message as it is.
    QTemporaryDir temporal;
    const QDir dir(temporal.path());
    QVERIFY(escribir(dir.filePath(u"lista%1%3.txt"_s), "12345678Z\r\n\r\n" + QByteArray(32768, 'A') + "\r\n12345678Z\r\n"));
    QVERIFY(escribir(dir.filePath(u"lista%1%3.xml"_s), "ANTES"));

    Banco banco;
    banco.mensajero.respuestas = {Boton::Si};
    QVERIFY(!banco.generar(dir.filePath(u"lista%1%3.txt"_s)));
    QCOMPARE(banco.ultimo().texto, QStringLiteral("El registro de la línea 3 del fichero de entrada %1 tiene más de 32767 "
                                                  "caracteres; no se continúa con el proceso.")
                                       .arg(dir.filePath(u"lista%1%3.txt"_s)));
    QCOMPARE(banco.ultimo().estilo, Estilo::Critico);
    QCOMPARE(leer(dir.filePath(u"lista%1%3.xml"_s)), QByteArray("ANTES"));
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList({u"lista%1%3.txt"_s, u"lista%1%3.xml"_s}));
}

void tst_Conversion::lineaEnormeSinDelimitadorConMemoriaAcotada()
{
    QTemporaryDir temporal;
    const QString ruta = temporal.filePath(u"enorme.txt"_s);
    {
        QFile fichero(ruta);
        QVERIFY(fichero.open(QIODevice::WriteOnly));
        const QByteArray trozo(1024 * 1024, 'N');
        for (int i = 0; i < 50; ++i)
            QCOMPARE(fichero.write(trozo), trozo.size());
    }
    const qint64 antes = picoDeMemoriaKiB();

    Banco banco;
    QVERIFY(!banco.generar(ruta, TipoConsulta::RC));

    const qint64 despues = picoDeMemoriaKiB();
    QCOMPARE(banco.ultimo().texto, QStringLiteral("El registro de la línea 1 del fichero de entrada %1 tiene más de 32767 "
                                              "caracteres; no se continúa con el proceso.")
                                   .arg(ruta));
    QVERIFY(!QFile::exists(temporal.filePath(u"enorme.xml"_s)));
    // The refused line must not have been held whole.
    QVERIFY2(despues - antes < 16 * 1024, QByteArray::number(despues - antes));
}

void tst_Conversion::entradasRaras_data()
{
    QTest::addColumn<TipoConsulta>("tipo");
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<QByteArray>("registros");

    QRandomGenerator azar(20261207);
    QByteArray binario(64 * 1024, Qt::Uninitialized);
    for (char &b : binario)
        b = char(azar.bounded(256));
    QTest::newRow("random bytes as nif") << TipoConsulta::NIF << binario << QByteArray();
    QTest::newRow("random bytes as rc") << TipoConsulta::RC << binario << QByteArray();
    QTest::newRow("random bytes as pp") << TipoConsulta::PP << binario << QByteArray();
    QTest::newRow("invalid UTF-8 read as Windows-1252")
        << TipoConsulta::NIF << QByteArray("12345678ZPE\xD1" "A \xC3\r\n")
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>PE\xC3\x91" "A \xC3\x83</APE></DAT>");
    QTest::newRow("one-character record") << TipoConsulta::NIF << QByteArray("Z") << QByteArray("<DAT><NIF>Z</NIF></DAT>");
    QTest::newRow("ten-thousand-character record")
        << TipoConsulta::RC << QByteArray("9872023VH5797S0001WX28079" + QByteArray(9975, 'x'))
        << QByteArray("<DAT><RC>9872023VH5797S0001WX</RC><PRO>28</PRO><MUN>079</MUN></DAT>");
    QTest::newRow("unclosed quote keeps the next line")
        << TipoConsulta::NIF << QByteArray("\"12345678Z, A\r\n87654321X\r\n")
        << QByteArray("<DAT><NIF>12345678Z</NIF><APE>, A</APE></DAT>\r\n<DAT><NIF>87654321X</NIF></DAT>");
    // 7941 short lines leave the writer's 256 KiB buffer 91 bytes; the full record after
    // them fits in those, and the closing line then no longer does.
    QTest::newRow("closing line after a record that nearly fills the buffer")
        << TipoConsulta::NIF
        << QByteArray("12345678Z\r\n").repeated(7941) + "12345678Z" + QByteArray("ABCDEFGHIJ").leftJustified(62) + "28079\r\n"
        << QByteArray();
    QTest::newRow("controls and markup inside values")
        << TipoConsulta::RC << QByteArray("A&B<C>D\x01\x1f" "E\"F'       \x02" "8\x0b" "1 \r\n")
        << QByteArray("<DAT><RC>A&amp;B&lt;C&gt;DE\"F'</RC><PRO>08</PRO><MUN>001</MUN></DAT>");
}

void tst_Conversion::entradasRaras()
{
    QFETCH(TipoConsulta, tipo);
    QFETCH(QByteArray, lista);
    QFETCH(QByteArray, registros);

    QTemporaryDir temporal;
    const QString entrada = temporal.filePath(u"rara.txt"_s);
    QVERIFY(escribir(entrada, lista));
    Banco banco;
    QVERIFY2(banco.generar(entrada, tipo), qPrintable(banco.ultimo().texto));
    const QByteArray documento = leer(temporal.filePath(u"rara.xml"_s));
    QCOMPARE(comprobarDocumento(documento, tipo), QString());
    if (!registros.isEmpty()) {
        const qsizetype desde = documento.indexOf("</FIN>\r\n") + 8;
        const qsizetype hasta = documento.indexOf("</LISTADATOS>");
        QCOMPARE(documento.mid(desde, hasta - desde), registros + "\r\n");
    }
}

void tst_Conversion::mismaListaEnAmbasCodificaciones()
{
    // Every character Windows-1252 can hold, in names: both files must give the same bytes.
    QString nombre;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        nombre.append(QChar(c));
    nombre += QStringLiteral("€ŠŒŽšœžŸ‚ƒ„…†‡ˆ‰‹‘’“”•–—˜™›");
    QByteArray windows;
    QByteArray utf8;
    QTemporaryDir temporal;
    for (qsizetype i = 0; i < nombre.size(); i += 40) {
        const QString linea = u"12345678Z"_s + nombre.mid(i, 40) + u"\r\n"_s;
        utf8 += linea.toUtf8();
        for (QChar c : linea) {
            // Windows-1252 by hand: Latin-1 where they agree, the table's byte for the rest.
            static const QString alto = QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ");
            const qsizetype posicion = alto.indexOf(c);
            windows += posicion >= 0 ? char(0x80 + posicion) : char(c.unicode());
        }
    }
    QVERIFY(!esUtf8Valido(std::string_view(windows.constData(), size_t(windows.size()))));
    QVERIFY(escribir(temporal.filePath(u"windows.txt"_s), windows));
    QVERIFY(escribir(temporal.filePath(u"utf8.txt"_s), utf8));
    Banco banco;
    QVERIFY(banco.generar(temporal.filePath(u"windows.txt"_s)));
    QVERIFY(banco.generar(temporal.filePath(u"utf8.txt"_s)));
    const QByteArray documento = leer(temporal.filePath(u"utf8.xml"_s));
    QCOMPARE(leer(temporal.filePath(u"windows.xml"_s)), documento);
    QVERIFY(documento.contains(QStringLiteral("ÀÁÂÃÄÅÆÇÈÉ").toUtf8()));
    QVERIFY(documento.contains(QStringLiteral("ŠŒŽ").toUtf8()));
}

void tst_Conversion::resumenDeOmitidos()
{
    QTemporaryDir temporal;
    QByteArray lista = "12345678Z\r\n";
    for (int i = 0; i < 25; ++i)
        lista += "         SIN NIF\r\n\r\n";
    QVERIFY(escribir(temporal.filePath(u"lista.txt"_s), lista));
    Banco banco;
    QVERIFY(banco.generar(temporal.filePath(u"lista.txt"_s)));
    QCOMPARE(banco.ultimo().detalle, QStringLiteral("Revise la lista antes de enviarla: 25 de 26 registros se han omitido.\n"
                                                    "Registros escritos: 1.\nRegistros omitidos por falta de un campo "
                                                    "obligatorio: 25 (líneas 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, "
                                                    "26, 28, 30, 32, 34, 36, 38, 40 y 5 más).\nRegistros con avisos: 0.\n"
                                                    "Sin tamaño máximo por fichero."));
    // No warning to list, yet records to review: the box offers the review.
    QVERIFY(banco.ultimo().revisar);
}

void tst_Conversion::salidaDeOtraListaDeLaMismaOrden()
{
    // "lote.2008.txt lote.2009.txt" in one call: both would be lote.xml.
    QTemporaryDir temporal;
    const QDir dir(temporal.path());
    QVERIFY(escribir(dir.filePath(u"lote.2008.txt"_s), "12345678Z\r\n"));
    QVERIFY(escribir(dir.filePath(u"lote.2009.txt"_s), "87654321X\r\n"));
    Banco banco;
    banco.mensajero.respuestas = {Boton::Si, Boton::Si};
    QVERIFY(banco.generar(dir.filePath(u"lote.2008.txt"_s)));
    const QByteArray primero = leer(dir.filePath(u"lote.xml"_s));
    QVERIFY(!banco.generar(dir.filePath(u"lote.2009.txt"_s)));
    QCOMPARE(banco.mensajero.resumen().constLast(),
             QStringLiteral("16: El fichero de salida %1/lote.xml ya es el de la lista %1/lote.2008.txt en esta misma "
                            "orden; la lista %1/lote.2009.txt no se convierte.")
                 .arg(dir.path()));
    QCOMPARE(leer(dir.filePath(u"lote.xml"_s)), primero);
    // Another call may write it again, after the usual question.
    Banco otra;
    otra.mensajero.respuestas = {Boton::Si};
    QVERIFY(otra.generar(dir.filePath(u"lote.2009.txt"_s)));
    QVERIFY(leer(dir.filePath(u"lote.xml"_s)).contains("87654321X"));
}

void tst_Conversion::fallaLaLecturaDeLaLista()
{
    // A device that hands out some bytes of the list, then fails as a bad disk would.
    class QueFalla : public QIODevice {
    public:
        explicit QueFalla(std::unique_ptr<QIODevice> real) : m_real(std::move(real)) { open(ReadOnly | Unbuffered); }
        qint64 size() const override { return m_real->size(); }
        bool isSequential() const override { return true; }

    protected:
        qint64 readData(char *datos, qint64 maximo) override
        {
            if (m_servidos >= 100000) {
                setErrorString(razonDelSistema(EIO));
                return -1;
            }
            const qint64 leidos = m_real->read(datos, std::min<qint64>(maximo, 4096));
            m_servidos += leidos;
            return leidos;
        }
        qint64 writeData(const char *, qint64) override { return -1; }

    private:
        std::unique_ptr<QIODevice> m_real;
        qint64 m_servidos = 0;
    };

    QTemporaryDir temporal;
    const QDir dir(temporal.path());
    QVERIFY(escribir(dir.filePath(u"lista.txt"_s), QByteArray("12345678Z\r\n").repeated(20000)));
    QVERIFY(escribir(dir.filePath(u"lista.xml"_s), "ANTES"));
    Banco banco;
    banco.mensajero.respuestas = {Boton::Si};
    banco.conversor.setEnvolturaEntrada([](std::unique_ptr<QIODevice> real) -> std::unique_ptr<QIODevice> {
        return std::make_unique<QueFalla>(std::move(real));
    });
    QVERIFY(!banco.generar(dir.filePath(u"lista.txt"_s)));
    QCOMPARE(banco.mensajero.resumen().constLast(),
             QStringLiteral("16: No se puede leer el fichero de entrada %1/lista.txt.\nError de entrada/salida").arg(dir.path()));
    QCOMPARE(leer(dir.filePath(u"lista.xml"_s)), QByteArray("ANTES"));
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), QStringList({u"lista.txt"_s, u"lista.xml"_s}));
}

namespace {

// Thirty records of one length, none with a warning: under a limit of 400 bytes, five a part.
QByteArray listaParaPartes()
{
    QByteArray lista;
    for (int i = 0; i < 30; ++i) {
        const int numero = 20000000 + i;
        lista += QByteArray::number(numero) + "TRWAGMYFPDXBNJZSQVHLCKE"[numero % 23] + "\r\n";
    }
    return lista;
}

OpcionesConversion conLimite(qint64 bytes)
{
    OpcionesConversion opciones = opcionesDePrueba();
    opciones.documento.tamanoMaximo = bytes;
    return opciones;
}

} // namespace

void tst_Conversion::partes_data()
{
    QTest::addColumn<qint64>("limite");
    QTest::addColumn<QStringList>("antes");
    QTest::addColumn<QList<Boton>>("respuestas");
    QTest::addColumn<QStringList>("mensajes");
    QTest::addColumn<QStringList>("despues"); // the folder's names, the list's aside

    const QString resumen = QStringLiteral("Registros escritos: 30.\nRegistros omitidos por falta de un campo obligatorio: 0."
                                           "\nRegistros con avisos: 0.");
    const QString limite = QStringLiteral("\nTamaño máximo por fichero: 1 KB.");
    const QString seisPartes = QStringLiteral("64: Los ficheros %D/lista-1.xml a %D/lista-6.xml se han creado correctamente.\n")
        + resumen + QStringLiteral("\nPartes: lista-1.xml (5 registros), lista-2.xml (5 registros), lista-3.xml (5 "
                                   "registros), lista-4.xml (5 registros), lista-5.xml (5 registros), lista-6.xml (5 registros).");
    const QString seis = seisPartes + limite;
    const QStringList partes = {u"lista-1.xml"_s, u"lista-2.xml"_s, u"lista-3.xml"_s,
                                u"lista-4.xml"_s, u"lista-5.xml"_s, u"lista-6.xml"_s};
    using L = QList<Boton>;
    QTest::newRow("parts named after the output") << qint64(400) << QStringList{} << L{} << QStringList{seis} << partes;
    QTest::newRow("one part exists: the question names it, No writes nothing")
        << qint64(400) << QStringList{u"lista-3.xml=ANTES"_s} << L{Boton::No}
        << QStringList{u"68: El fichero de salida %D/lista-3.xml ya existe. ¿Desea sobreescribirlo?"_s}
        << QStringList{u"lista-3.xml"_s};
    QTest::newRow("several exist: the question names the first and counts them")
        << qint64(400) << QStringList{u"lista-5.xml=ANTES"_s, u"lista-2.xml=ANTES"_s} << L{Boton::Si}
        << QStringList{u"68: Ya existen 2 de los ficheros de salida, el primero %D/lista-2.xml. ¿Desea sobreescribirlos?"_s,
                       seis}
        << partes;
    QTest::newRow("what an earlier run left is named, not deleted")
        << qint64(400) << QStringList{u"lista.xml=ANTES"_s, u"lista-9.xml=ANTES"_s, u"lista-7.xml=ANTES"_s, u"lista-07.xml=X"_s}
        << L{} << QStringList{seisPartes + u"\nQuedan de una ejecución anterior y no son de esta lista, no los envíe: lista.xml, "
                                           "lista-7.xml, lista-9.xml."_s + limite}
        << QStringList{u"lista-07.xml"_s, u"lista-7.xml"_s, u"lista-9.xml"_s, u"lista.xml"_s} + partes;
    QTest::newRow("a header larger than the limit is no line's fault")
        << qint64(150) << QStringList{} << L{}
        << QStringList{u"16: El principio del documento de la lista %D/lista.txt (la declaración, la raíz, FEC y FIN) "
                       "no cabe solo en una parte de 0 KB; no se continúa con el proceso."_s}
        << QStringList{};
    QStringList unaPorParte;
    QStringList treinta;
    for (int n = 1; n <= 30; ++n) {
        unaPorParte.append(u"lista-%1.xml (1 registro)"_s.arg(n));
        treinta.append(u"lista-%1.xml"_s.arg(n));
    }
    treinta.sort();
    QTest::newRow("parts of one record say so")
        << qint64(250) << QStringList{} << L{}
        << QStringList{u"64: Los ficheros %D/lista-1.xml a %D/lista-30.xml se han creado correctamente.\n"_s + resumen
                       + u"\nPartes: "_s + unaPorParte.join(u", "_s) + u'.' + limite}
        << treinta;
    QTest::newRow("a list that fits writes one document, as without a limit")
        << qint64(100000) << QStringList{u"lista-1.xml=ANTES"_s} << L{}
        << QStringList{u"64: El fichero %D/lista.xml se ha creado correctamente.\n"_s + resumen
                       + u"\nQuedan de una ejecución anterior y no son de esta lista, no los envíe: lista-1.xml."_s
                       + u"\nTamaño máximo por fichero: 98 KB."_s}
        << QStringList{u"lista-1.xml"_s, u"lista.xml"_s};
}

void tst_Conversion::partes()
{
    QFETCH(qint64, limite);
    QFETCH(QStringList, antes);
    QFETCH(QList<Boton>, respuestas);
    QFETCH(QStringList, mensajes);
    QFETCH(QStringList, despues);
    QTemporaryDir temporal;
    const QDir dir(temporal.path());
    preparar(dir, antes + QStringList{u"lista.txt="_s + QString::fromLatin1(listaParaPartes())});
    Banco banco(conLimite(limite));
    banco.mensajero.respuestas = respuestas;
    banco.generar(dir.filePath(u"lista.txt"_s));
    QStringList esperados;
    for (const QString &m : std::as_const(mensajes))
        esperados.append(QString(m).replace(u"%D"_s, dir.path()));
    QCOMPARE(banco.mensajero.resumen(), esperados);
    QStringList hay = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    hay.removeAll(u"lista.txt"_s);
    despues.sort();
    QCOMPARE(hay, despues);
    for (const QString &nombre : hay)
        QVERIFY2(QFileInfo(dir.filePath(nombre)).size() <= limite, qPrintable(nombre));
}

void tst_Conversion::partesTodasONinguna()
{
    // The third part cannot be put in place: the two before it, already in place over
    // earlier documents, must go back to what they were.
    class Fabrica {
    public:
        std::unique_ptr<Destino> operator()(const QString &ruta)
        {
            class QueFalla final : public DestinoEnvuelto {
            public:
                QueFalla(std::unique_ptr<Destino> real, bool falla) : DestinoEnvuelto(std::move(real)), m_falla(falla) {}
                bool colocar(const QString &ruta, bool reemplazar, int *error) override
                {
                    if (!m_falla)
                        return m_real->colocar(ruta, reemplazar, error);
                    *error = EIO;
                    return false;
                }

            private:
                bool m_falla;
            };
            return std::make_unique<QueFalla>(crearDestinoFichero(ruta), ++*m_creados == 3);
        }
        std::shared_ptr<int> m_creados = std::make_shared<int>(0);
    };
    QTemporaryDir temporal;
    const QDir dir(temporal.path());
    preparar(dir, {u"lista.txt="_s + QString::fromLatin1(listaParaPartes()), u"lista-1.xml=UNO"_s, u"lista-2.xml=DOS"_s});
    Banco banco(conLimite(400));
    banco.mensajero.respuestas = {Boton::Si};
    banco.conversor.setFabricaDestino(Fabrica());
    QVERIFY(!banco.generar(dir.filePath(u"lista.txt"_s)));
    QCOMPARE(banco.mensajero.resumen().constLast(),
             QStringLiteral("16: No se puede escribir el fichero de salida %1/lista-3.xml.\nError de entrada/salida").arg(dir.path()));
    QCOMPARE(contenido(dir), QStringList({u"lista-1.xml=UNO"_s, u"lista-2.xml=DOS"_s,
                                          u"lista.txt="_s + QString::fromLatin1(listaParaPartes())}));
}

QTEST_GUILESS_MAIN(tst_Conversion)
#include "tst_conversion.moc"
