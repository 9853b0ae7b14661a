// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// What happens to the user's files when the output fails, or the program dies, midway.
// The failures are made through the writer's destination seam, a full file system and
// signals, never with permission bits: CI runs as root, and root writes through those.

#include "conversor.h"
#include "destino.h"
#include "destinomemoria.h"
#include "ficheros.h"
#include "mensajeroguion.h"
#include "mensajes.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#ifdef Q_OS_LINUX
#include <sys/types.h>
#include <unistd.h>
#endif

using namespace torxal;
using namespace Qt::StringLiterals;

namespace {

const QString RazonSimulada = QStringLiteral("No queda espacio en el dispositivo");

enum class Etapa { Crear, Cabecera, Registro, Cierre, Volcar, Colocar, Aparece };

// Wraps the real file destination and fails at one stage, as a full disk or a pulled
// drive would: the stage's call reports failure and writes nothing. At `Aparece`
// nothing fails, but someone else puts a file at the target while the run converts.
class DestinoQueFalla final : public DestinoEnvuelto {
public:
    DestinoQueFalla(std::unique_ptr<Destino> real, Etapa etapa, int *escrituras)
        : DestinoEnvuelto(std::move(real)), m_etapa(etapa), m_escrituras(escrituras)
    {
    }

    bool abrir(int *razon) override
    {
        if (m_etapa == Etapa::Crear)
            return fallar(razon);
        return m_real->abrir(razon);
    }
    bool escribir(const char *datos, qsizetype longitud, int *razon) override
    {
        ++*m_escrituras;
        const QByteArrayView bloque(datos, longitud);
        const bool cabecera = bloque.startsWith("<?xml");
        const bool cierre = bloque.endsWith("</LISTADATOS>\r\n");
        if ((m_etapa == Etapa::Cabecera && cabecera) || (m_etapa == Etapa::Cierre && cierre)
            || (m_etapa == Etapa::Registro && !cabecera && !cierre))
            return fallar(razon);
        return m_real->escribir(datos, longitud, razon);
    }
    bool preparar(int *razon) override
    {
        if (m_etapa == Etapa::Volcar)
            return fallar(razon);
        return m_real->preparar(razon);
    }
    bool colocar(const QString &ruta, bool reemplazar, int *razon) override
    {
        if (m_etapa == Etapa::Colocar)
            return fallar(razon);
        if (m_etapa == Etapa::Aparece)
            ::escribir(ruta, "DE OTRO");
        return m_real->colocar(ruta, reemplazar, razon);
    }

private:
    // A full disk, as the system would say it.
    static bool fallar(int *razon)
    {
        *razon = ENOSPC;
        return false;
    }

