// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "arranque.h"
#include "comprobaciones.h"
#include "cuadromensajes.h"
#include "dialogoabrir.h"
#include "dialogocolumnas.h"
#include "ficheros.h"
#include "frm_crear_mixto_xml.h"
#include "revision.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QMimeData>
#include <QAbstractFileIconProvider>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextBrowser>
#include <QTimer>

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

// Answers every message as scripted and notes what it was shown, and under which cursor.
class MensajeroGuionizado : public Mensajero {
public:
    Boton mostrar(const Mensaje &mensaje) override
    {
        mostrados.append(mensaje);
        const QCursor *cursor = QApplication::overrideCursor();
        cursores.append(cursor ? cursor->shape() : Qt::ArrowCursor);
        if (!esPregunta(mensaje.estilo))
            return Boton::Aceptar;
        return respuestas.isEmpty() ? respuestaPregunta : respuestas.takeFirst();
    }
    QStringList textos() const
    {
        QStringList lista;
        for (const Mensaje &m : mostrados)
            lista.append(m.texto);
        return lista;
    }
    QList<Mensaje> mostrados;
    QList<Qt::CursorShape> cursores;
    Boton respuestaPregunta = Boton::Si;
    QList<Boton> respuestas; // answered first, in order
};

// Hands back one scripted name per showing (an empty one cancels) and notes how it was prepared.
class DialogoGuionizado : public DialogoAbrir {
public:
    QStringList respuestas;
    QStringList nombresAlMostrar;
    QStringList extensionesAlMostrar;
    QStringList filtrosAlMostrar;
    QStringList carpetasAlMostrar;
    QWidget *propietario = nullptr;

protected:
    QString elegirFichero(QWidget *propietario_) override
    {
        propietario = propietario_;
        nombresAlMostrar.append(nombreFichero());
        extensionesAlMostrar.append(extensionPredeterminada());
        filtrosAlMostrar.append(filtro());
        carpetasAlMostrar.append(carpeta());
        return respuestas.isEmpty() ? QString() : respuestas.takeFirst();
    }
    QString elegirGuardar(QWidget *propietario_, const QString &propuesto) override
    {
        propietario = propietario_;
        nombresAlMostrar.append(propuesto);
        return respuestas.isEmpty() ? QString() : respuestas.takeFirst();
    }
};

// Chooses a table's columns from its script and notes the rows and the choice it was offered.
class ElectorGuionizado : public ElectorColumnas {
public:
    QList<Uso> usos;
    QList<QList<Uso>> ofrecidos;
    QStringList primerasFilas;

protected:
    bool elegir(QWidget *, const QList<FilaTabla> &filas, TipoConsulta, const QString &,
                EleccionColumnas *eleccion) override
    {
        ofrecidos.append(usosDe(eleccion->columnas, int(usos.size())));
        primerasFilas.append(filas.isEmpty() || filas.constFirst().celdas.isEmpty() ? QString()
                                                                                  : filas.constFirst().celdas.constFirst().texto);
        eleccion->columnas = columnasDe(usos);
        eleccion->primeraEsCabecera = true;
        return !usos.isEmpty();
    }
};

struct Banco {
    MensajeroGuionizado mensajero;
    DialogoGuionizado dialogo;
    ElectorGuionizado elector;
    Frm_Crear_Mixto_XML ventana{&mensajero, &dialogo, nullptr, &elector};

    template<typename T = QWidget>
    T *control(const char *nombre)
    {
        T *encontrado = ventana.findChild<T *>(QLatin1String(nombre));
        if (!encontrado)
            qFatal("No hay control %s", nombre);
        return encontrado;
    }
    bool mostrar()
    {
        ventana.show();
        // A display without a window manager gives no window the focus by itself.
        ventana.activateWindow();
        return QTest::qWaitForWindowActive(&ventana);
    }
    void buscar(const QString &respuesta)
    {
        dialogo.respuestas.append(respuesta);
        control<QPushButton>("Command1")->click();
    }
};

QString copiarEjemplo(const QTemporaryDir &dir, const QString &nombre, const QString &comoNombre)
{
    const QString destino = dir.filePath(comoNombre);
    QFile::copy(QStringLiteral(TORXAL_EJEMPLOS "/") + nombre, destino);
    return destino;
}

QString creado(const QString &rutaXml)
{
    return QStringLiteral("El fichero ") + rutaXml + QStringLiteral(" se ha creado correctamente.");
}

const QString Obligatorio = QStringLiteral("Es obligatorio un fichero de entrada");

} // namespace

class tst_Ventana : public QObject {
    Q_OBJECT

private slots:
    void ventana();
    void controles_data();
    void controles();
    void estadoInicial();
    void opcionesExclusivas_data();
    void opcionesExclusivas();
    void cadenaTab_data();
    void cadenaTab();
    void teclas_data();
    void teclas();
    void generarPorTipo_data();
    void generarPorTipo();
    void generarLaRutaDelCuadro_data();
    void generarLaRutaDelCuadro();
    void buscarLlevaAGenerar();
    void dudosaAntesDeColocar_data();
    void dudosaAntesDeColocar();
    void buscarPreparaDialogo();
    void salir_data();
    void salir();
    void cuadroPorEstilo_data();
    void cuadroPorEstilo();
    void cuadroRealRespondeSi();
    void ayudaUnaSolaVentana_data();
    void ayudaUnaSolaVentana();
    void ayudaExplicaMensajes_data();
    void ayudaExplicaMensajes();
    void fondoYBanner();
    void catalogoEspanol();
    void ficheroDeArranque_data();
    void ficheroDeArranque();
    void soltarUnaLista_data();
    void soltarUnaLista();
    void salidaQueEsUnEnlace();
    void ajustesNoValidosEnLaVentana();
    void columnasElegidasYRecordadas();
    void preguntaPorTamano_data();
    void preguntaPorTamano();
};