    Etapa m_etapa;
    int *m_escrituras;
};

// NIF lines of the full width, all different, so that `lineas` of them fill several of
// the writer's blocks.
QByteArray listaNIF(int lineas)
{
    QByteArray lista;
    lista.reserve(qsizetype(lineas) * 78);
    for (int i = 0; i < lineas; ++i) {
        const QByteArray numero = QByteArray::number(10000000 + i);
        lista += numero + "TRWAGMYFPDXBNJZSQVHLCKE"[(10000000 + i) % 23];
        lista += QByteArray("GARC\xCD" "A L\xD3PEZ MAR\xCD" "A ").leftJustified(62, ' ');
        lista += "28079\r\n";
    }
    return lista;
}

QStringList entradas(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class tst_Fallos : public QObject {
    Q_OBJECT

private slots:
    void salidaQueFalla_data();
    void salidaQueFalla();
    void discoLleno_data();
    void discoLleno();
    void entornoHostil_data();
    void entornoHostil();
    void senalMientrasSeColocanLasPartes();
    void pararLaConversionNoTocaLaSalidaAnterior_data();
    void pararLaConversionNoTocaLaSalidaAnterior();
};

void tst_Fallos::salidaQueFalla_data()
{
    QTest::addColumn<Etapa>("etapa");
    QTest::addColumn<bool>("habiaSalida");
    QTest::addColumn<QString>("mensaje");

    const QString noCrea = QStringLiteral("16: No se puede crear el fichero %1.\n") + RazonSimulada;
    const QString noEscribe = QStringLiteral("16: No se puede escribir el fichero de salida %1.\n") + RazonSimulada;
    const struct {
        const char *nombre;
        Etapa etapa;
        QString mensaje;
    } etapas[] = {
        {"creating the file", Etapa::Crear, noCrea},
        {"writing the header", Etapa::Cabecera, noCrea},
        {"writing a block of records", Etapa::Registro, noEscribe},
        {"writing the closing line", Etapa::Cierre, noEscribe},
        {"flushing to the disk", Etapa::Volcar, noEscribe},
        {"putting it in place", Etapa::Colocar, noEscribe},
    };
    for (const auto &e : etapas) {
        QTest::addRow("%s, over an earlier document", e.nombre) << e.etapa << true << e.mensaje;
        QTest::addRow("%s, no earlier document", e.nombre) << e.etapa << false << e.mensaje;
    }
    // Without the user's yes, a file that turns up meanwhile is not replaced.
    QTest::newRow("an output appears while the run converts")
        << Etapa::Aparece << false << QStringLiteral("64: El fichero %1 ya existe, no se continúa con el proceso.");
}

void tst_Fallos::salidaQueFalla()
{
    QFETCH(Etapa, etapa);
    QFETCH(bool, habiaSalida);
    QFETCH(QString, mensaje);

    QTemporaryDir temporal;
    QVERIFY(temporal.isValid());
    const QString rutaEntrada = temporal.filePath(QStringLiteral("lista.txt"));
    const QString rutaSalida = temporal.filePath(QStringLiteral("lista.xml"));
    // Enough records for the writer to hand over several blocks before the closing line.
    const QByteArray lista = listaNIF(20000);
    QVERIFY(escribir(rutaEntrada, lista));
    const QByteArray anterior = "<?xml version='1.0'?>\r\n<LISTADATOS>documento de ayer</LISTADATOS>\r\n";
    if (habiaSalida)
        QVERIFY(escribir(rutaSalida, anterior));
    const QStringList antes = entradas(temporal.path());

    MensajeroGuion mensajero;
    mensajero.respuestas = {Boton::Si};
    Conversor conversor(mensajero);
    int escrituras = 0;
    conversor.setFabricaDestino([&](const QString &ruta) {
        return std::make_unique<DestinoQueFalla>(crearDestinoFichero(ruta), etapa, &escrituras);
    });

    QVERIFY(!conversor.GenerarFicheroXML(rutaEntrada, TipoConsulta::NIF));

    // The record stage only means something if records went out in blocks of their own.
    if (etapa == Etapa::Registro || etapa == Etapa::Cierre)
        QVERIFY2(escrituras >= 2, QByteArray::number(escrituras));
    // One message for the failure, after the overwrite question when there was a document.
    QCOMPARE(mensajero.resumen(), (habiaSalida ? QStringList{u"68: El fichero de salida ya existe. ¿Desea sobreescribirlo?"_s}
                                               : QStringList{}) + QStringList{mensaje.arg(rutaSalida)});

    if (etapa == Etapa::Aparece) {
        QCOMPARE(leer(rutaSalida), QByteArray("DE OTRO"));
        QCOMPARE(entradas(temporal.path()), antes + QStringList{u"lista.xml"_s});
    } else {
        QCOMPARE(entradas(temporal.path()), antes);
        if (habiaSalida)
            QCOMPARE(leer(rutaSalida), anterior);
    }
    QCOMPARE(leer(rutaEntrada), lista);
}

void tst_Fallos::discoLleno_data()
{
    QTest::addColumn<QString>("opciones");
    QTest::addColumn<QString>("nombre"); // the file the message names
    QTest::newRow("one document") << QString() << u"lista.xml"_s;
    // The first part fits, the second does not: that part is named, not the whole document.
    QTest::newRow("parts") << u"--tamano-maximo 100"_s << u"lista-2.xml"_s;
}

void tst_Fallos::discoLleno()
{
    QFETCH(QString, opciones);
    QFETCH(QString, nombre);
    // A real full file system: the writes come up short, then fail, and the user must be
    // told that, not "unknown error". A private mount of a small tmpfs needs root.
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (::geteuid() != 0 || unshare.isEmpty())
        QSKIP("mounting a small file system needs root and unshare");
    QTemporaryDir temporal;
    const QString lista = temporal.filePath(QStringLiteral("lista.txt"));
    QVERIFY(escribir(lista, listaNIF(3000)));
    const QString montaje = temporal.filePath(QStringLiteral("lleno"));
    QVERIFY(QDir().mkpath(montaje));
    QProcess proceso;
    proceso.setProgram(unshare);
    // Room for the list and half its document.
    proceso.setArguments({QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("mount -t tmpfs -o size=360k tmpfs \"$1\" && cp \"$2\" \"$1/\" && \"$3\" --tipo nif %1 \"$1/lista.txt\"; "
                                         "echo \"estado $?\"; ls -A \"$1\"").arg(opciones),
                          QStringLiteral("sh"), montaje, lista, QStringLiteral(TORXAL_CLI)});
    proceso.start();
    QVERIFY(proceso.waitForFinished(60000));
    const QString errores = QString::fromUtf8(proceso.readAllStandardError());
    if (errores.contains(u"mount:"))
        QSKIP(qPrintable(u"this machine does not let a test mount a file system: "_s + errores));
    QCOMPARE(errores, QStringLiteral("%1/lista.txt: No se puede escribir el fichero de salida %1/%2.\n"
                                     "No queda espacio en el dispositivo\n").arg(montaje, nombre));
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardOutput()), u"estado 1\nlista.txt\n"_s);
}

void tst_Fallos::entornoHostil_data()
{
    // A shell script run as root with the folder in $1 (holding lista.txt) and torxal-cli
    // in $2; what torxal-cli says on standard error, its status and what the folder holds.
    QTest::addColumn<QString>("guion");
    QTest::addColumn<QString>("errores");
    QTest::addColumn<QString>("salida");

    const QString sinProc = u"unshare -m sh -c 'mount -t tmpfs none /proc && \"$1\" --tipo nif \"$0/lista.txt\" >/dev/null' \"$1\" \"$2\""_s;
    QTest::newRow("no /proc: the hidden named file instead")
        << sinProc << QString() << u"estado 0\nlista.txt\nlista.xml\n"_s;
    const QString limite = u"ulimit -f 40; %1\"$2\" --tipo nif \"$1/lista.txt\""_s;
    const QString grande = u"%D/lista.txt: No se puede escribir el fichero de salida %D/lista.xml.\nFichero demasiado grande\n"_s;
    QTest::newRow("a file-size limit, nameless file") << limite.arg(QString()) << grande << u"estado 1\nlista.txt\n"_s;
    QTest::newRow("a file-size limit, named file")
        << limite.arg(u"TORXAL_SIN_TEMPORALES_ANONIMOS=1 "_s) << grande << u"estado 1\nlista.txt\n"_s;
    // In a folder with the sticky bit, parts someone else owns cannot be replaced, and
    // no second name of theirs may be left behind that the user could not remove.
    QTest::newRow("someone else's parts in a sticky folder")
        << u"chmod 1777 \"$1\" && for n in 1 2; do echo ANTES > \"$1/lista-$n.xml\"; done && chmod 666 \"$1\"/lista-*.xml && chown nobody \"$1\"/lista-*.xml "
           "&& chown daemon \"$1/lista.txt\" && setpriv --reuid=daemon --regid=daemon --clear-groups "
           "\"$2\" --tipo nif --sobrescribir --tamano-maximo 100 \"$1/lista.txt\""_s
        << u"%D/lista.txt: No se puede escribir el fichero de salida %D/lista-1.xml.\nOperación no permitida\n"_s
        << u"estado 1\nlista-1.xml\nlista-2.xml\nlista.txt\n"_s;
}