void tst_Ventana::ventana()
{
    Banco b;
    QCOMPARE(b.ventana.windowTitle(), QStringLiteral("TORXAL.exe v 2.0"));
    QCOMPARE(b.ventana.size(), QSize(418, 217));
    QCOMPARE(b.ventana.minimumSize(), QSize(418, 217));
    QCOMPARE(b.ventana.maximumSize(), QSize(418, 217));
    const Qt::WindowFlags banderas = b.ventana.windowFlags();
    QCOMPARE(b.ventana.windowType(), Qt::Window);
    QVERIFY(banderas.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(banderas.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!banderas.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!banderas.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!b.ventana.parentWidget());

    QVERIFY(b.mostrar());
    const QPoint desvio = b.ventana.geometry().center() - b.ventana.screen()->availableGeometry().center();
    QVERIFY2(desvio.manhattanLength() <= 2, "not centred on the screen");
}

void tst_Ventana::controles_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("clase");
    QTest::addColumn<QRect>("rectangulo");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("ayuda");

    auto fila = [](const char *nombre, const char *clase, QRect r, const QString &texto, const QString &ayuda) {
        QTest::newRow(nombre) << QString::fromLatin1(nombre) << QString::fromLatin1(clase) << r << texto << ayuda;
    };
    fila("Label1", "QLabel", {16, 40, 119, 16}, QStringLiteral("Fichero"), {});
    fila("Text1", "QLineEdit", {16, 64, 313, 25}, {}, {});
    fila("Command1", "QPushButton", {336, 64, 21, 23}, QStringLiteral("..."), QStringLiteral("Buscar fichero"));
    fila("Rdb_Nif", "QRadioButton", {24, 128, 145, 17}, QStringLiteral("NIF-Apellidos y Nombre"), {});
    fila("Rdb_RC", "QRadioButton", {24, 144, 121, 17}, QStringLiteral("Referencia Catastral"), {});
    fila("Rdb_PP", "QRadioButton", {24, 160, 121, 17}, QStringLiteral("Polígono y parcela"), {});
    fila("cmdExtract1", "QPushButton", {368, 112, 35, 39}, {}, QStringLiteral("Generar fichero"));
    fila("cmdClose", "QPushButton", {368, 160, 35, 39}, {}, QStringLiteral("Salir"));
    fila("cmdAyuda", "QPushButton", {368, 64, 33, 39}, {}, QStringLiteral("Ayuda"));
    fila("Frame1", "QGroupBox", {16, 104, 209, 81}, QStringLiteral("Indique tipo de consulta"), {});
}

void tst_Ventana::controles()
{
    QFETCH(QString, nombre);
    QFETCH(QString, clase);
    QFETCH(QRect, rectangulo);
    QFETCH(QString, texto);
    QFETCH(QString, ayuda);

    Banco b;
    QWidget *c = b.control(nombre.toLatin1().constData());
    QCOMPARE(QLatin1String(c->metaObject()->className()), clase);
    QCOMPARE(c->parentWidget(), &b.ventana);
    QCOMPARE(c->geometry(), rectangulo);
    QCOMPARE(c->property(clase == u"QGroupBox" ? "title" : "text").toString(), texto);
    QCOMPARE(c->toolTip(), ayuda);
    // Qt's offscreen platform on Windows knows no font at all, so there is nothing to measure.
    const bool hayLetras = !QFontDatabase::families().isEmpty();
    if (hayLetras && (qobject_cast<QLabel *>(c) || qobject_cast<QRadioButton *>(c)))
        QVERIFY2(c->sizeHint().width() <= rectangulo.width(),
                 qPrintable(u"the text needs %1 pixels in %2 (%3)"_s.arg(c->sizeHint().width())
                                .arg(rectangulo.width())
                                .arg(c->font().toString())));
    if (auto *boton = qobject_cast<QPushButton *>(c); boton && texto.isEmpty()) {
        QVERIFY(!boton->icon().pixmap(QSize(32, 28)).isNull());
        QCOMPARE(boton->iconSize(), QSize(32, 28));
    }
}