void tst_Fallos::entornoHostil()
{
    QFETCH(QString, guion);
    QFETCH(QString, errores);
    QFETCH(QString, salida);
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("these need root, unshare and setpriv");
#ifdef TORXAL_CON_SANITIZADORES
    // The sanitizers' runtime reads its options and its leak check from /proc itself.
    if (QByteArray(QTest::currentDataTag()).startsWith("no /proc"))
        QSKIP("a sanitizer build cannot run without /proc");
#endif
    QTemporaryDir temporal;
    QVERIFY(escribir(temporal.filePath(QStringLiteral("lista.txt")), listaNIF(3000)));
    QProcess proceso;
    proceso.setProgram(QStringLiteral("sh"));
    proceso.setArguments({QStringLiteral("-c"), guion + u"; echo \"estado $?\"; ls -A \"$1\""_s, QStringLiteral("sh"),
                          temporal.path(), QStringLiteral(TORXAL_CLI)});
    proceso.start();
    QVERIFY(proceso.waitForFinished(60000));
    const QString dichos = QString::fromUtf8(proceso.readAllStandardError());
    if (dichos.contains(u"mount:") || dichos.contains(u"unshare:") || dichos.contains(u"setpriv:"))
        QSKIP(qPrintable(u"this machine does not let a test do that: "_s + dichos));
    QCOMPARE(dichos, QString(errores).replace(u"%D"_s, temporal.path()));
    QCOMPARE(QString::fromUtf8(proceso.readAllStandardOutput()), salida);
}

// Which part was being put in place when SIGTERM came, and how many were in place when
// its handler finally ran.
int g_colocadas = 0;
volatile sig_atomic_t g_colocadasAlLlegar = -1;

extern "C" void anotarSenal(int)
{
    g_colocadasAlLlegar = g_colocadas;
}

void tst_Fallos::senalMientrasSeColocanLasPartes()
{
    // SIGTERM while the second of three parts goes in: the signal waits until the whole
    // set is in place, and then the program's own handler finds no hidden file to remove.
    struct sigaction anotar = {};
    anotar.sa_handler = anotarSenal;
    sigemptyset(&anotar.sa_mask);
    struct sigaction previa;
    QCOMPARE(::sigaction(SIGTERM, &anotar, &previa), 0);
    qputenv("TORXAL_SIN_TEMPORALES_ANONIMOS", "1");
    QTemporaryDir temporal;
    const QString rutaEntrada = temporal.filePath(QStringLiteral("lista.txt"));
    QVERIFY(escribir(rutaEntrada, listaNIF(3000)));
    for (const char *parte : {"lista-1.xml", "lista-2.xml", "lista-3.xml"})
        QVERIFY(escribir(temporal.filePath(QLatin1String(parte)), "ANTES"));

    class QueRecibeUnaSenal final : public DestinoEnvuelto {
    public:
        using DestinoEnvuelto::DestinoEnvuelto;
        bool colocar(const QString &ruta, bool reemplazar, int *error) override
        {
            if (++g_colocadas == 2)
                ::raise(SIGTERM);
            return m_real->colocar(ruta, reemplazar, error);
        }
    };
    MensajeroGuion mensajero;
    mensajero.respuestas = {Boton::Si};
    Conversor conversor(mensajero);
    OpcionesConversion opciones;
    opciones.documento.tamanoMaximo = 100 * 1024;
    conversor.setOpciones(opciones);
    conversor.setFabricaDestino([](const QString &ruta) { return std::make_unique<QueRecibeUnaSenal>(crearDestinoFichero(ruta)); });
    const bool creado = conversor.GenerarFicheroXML(rutaEntrada, TipoConsulta::NIF);
    qunsetenv("TORXAL_SIN_TEMPORALES_ANONIMOS");
    ::sigaction(SIGTERM, &previa, nullptr);

    QVERIFY(creado);
    QCOMPARE(int(g_colocadasAlLlegar), 3);
    QCOMPARE(entradas(temporal.path()), QStringList({u"lista-1.xml"_s, u"lista-2.xml"_s, u"lista-3.xml"_s, u"lista.txt"_s}));
    QVERIFY(leer(temporal.filePath(u"lista-2.xml"_s)).startsWith("<?xml"));
}

void tst_Fallos::pararLaConversionNoTocaLaSalidaAnterior_data()
{
    QTest::addColumn<int>("senal");
    QTest::addColumn<bool>("sinAnonimos");
    // A nameless temporary file goes with the process, whatever kills it; a named one is
    // removed by the program itself on the signals that let it.
    QTest::newRow("SIGKILL") << int(SIGKILL) << false;
    QTest::newRow("SIGINT without nameless files") << int(SIGINT) << true;
    QTest::newRow("SIGTERM without nameless files") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP without nameless files") << int(SIGHUP) << true;
}