void tst_Ventana::estadoInicial()
{
    Banco b;
    QVERIFY(b.mostrar());
    QVERIFY(b.control<QRadioButton>("Rdb_Nif")->isChecked());
    QVERIFY(!b.control<QRadioButton>("Rdb_RC")->isChecked());
    QVERIFY(!b.control<QRadioButton>("Rdb_PP")->isChecked());
    QCOMPARE(b.control<QLineEdit>("Text1")->text(), QString());
    QCOMPARE(QApplication::focusWidget(), b.control("Text1"));
    QCOMPARE(b.dialogo.nombreFichero(), QString());
    QVERIFY(b.control<QPushButton>("cmdExtract1")->isDefault());
    QCOMPARE(b.control("Label1")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(b.control("Frame1")->focusPolicy(), Qt::NoFocus);
}

void tst_Ventana::opcionesExclusivas_data()
{
    QTest::addColumn<QStringList>("pulsadas");
    QTest::addColumn<QString>("marcada");
    QTest::newRow("the marked one again") << QStringList{u"Rdb_Nif"_s} << u"Rdb_Nif"_s;
    QTest::newRow("reference") << QStringList{u"Rdb_RC"_s} << u"Rdb_RC"_s;
    QTest::newRow("reference, then parcel") << QStringList{u"Rdb_RC"_s, u"Rdb_PP"_s} << u"Rdb_PP"_s;
    QTest::newRow("parcel twice") << QStringList{u"Rdb_PP"_s, u"Rdb_PP"_s} << u"Rdb_PP"_s;
    QTest::newRow("back to NIF") << QStringList{u"Rdb_PP"_s, u"Rdb_Nif"_s} << u"Rdb_Nif"_s;
}

void tst_Ventana::opcionesExclusivas()
{
    QFETCH(QStringList, pulsadas);
    QFETCH(QString, marcada);
    Banco b;
    for (const QString &nombre : pulsadas)
        b.control<QRadioButton>(qPrintable(nombre))->click();
    QStringList marcadas;
    for (const char *nombre : {"Rdb_Nif", "Rdb_RC", "Rdb_PP"})
        if (b.control<QRadioButton>(nombre)->isChecked())
            marcadas.append(QLatin1String(nombre));
    QCOMPARE(marcadas, QStringList{marcada});
}

void tst_Ventana::cadenaTab_data()
{
    QTest::addColumn<QString>("opcion");
    for (const char *opcion : {"Rdb_Nif", "Rdb_RC", "Rdb_PP"})
        QTest::newRow(opcion) << QString::fromLatin1(opcion);
}

void tst_Ventana::cadenaTab()
{
    QFETCH(QString, opcion);
    Banco b;
    QVERIFY(b.mostrar());
    b.control<QRadioButton>(qPrintable(opcion))->setChecked(true);
    b.control("Text1")->setFocus();

    // Only the marked option button is a stop, as on every desktop.
    const QStringList esperada{u"Command1"_s, opcion, u"cmdExtract1"_s, u"cmdClose"_s, u"cmdAyuda"_s, u"Text1"_s};
    QStringList recorrida;
    for (qsizetype i = 0; i < esperada.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        recorrida.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(recorrida, esperada);

    QStringList atras;
    for (qsizetype i = 0; i < esperada.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        atras.append(QApplication::focusWidget()->objectName());
    }
    const QStringList esperadaAtras{u"cmdAyuda"_s, u"cmdClose"_s, u"cmdExtract1"_s, opcion, u"Command1"_s, u"Text1"_s};
    QCOMPARE(atras, esperadaAtras);
}

void tst_Ventana::teclas_data()
{
    QTest::addColumn<QString>("foco");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("boton");
    QTest::newRow("Enter in the text box") << u"Text1"_s << int(Qt::Key_Return) << u"cmdExtract1"_s;
    QTest::newRow("keypad Enter in the text box") << u"Text1"_s << int(Qt::Key_Enter) << u"cmdExtract1"_s;
    QTest::newRow("Enter on an option") << u"Rdb_Nif"_s << int(Qt::Key_Return) << u"cmdExtract1"_s;
    QTest::newRow("Enter on browse") << u"Command1"_s << int(Qt::Key_Return) << u"Command1"_s;
    QTest::newRow("Enter on help") << u"cmdAyuda"_s << int(Qt::Key_Return) << u"cmdAyuda"_s;
    QTest::newRow("Enter on exit") << u"cmdClose"_s << int(Qt::Key_Return) << u"cmdClose"_s;
    QTest::newRow("Esc in the text box") << u"Text1"_s << int(Qt::Key_Escape) << u"cmdClose"_s;
    QTest::newRow("Esc on an option") << u"Rdb_Nif"_s << int(Qt::Key_Escape) << u"cmdClose"_s;
    QTest::newRow("Esc on generate") << u"cmdExtract1"_s << int(Qt::Key_Escape) << u"cmdClose"_s;
    QTest::newRow("Esc on browse") << u"Command1"_s << int(Qt::Key_Escape) << u"cmdClose"_s;
    QTest::newRow("F1 in the text box") << u"Text1"_s << int(Qt::Key_F1) << u"cmdAyuda"_s;
    QTest::newRow("F1 on generate") << u"cmdExtract1"_s << int(Qt::Key_F1) << u"cmdAyuda"_s;
}

void tst_Ventana::teclas()
{
    QFETCH(QString, foco);
    QFETCH(int, tecla);
    QFETCH(QString, boton);
    Banco b;
    QVERIFY(b.mostrar());
    QWidget *enfocado = b.control(qPrintable(foco));
    enfocado->setFocus();
    QCOMPARE(QApplication::focusWidget(), enfocado);
    // Which button the key reached; what each button does is checked on its own.
    const QStringList botones{u"Command1"_s, u"cmdExtract1"_s, u"cmdAyuda"_s, u"cmdClose"_s};
    std::vector<std::unique_ptr<QSignalSpy>> espias;
    for (const QString &nombre : botones)
        espias.push_back(std::make_unique<QSignalSpy>(b.control<QPushButton>(qPrintable(nombre)), &QPushButton::clicked));
    QTest::keyClick(enfocado, Qt::Key(tecla));

    QStringList hechas;
    for (size_t i = 0; i < espias.size(); ++i)
        if (!espias[i]->isEmpty())
            hechas.append(botones.at(qsizetype(i)));
    QCOMPARE(hechas, QStringList{boton});
}

void tst_Ventana::generarPorTipo_data()
{
    QTest::addColumn<QString>("opcion");
    QTest::addColumn<QString>("ejemplo");
    QTest::addColumn<QString>("lineaFIN");
    QTest::newRow("NIF") << u"Rdb_Nif"_s << u"nif.txt"_s << u"<FIN>Consulta por NIF</FIN>"_s;
    QTest::newRow("reference") << u"Rdb_RC"_s << u"rc.txt"_s << u"<FIN>Consulta por Referencia Catastral</FIN>"_s;
    QTest::newRow("polygon and parcel") << u"Rdb_PP"_s << u"pp.txt"_s << u"<FIN>Consulta por Polígono y Parcela</FIN>"_s;
}

void tst_Ventana::generarPorTipo()
{
    QFETCH(QString, opcion);
    QFETCH(QString, ejemplo);
    QFETCH(QString, lineaFIN);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Banco b;
    b.buscar(copiarEjemplo(dir, ejemplo, QStringLiteral("lista.txt")));
    b.control<QRadioButton>(qPrintable(opcion))->click();
    b.control<QPushButton>("cmdExtract1")->click();

    const QString salida = dir.filePath(QStringLiteral("lista.xml"));
    QCOMPARE(b.mensajero.textos(), QStringList{creado(salida)});
    QCOMPARE(b.mensajero.mostrados.constFirst().estilo, Estilo::Informacion);
    QCOMPARE(b.mensajero.mostrados.constFirst().titulo, QStringLiteral("Crear fichero proceso por lotes"));
    QFile xml(salida);
    QVERIFY(xml.open(QIODevice::ReadOnly));
    const QList<QByteArray> lineas = xml.readAll().split('\n');
    QVERIFY(lineas.size() > 4);
    QCOMPARE(QString::fromUtf8(lineas.at(3).trimmed()), lineaFIN);
    // The run had the wait cursor; the window gives it back afterwards.
    QCOMPARE(b.mensajero.cursores, QList<Qt::CursorShape>{Qt::WaitCursor});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void tst_Ventana::generarLaRutaDelCuadro_data()
{
    // What the browse dialog answers (null: no browse, empty: cancelled), then what is typed
    // in the box (null: nothing); the document written, or none when a list is required.
    QTest::addColumn<QStringList>("respuestas");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<QString>("documento");
    QTest::newRow("no browse") << QStringList{} << QString() << QString();
    QTest::newRow("only spaces typed") << QStringList{} << u"   "_s << QString();
    QTest::newRow("a path typed, no browse") << QStringList{} << u"%D/escrita.txt"_s << u"escrita.xml"_s;
    QTest::newRow("a path pasted with spaces around it") << QStringList{} << u"  %D/escrita.txt  "_s << u"escrita.xml"_s;
    QTest::newRow("chosen, then a browse cancelled") << QStringList{u"%D/elegida.txt"_s, QString()} << QString()
                                                      << u"elegida.xml"_s;
    QTest::newRow("chosen, then another path typed over it") << QStringList{u"%D/elegida.txt"_s}
                                                              << u"%D/escrita.txt"_s << u"escrita.xml"_s;
}

void tst_Ventana::generarLaRutaDelCuadro()
{
    QFETCH(QStringList, respuestas);
    QFETCH(QString, escrito);
    QFETCH(QString, documento);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const QString &nombre : {u"elegida.txt"_s, u"escrita.txt"_s})
        copiarEjemplo(dir, QStringLiteral("nif.txt"), nombre);
    Banco b;
    for (const QString &respuesta : std::as_const(respuestas))
        b.buscar(QString(respuesta).replace(u"%D"_s, dir.path()));
    if (!escrito.isNull())
        b.control<QLineEdit>("Text1")->setText(QString(escrito).replace(u"%D"_s, dir.path()));
    b.control<QPushButton>("cmdExtract1")->click();

    QCOMPARE(b.mensajero.textos(), QStringList{documento.isNull() ? Obligatorio : creado(dir.filePath(documento))});
    QStringList escritos = QDir(dir.path()).entryList({u"*.xml"_s});
    QCOMPARE(escritos, documento.isNull() ? QStringList{} : QStringList{documento});
}

void tst_Ventana::buscarLlevaAGenerar()
{
    Banco b;
    QVERIFY(b.mostrar());
    b.buscar(QString());
    QCOMPARE(QApplication::focusWidget(), b.control("Text1"));
    b.buscar(QStringLiteral("/tmp/elegida.txt"));
    QCOMPARE(QApplication::focusWidget(), b.control("cmdExtract1"));
}

void tst_Ventana::dudosaAntesDeColocar_data()
{
    QTest::addColumn<Boton>("respuesta");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<Estilo>("estiloFinal");
    QTest::newRow("No keeps the earlier document") << Boton::No << u"antes"_s << Estilo::PreguntaDudosa;
    QTest::newRow("Yes writes it, under a warning") << Boton::Si << u"XML"_s << Estilo::Advertencia;
}

void tst_Ventana::dudosaAntesDeColocar()
{
    QFETCH(Boton, respuesta);
    QFETCH(QString, texto);
    QFETCH(Estilo, estiloFinal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Banco b;
    b.buscar(copiarEjemplo(dir, QStringLiteral("nif.txt"), QStringLiteral("lista.txt")));
    QFile antes(dir.filePath(QStringLiteral("lista.xml")));
    QVERIFY(antes.open(QIODevice::WriteOnly) && antes.write("antes") == 5);
    antes.close();
    b.control<QRadioButton>("Rdb_RC")->click();
    // Yes to the overwrite question, then the answer to the doubtful one.
    b.mensajero.respuestas = {Boton::Si, respuesta};
    b.control<QPushButton>("cmdExtract1")->click();

    QVERIFY(b.mensajero.mostrados.size() >= 2);
    const Mensaje &duda = b.mensajero.mostrados.at(1);
    QCOMPARE(duda.estilo, Estilo::PreguntaDudosa);
    QCOMPARE(duda.texto, QStringLiteral("La lista no parece de «Referencia Catastral»: 6 de 6 registros tienen un "
                                        "identificador de otra forma o texto después de la última columna; parece de "
                                        "«NIF-Apellidos y Nombre». ¿Crear el fichero de todos modos?"));
    QCOMPARE(b.mensajero.mostrados.constLast().estilo, estiloFinal);
    QVERIFY(antes.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(antes.readAll()).contains(texto));
}

void tst_Ventana::buscarPreparaDialogo()
{
    QTemporaryDir estado;
    QVERIFY(estado.isValid());
    qputenv(CarpetaEstado, QFile::encodeName(estado.path()));
    Banco b;
    b.buscar(QStringLiteral("/tmp/primera.TXT"));
    QCOMPARE(b.control<QLineEdit>("Text1")->text(), QStringLiteral("/tmp/primera.TXT"));
    QCOMPARE(b.dialogo.nombreFichero(), QStringLiteral("/tmp/primera.TXT"));
    b.buscar(QString());

    // Each showing starts from an empty name, even after an earlier choice.
    QCOMPARE(b.dialogo.nombresAlMostrar, (QStringList{QString(), QString()}));
    QCOMPARE(b.dialogo.extensionesAlMostrar, (QStringList{u"TXT"_s, u"TXT"_s}));
    QCOMPARE(b.dialogo.filtrosAlMostrar, (QStringList(2, u"Archivos de texto (*.txt);;Hojas de cálculo y CSV (*.csv *.xlsx *.ods);;Todos los ficheros (*)"_s)));
    // The second starts in the folder of the first choice, kept in the state folder for the next start.
    QCOMPARE(b.dialogo.carpetasAlMostrar, (QStringList{QString(), QFileInfo(u"/tmp/primera.TXT"_s).absolutePath()}));
    QVERIFY(QFile::exists(estado.filePath(u"torxal/estado.ini"_s)));
    qunsetenv(CarpetaEstado);
    QCOMPARE(b.dialogo.propietario, &b.ventana);
    QCOMPARE(b.control<QLineEdit>("Text1")->text(), QStringLiteral("/tmp/primera.TXT"));
    QCOMPARE(b.dialogo.nombreFichero(), QString());
    QVERIFY(b.mensajero.mostrados.isEmpty());
}

void tst_Ventana::salir_data()
{
    QTest::addColumn<QString>("estado");
    for (const char *estado : {"just opened", "a list chosen", "a path typed", "help open", "another option marked",
                               "after a message"})
        QTest::newRow(estado) << QString::fromUtf8(estado);
}

void tst_Ventana::salir()
{
    QFETCH(QString, estado);
    Banco b;
    QVERIFY(b.mostrar());
    if (estado == u"a list chosen")
        b.buscar(QStringLiteral("/tmp/lista.txt"));
    else if (estado == u"a path typed")
        QTest::keyClicks(b.control("Text1"), QStringLiteral("/tmp/otra.txt"));
    else if (estado == u"help open")
        b.control<QPushButton>("cmdAyuda")->click();
    else if (estado == u"another option marked")
        b.control<QRadioButton>("Rdb_PP")->click();
    else if (estado == u"after a message")
        b.control<QPushButton>("cmdExtract1")->click();
    const qsizetype mensajesAntes = b.mensajero.mostrados.size();

    // The program must end by itself: a stuck event loop is stopped with another code.
    QTimer::singleShot(0, b.control<QPushButton>("cmdClose"), &QPushButton::click);
    QTimer vigilante;
    vigilante.setSingleShot(true);
    connect(&vigilante, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    vigilante.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!b.ventana.isVisible());
    QCOMPARE(b.mensajero.mostrados.size(), mensajesAntes);
    if (auto *ayuda = b.ventana.findChild<QTextBrowser *>())
        QVERIFY(!ayuda->isVisible());
}

void tst_Ventana::cuadroPorEstilo_data()
{
    QTest::addColumn<Estilo>("estilo");
    QTest::addColumn<QString>("detalle");
    QTest::addColumn<QStringList>("textosBotones");
    QTest::addColumn<int>("icono");
    QTest::addColumn<QStringList>("botones");
    QTest::addColumn<QString>("porDefecto");
    QTest::addColumn<QString>("pulsado");
    QTest::addColumn<Boton>("respuesta");
    QTest::addColumn<QString>("avisos");
    QTest::addColumn<bool>("revisar");
    const QString avisos = QStringLiteral("Línea 4 (nif-control) NIF «12345678A»: ...");
    const QStringList dividir{u"Dividir en partes"_s, u"Un solo fichero"_s, u"Cancelar"_s};
    QTest::newRow("critical, the reason beneath")
        << Estilo::Critico << u"Permiso denegado"_s << QStringList() << int(QMessageBox::Critical)
        << QStringList{u"Aceptar"_s} << u"Aceptar"_s << u"Aceptar"_s << Boton::Aceptar << avisos << true;
    QTest::newRow("information, the summary beneath")
        << Estilo::Informacion << u"Registros escritos: 3.\nPartes: <b>lote</b>-1.xml (3 registros)."_s
        << QStringList() << int(QMessageBox::Information) << QStringList{u"Aceptar"_s} << u"Aceptar"_s
        << u"Revisar la lista…"_s << Boton::Aceptar << avisos << true;
    QTest::newRow("warning, the verdict beneath")
        << Estilo::Advertencia << u"Revise la lista antes de enviarla: 1 de 3 registros tiene avisos."_s
        << QStringList() << int(QMessageBox::Warning) << QStringList{u"Aceptar"_s} << u"Aceptar"_s
        << u"Aceptar"_s << Boton::Aceptar << avisos << true;
    QTest::newRow("warning, records only omitted: still reviewed")
        << Estilo::Advertencia << u"Revise la lista antes de enviarla: 1 de 3 registros se ha omitido."_s
        << QStringList() << int(QMessageBox::Warning) << QStringList{u"Aceptar"_s} << u"Aceptar"_s
        << u"Revisar la lista…"_s << Boton::Aceptar << QString() << true;
    QTest::newRow("information, nothing to review")
        << Estilo::Informacion << u"Registros escritos: 3."_s << QStringList() << int(QMessageBox::Information)
        << QStringList{u"Aceptar"_s} << u"Aceptar"_s << u"Aceptar"_s << Boton::Aceptar << QString() << false;
    QTest::newRow("question, no detail")
        << Estilo::Pregunta << QString() << QStringList() << int(QMessageBox::Information)
        << QStringList{u"Sí"_s, u"No"_s} << u"Sí"_s << u"Sí"_s << Boton::Si << QString() << false;
    QTest::newRow("doubtful question, Enter is No")
        << Estilo::PreguntaDudosa << QString() << QStringList() << int(QMessageBox::Warning)
        << QStringList{u"Sí"_s, u"No"_s} << u"No"_s << u"Sí"_s << Boton::Si << QString() << false;
    QTest::newRow("three ways out, the second")
        << Estilo::PreguntaTresSalidas << QString() << dividir << int(QMessageBox::Question) << dividir
        << u"Dividir en partes"_s << u"Un solo fichero"_s << Boton::No << QString() << false;
    QTest::newRow("three ways out, cancelled")
        << Estilo::PreguntaTresSalidas << QString() << dividir << int(QMessageBox::Question) << dividir
        << u"Dividir en partes"_s << u"Cancelar"_s << Boton::Cancelar << QString() << false;
}

void tst_Ventana::cuadroPorEstilo()
{
    QFETCH(Estilo, estilo);
    QFETCH(QString, detalle);
    QFETCH(QStringList, textosBotones);
    QFETCH(int, icono);
    QFETCH(QStringList, botones);
    QFETCH(QString, porDefecto);
    QFETCH(QString, pulsado);
    QFETCH(Boton, respuesta);
    QFETCH(QString, avisos);
    QFETCH(bool, revisar);
    QWidget propietario;
    // Markup in a path must stay text.
    const QString texto = QStringLiteral("El fichero /tmp/<b>lote</b>.xml se ha creado correctamente.");
    const Mensaje mensaje{texto, estilo, TituloMensajes, detalle, textosBotones, revisar};
    const auto cuadro = CuadroMensajes::crearCuadro(mensaje, &propietario);

    QCOMPARE(cuadro->parentWidget(), &propietario);
    QCOMPARE(cuadro->windowTitle(), QStringLiteral("Crear fichero proceso por lotes"));
    QCOMPARE(cuadro->text(), texto);
    QCOMPARE(cuadro->textFormat(), Qt::PlainText);
    // The warnings are the review window's: no details area.
    QCOMPARE(cuadro->detailedText(), QString());
    QCOMPARE(int(cuadro->icon()), icono);
    QStringList textos;
    QStringList acciones;
    QAbstractButton *aPulsar = nullptr;
    for (QAbstractButton *boton : cuadro->buttons()) {
        (cuadro->buttonRole(boton) == QMessageBox::ActionRole ? acciones : textos).append(boton->text());
        if (boton->text() == pulsado)
            aPulsar = boton;
    }
    textos.sort();
    botones.sort();
    QCOMPARE(textos, botones);
    QCOMPARE(acciones, revisar ? QStringList{u"Revisar la lista…"_s} : QStringList());
    QVERIFY(cuadro->defaultButton());
    QCOMPARE(cuadro->defaultButton()->text(), porDefecto);
    QVERIFY(aPulsar);
    aPulsar->click();
    QCOMPARE(CuadroMensajes::respuesta(*cuadro, mensaje), respuesta);
    // The lines beneath show as written: what a reader sees of them is the plain text.
    QTextDocument visto;
    visto.setHtml(cuadro->informativeText());
    QCOMPARE(visto.toPlainText(), detalle);
}

void tst_Ventana::cuadroRealRespondeSi()
{
    QWidget propietario;
    propietario.show();
    QVERIFY(QTest::qWaitForWindowExposed(&propietario));
    CuadroMensajes cuadros(&propietario);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QMessageBox *visto = nullptr;
    Qt::CursorShape cursorVisto = Qt::WaitCursor;
    QTimer::singleShot(100, &propietario, [&] {
        visto = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        cursorVisto = QApplication::overrideCursor()->shape();
        if (visto)
            QTest::keyClick(visto, Qt::Key_Return);
    });
    // Should the box not turn up, close whatever is modal so the test fails instead of hanging.
    QTimer::singleShot(5000, &propietario, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    const Boton respuesta = cuadros.mostrar(
        Mensaje{QStringLiteral("El fichero de salida ya existe. ¿Desea sobreescribirlo?"), Estilo::Pregunta,
                TituloMensajes, {}, {}, {}});
    const Qt::CursorShape cursorDespues = QApplication::overrideCursor()->shape();
    QApplication::restoreOverrideCursor();

    QVERIFY(visto);
    QCOMPARE(respuesta, Boton::Si);
    QCOMPARE(cursorVisto, Qt::ArrowCursor);
    QCOMPARE(cursorDespues, Qt::WaitCursor);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void tst_Ventana::ayudaUnaSolaVentana_data()
{
    QTest::addColumn<int>("abrir"); // 0: the help button
    QTest::addColumn<QKeySequence>("cerrar");
    QTest::newRow("the button, then Esc") << 0 << QKeySequence(Qt::Key_Escape);
    QTest::newRow("F1, then Ctrl+W") << int(Qt::Key_F1) << QKeySequence(Qt::CTRL | Qt::Key_W);
}

void tst_Ventana::ayudaUnaSolaVentana()
{
    QFETCH(int, abrir);
    QFETCH(QKeySequence, cerrar);
    Banco b;
    QVERIFY(b.mostrar());
    const auto abrirAyuda = [&] {
        if (abrir)
            QTest::keyClick(&b.ventana, Qt::Key(abrir));
        else
            b.control<QPushButton>("cmdAyuda")->click();
    };
    abrirAyuda();
    auto *ayuda = b.ventana.findChild<QTextBrowser *>();
    QVERIFY(ayuda);
    QVERIFY(ayuda->isWindow());
    QVERIFY(ayuda->isVisible());
    QCOMPARE(ayuda->windowTitle(), QStringLiteral("Ayuda de TORXAL"));
    // Centres of an odd and an even height differ by half a pixel, rounded.
    QVERIFY((ayuda->geometry().center() - b.ventana.geometry().center()).manhattanLength() <= 1);
    // With no window manager, the keyboard goes where the test says.
    QApplication::setActiveWindow(ayuda);
    QCOMPARE(QApplication::activeWindow(), ayuda);
    QTest::keySequence(ayuda, cerrar);
    QVERIFY(!ayuda->isVisible());
    QVERIFY(b.ventana.isVisible());
    abrirAyuda();
    QCOMPARE(b.ventana.findChildren<QTextBrowser *>(), QList<QTextBrowser *>{ayuda});
    QVERIFY(ayuda->isVisible());
    QVERIFY(b.mensajero.mostrados.isEmpty());
}

void tst_Ventana::ayudaExplicaMensajes_data()
{
    // Every text of the program's table, cut where paths and numbers go, and every check.
    QTest::addColumn<QString>("fragmento");
    for (const Plantilla &plantilla : plantillas()) {
        // What is wrong with a setting is said whole in its message; the help names the rules.
        if (plantilla.clase == Clase::DeMotivo)
            continue;
        const QString texto = QString::fromUtf16(plantilla.texto);
        for (const QString &trozo : texto.split(QRegularExpression(u"%\\d"_s), Qt::SkipEmptyParts)) {
            const QString fragmento = trozo.trimmed();
            if (fragmento.size() >= 4)
                QTest::newRow(qPrintable(fragmento)) << fragmento;
        }
    }
    for (const DescripcionAviso &aviso : descripcionesAvisos()) {
        QTest::newRow(aviso.clave) << QString::fromLatin1(aviso.clave);
        QTest::addRow("%s: summary", aviso.clave) << QString::fromUtf16(aviso.resumen);
    }
    // The clerk's path, then the reference behind it.
    for (const char *ejemplo : {"Contenido", "1. Preparar la lista", "2. Elegir el tipo de consulta", "3. Generar el fichero",
                                "4. Leer el resultado y revisar la lista", "5. Qué fichero enviar",
                                "6. Qué responde el servicio, y cuándo", "Listas en hoja de cálculo o CSV",
                                "cada parte por separado, una detrás de otra",
                                "horas", "No hay un entorno de pruebas", "Apéndice", "F1", "Ctrl+W",
                                "12345678ZGARCÍA LÓPEZ MARÍA", "9872023VH5797S0001WX28079", "1307701800039", "torxal.conf",
                                "espacio-de-nombres", "formato-fecha", "tamano-maximo-kb",
                                "tamano-aviso-kb", "Revisar la lista…", "Revisión de la lista"})
        QTest::newRow(ejemplo) << QString::fromUtf8(ejemplo);
}

void tst_Ventana::ayudaExplicaMensajes()
{
    QFETCH(QString, fragmento);
    static const QString ayuda = [] {
        Banco b;
        b.control<QPushButton>("cmdAyuda")->click();
        auto *navegador = b.ventana.findChild<QTextBrowser *>();
        return navegador ? navegador->toPlainText().simplified() : QString();
    }();
    QVERIFY2(ayuda.contains(fragmento.simplified()), qPrintable(fragmento));
}

void tst_Ventana::fondoYBanner()
{
    Banco b;
    const QImage vista = b.ventana.grab().toImage();
    QCOMPARE(vista.size(), QSize(418, 217));
    QCOMPARE(vista.pixelColor(260, 200), QColor(244, 244, 244));
    // Inside the query-kind frame, right of the options' texts.
    QCOMPARE(vista.pixelColor(210, 170), QColor(244, 244, 244));
    // The logo's squares, grey, orange and yellow, stand at the top-left.
    QCOMPARE(vista.pixelColor(11, 9), QColor(0x8c, 0x8c, 0x8c));
    QCOMPARE(vista.pixelColor(20, 9), QColor(0xf2, 0x8c, 0x28));
    QCOMPARE(vista.pixelColor(29, 9), QColor(0xf5, 0xc5, 0x18));
    // Inside the strip but right of the text: white, the window stops before the strip's border.
    QCOMPARE(vista.pixelColor(417, 20), QColor(Qt::white));
}

void tst_Ventana::catalogoEspanol()
{
    const QString catalogo = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm");
    if (!QFile::exists(catalogo))
        QSKIP("Qt's Spanish catalogue is not installed (Debian: qt6-translations-l10n)");
    // The tests run under LANG=C: the window speaks Spanish all the same.
    prepararAplicacion(*qApp);
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Ver en:"));
    QCOMPARE(QLocale().monthName(3), QStringLiteral("marzo"));
    QCOMPARE(QLocale::system().monthName(3), QStringLiteral("marzo"));
    // The file dialog's kind column.
    QTemporaryDir dir;
    const QString lista = copiarEjemplo(dir, QStringLiteral("nif.txt"), QStringLiteral("lista.txt"));
    const QAbstractFileIconProvider tipos;
    QCOMPARE(tipos.type(QFileInfo(dir.path())), QStringLiteral("Carpeta"));
    QCOMPARE(tipos.type(QFileInfo(lista)), QStringLiteral("documento de texto sencillo"));
}

void tst_Ventana::ficheroDeArranque_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("fichero");
    QTest::newRow("none") << QStringList{u"torxal"_s} << QString();
    QTest::newRow("one list") << QStringList{u"torxal"_s, u"lista.txt"_s} << u"lista.txt"_s;
    QTest::newRow("two, the first") << QStringList{u"torxal"_s, u"a b.txt"_s, u"c.txt"_s} << u"a b.txt"_s;
}

void tst_Ventana::ficheroDeArranque()
{
    QFETCH(QStringList, argumentos);
    QFETCH(QString, fichero);
    QCOMPARE(::ficheroDeArranque(argumentos), fichero);
}

void tst_Ventana::soltarUnaLista_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("aceptada");
    const QString lista = QStringLiteral("/tmp/soltada.txt");
    QTest::newRow("one local file") << QList<QUrl>{QUrl::fromLocalFile(lista)} << true;
    QTest::newRow("two files") << QList<QUrl>{QUrl::fromLocalFile(lista), QUrl::fromLocalFile(u"/tmp/otra.txt"_s)} << false;
    QTest::newRow("a folder") << QList<QUrl>{QUrl::fromLocalFile(QDir::tempPath())} << false;
    QTest::newRow("a remote address") << QList<QUrl>{QUrl(u"https://catastro.example/lista.txt"_s)} << false;
    QTest::newRow("text, no file") << QList<QUrl>{} << false;
}

void tst_Ventana::soltarUnaLista()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, aceptada);
    Banco b;
    b.buscar(QStringLiteral("/tmp/anterior.txt"));
    QMimeData datos;
    if (urls.isEmpty())
        datos.setText(QStringLiteral("/tmp/soltada.txt"));
    else
        datos.setUrls(urls);
    const QPoint punto(200, 100);
    QDragEnterEvent entrada(punto, Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b.ventana, &entrada);
    // The cursor shows whether the window takes the drop.
    QCOMPARE(entrada.isAccepted(), aceptada);
    QDropEvent soltar(QPointF(punto), Qt::CopyAction, &datos, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b.ventana, &soltar);
    const QString esperada = aceptada ? QStringLiteral("/tmp/soltada.txt") : QStringLiteral("/tmp/anterior.txt");
    QCOMPARE(b.dialogo.nombreFichero(), esperada);
    QCOMPARE(b.control<QLineEdit>("Text1")->text(), esperada);
    QVERIFY(b.mensajero.mostrados.isEmpty());
}

void tst_Ventana::salidaQueEsUnEnlace()
{
    // A link left at the output's name in a shared folder must not make the window write elsewhere.
    if (!hayEnlacesSimbolicos())
        QSKIP("this system's links are not seen as links");
    QTemporaryDir dir;
    const QString lista = copiarEjemplo(dir, QStringLiteral("nif.txt"), QStringLiteral("lista.txt"));
    QVERIFY(enlazarSimbolico(dir.filePath(u"valioso.dat"_s), dir.filePath(u"lista.xml"_s)));
    Banco b;
    b.buscar(lista);
    b.control<QPushButton>("cmdExtract1")->click();
    QCOMPARE(b.mensajero.textos(), QStringList{QStringLiteral("El fichero de salida %1 es un enlace simbólico; no se "
                                                              "escribe a través de él.").arg(dir.filePath(u"lista.xml"_s))});
    QCOMPARE(b.mensajero.mostrados.constFirst().estilo, Estilo::Critico);
    QVERIFY(!QFile::exists(dir.filePath(u"valioso.dat"_s)));
}

void tst_Ventana::ajustesNoValidosEnLaVentana()
{
    // The window reads the settings at every run and says what is wrong with them.
    QTemporaryDir dir;
    const QByteArray antes = qgetenv(CarpetaAjustesUsuario);
    qputenv(CarpetaAjustesUsuario, QFile::encodeName(dir.path()));
    QVERIFY(QDir(dir.path()).mkpath(u"torxal"_s));
    QFile ajustes(dir.filePath(u"torxal/torxal.conf"_s));
    QVERIFY(ajustes.open(QIODevice::WriteOnly));
    ajustes.write("[documento]\nformato-fecha=dd-MM-yyyy\ncolor=rojo\n");
    ajustes.close();
    const QString lista = copiarEjemplo(dir, QStringLiteral("nif.txt"), QStringLiteral("lista.txt"));
    Banco b;
    b.buscar(lista);
    b.control<QPushButton>("cmdExtract1")->click();
    qputenv(CarpetaAjustesUsuario, antes);
    QCOMPARE(b.mensajero.textos(), QStringList{QStringLiteral("El fichero de ajustes %1 tiene un valor no válido en "
                                                              "documento/formato-fecha: debe ser dd/MM/yyyy o yyyy-MM-dd.")
                                                   .arg(ajustes.fileName())});
    QCOMPARE(b.mensajero.mostrados.constFirst().estilo, Estilo::Critico);
    QVERIFY(!QFile::exists(dir.filePath(u"lista.xml"_s)));
}

void tst_Ventana::columnasElegidasYRecordadas()
{
    // A sheet whose header names no reference column: the user maps it, and the same
    // header is offered mapped that way the next time.
    QTemporaryDir dir;
    qputenv(CarpetaEstado, QFile::encodeName(dir.filePath(u"estado"_s)));
    const QString lista = dir.filePath(u"titulares.xlsx"_s);
    QVERIFY(QFile::copy(QStringLiteral(TORXAL_DATOS_PRUEBA "/../tablas/celdas.xlsx"), lista));
    using Uso = ElectorColumnas::Uso;
    Banco b;
    b.elector.usos = {Uso::Referencia, Uso::NoUsar, Uso::NoUsar, Uso::NoUsar, Uso::Ine, Uso::NoUsar};
    b.buscar(lista);
    b.control<QRadioButton>("Rdb_RC")->click();
    b.control<QPushButton>("cmdExtract1")->click();
    b.control<QPushButton>("cmdExtract1")->click();
    qunsetenv(CarpetaEstado);

    // The title above the header is neither shown as the first row nor sent as a record.
    QCOMPARE(b.elector.primerasFilas, QStringList(2, u"DNI/NIF"_s));
    // First what the header row names for the kind ("Cód. INE"), then what was chosen.
    QCOMPARE(b.elector.ofrecidos, (QList<QList<Uso>>{{Uso::NoUsar, Uso::NoUsar, Uso::NoUsar, Uso::NoUsar, Uso::Ine, Uso::NoUsar},
                                                     b.elector.usos}));
    // NIFs mapped as references: the window asks first, and the script's Yes writes them.
    QCOMPARE(b.mensajero.textos().mid(0, 2),
             (QStringList{u"La lista no parece de «Referencia Catastral»: 7 de 7 registros tienen un identificador de "
                          "otra forma o texto después de la última columna; parece de «NIF-Apellidos y Nombre». "
                          "¿Crear el fichero de todos modos?"_s,
                          creado(dir.filePath(u"titulares.xml"_s))}));
    QFile xml(dir.filePath(u"titulares.xml"_s));
    QVERIFY(xml.open(QIODevice::ReadOnly));
    const QByteArray documento = xml.readAll();
    QCOMPARE(documento.count("<DAT>"), 7);
    QVERIFY(documento.contains("<DAT><RC>12345678Z</RC><PRO>28</PRO><MUN>079</MUN></DAT>"));
    QVERIFY(!documento.contains("DNI/NIF"));
    // Its review reads the sheet with the columns chosen, as the run did: below the title
    // and the header, rows 3 to 9 are its records.
    VentanaRevision *revision = b.ventana.revisarLista(lista, TipoConsulta::RC);
    QVERIFY(revision);
    const ModeloRevision &modelo = revision->modelo();
    QCOMPARE(modelo.rowCount(), 7);
    QCOMPARE(modelo.copiar({0, 6}), u"Fila\tEstado\tRC\tPRO\tMUN\n3\tescrito con avisos\t12345678Z\t28\t079\n"
                                     "9\tescrito con avisos\t12345678Z\t28\t079\n"_s);
}

void tst_Ventana::preguntaPorTamano_data()
{
    QTest::addColumn<Boton>("respuesta");
    QTest::addColumn<Boton>("recordar");
    QTest::addColumn<QStringList>("escritos");
    QTest::addColumn<QByteArray>("ajustes");
    QTest::addColumn<QString>("final");
    QTest::newRow("split into parts, remembered")
        << Boton::Si << Boton::Si << QStringList{u"lista-1.xml"_s, u"lista-2.xml"_s, u"lista.txt"_s}
        << QByteArray("[documento]\ntamano-maximo-kb=450\n")
        << u"Los ficheros %1/lista-1.xml a %1/lista-2.xml se han creado correctamente."_s;
    QTest::newRow("one file, not remembered")
        << Boton::No << Boton::No << QStringList{u"lista.txt"_s, u"lista.xml"_s} << QByteArray()
        << u"El fichero %1/lista.xml se ha creado correctamente."_s;
    QTest::newRow("cancelled: nothing written, nothing more asked")
        << Boton::Cancelar << Boton::Si << QStringList{u"lista.txt"_s} << QByteArray() << QString();
}

// A document past the service's usual size (450 KB when no setting says otherwise) is
// asked about before it is put in place, and the choice may be kept in the user's settings.
void tst_Ventana::preguntaPorTamano()
{
    QFETCH(Boton, respuesta);
    QFETCH(Boton, recordar);
    QFETCH(QStringList, escritos);
    QFETCH(QByteArray, ajustes);
    QFETCH(QString, final);
    QTemporaryDir dir;
    QTemporaryDir configuracion;
    QVERIFY(dir.isValid() && configuracion.isValid());
    QByteArray lista;
    static constexpr char Letras[] = "TRWAGMYFPDXBNJZSQVHLCKE";
    for (int n = 10000000; n < 10008000; ++n)
        lista += QByteArray::number(n) + Letras[n % 23] + QByteArray("GARCIA LOPEZ MARIA").leftJustified(62, ' ') + "28079\r\n";
    QVERIFY(escribir(dir.filePath(u"lista.txt"_s), lista));
    const QByteArray antes = qgetenv(CarpetaAjustesUsuario);
    qputenv(CarpetaAjustesUsuario, QFile::encodeName(configuracion.path()));
    Banco b;
    b.mensajero.respuestas = {respuesta, recordar};
    b.buscar(dir.filePath(u"lista.txt"_s));
    b.control<QPushButton>("cmdExtract1")->click();
    qputenv(CarpetaAjustesUsuario, antes);

    const QString conf = configuracion.filePath(u"torxal/torxal.conf"_s);
    QStringList textos{u"El fichero ocuparía 696 KB; el servicio admite unos 450 KB por fichero. ¿Dividirlo en partes?"_s};
    if (respuesta != Boton::Cancelar)
        textos << u"¿Recordar esta elección para las próximas listas? Se guarda en "_s + conf + u'.' << final.arg(dir.path());
    QCOMPARE(b.mensajero.textos(), textos);
    QCOMPARE(b.mensajero.mostrados.constFirst().botones, (QStringList{u"Dividir en partes"_s, u"Un solo fichero"_s, u"Cancelar"_s}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), escritos);
    QCOMPARE(QFile::exists(conf) ? leer(conf) : QByteArray(), ajustes);
}

// The program's own start: its language is set before the application object exists.
int main(int argc, char **argv)
{
    fijarIdioma();
    QApplication aplicacion(argc, argv);
    tst_Ventana prueba;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&prueba, argc, argv);
}
#include "tst_ventana.moc"