void tst_Fallos::pararLaConversionNoTocaLaSalidaAnterior()
{
    QFETCH(int, senal);
    QFETCH(bool, sinAnonimos);
#ifndef Q_OS_LINUX
    QSKIP("Watching the conversion's progress needs Linux's /proc");
#else
    QTemporaryDir temporal;
    QVERIFY(temporal.isValid());
    const QString rutaEntrada = temporal.filePath(QStringLiteral("lista.txt"));
    const QString rutaSalida = temporal.filePath(QStringLiteral("lista.xml"));
    {
        // About 80 MB, so the conversion runs long enough to be caught midway.
        QFile fichero(rutaEntrada);
        QVERIFY(fichero.open(QIODevice::WriteOnly));
        const QByteArray trozo = listaNIF(10000);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(fichero.write(trozo), trozo.size());
    }
    const QByteArray hashEntrada = [&] {
        QFile fichero(rutaEntrada);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        return fichero.open(QIODevice::ReadOnly) && hash.addData(&fichero) ? hash.result() : QByteArray();
    }();
    QVERIFY(!hashEntrada.isEmpty());
    const QByteArray anterior = "<?xml version='1.0'?>\r\n<LISTADATOS>documento de ayer</LISTADATOS>\r\n";
    QVERIFY(escribir(rutaSalida, anterior));

    QProcess cli;
    if (sinAnonimos) {
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("TORXAL_SIN_TEMPORALES_ANONIMOS"), QStringLiteral("1"));
        cli.setProcessEnvironment(entorno);
    }
    cli.setProgram(QStringLiteral(TORXAL_CLI));
    cli.setArguments({QStringLiteral("--tipo"), QStringLiteral("nif"), QStringLiteral("--sobrescribir"), rutaEntrada});
    cli.start();
    QVERIFY2(cli.waitForStarted(), qPrintable(cli.errorString()));
    const qint64 pid = cli.processId();

    // Under way means: a file open for writing in the list's directory, other than the
    // list, already holding megabytes of records. The temporary file may have no
    // name (O_TMPFILE), so it is found through the process's open descriptors.
    const QString descriptores = QStringLiteral("/proc/%1/fd").arg(pid);
    const QString directorio = QDir(temporal.path()).canonicalPath() + u'/';
    bool enMarcha = false;
    QDeadlineTimer plazo(60000);
    while (!enMarcha && !plazo.hasExpired()) {
        const QStringList fds = QDir(descriptores).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &fd : fds) {
            char enlace[4096];
            const ssize_t n = ::readlink(QFile::encodeName(descriptores + u'/' + fd).constData(), enlace, sizeof enlace);
            const QString destino = n > 0 ? QFile::decodeName(QByteArray(enlace, n)) : QString();
            if (!destino.startsWith(directorio) || destino == directorio + QStringLiteral("lista.txt"))
                continue;
            QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
            if (!info.open(QIODevice::ReadOnly))
                continue;
            const QByteArray pos = info.readLine().trimmed(); // "pos:\t<offset>"
            if (pos.startsWith("pos:") && pos.mid(4).trimmed().toLongLong() > 4 * 1024 * 1024)
                enMarcha = true;
        }
        // Also lets QProcess notice an early end, which would leave nothing to kill.
        if (!enMarcha && cli.waitForFinished(1))
            break;
    }
    QVERIFY2(enMarcha, "the conversion ended, or never wrote, before it could be stopped midway");
    QCOMPARE(::kill(pid_t(pid), senal), 0);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);

    QCOMPARE(leer(rutaSalida), anterior);
    QFile entrada(rutaEntrada);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QVERIFY(entrada.open(QIODevice::ReadOnly) && hash.addData(&entrada));
    QCOMPARE(hash.result(), hashEntrada);
    QCOMPARE(entradas(temporal.path()), QStringList({u"lista.txt"_s, u"lista.xml"_s}));
#endif
}

QTEST_GUILESS_MAIN(tst_Fallos)
#include "tst_fallos.moc"
