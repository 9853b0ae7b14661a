// What happens to the user's files when the output fails, or the program dies, midway.
// The failures are made through the writer's destination seam and with SIGKILL, never
// with permission bits: CI runs as root, and root writes through those.

#include "conversor.h"
#include "ficheros.h"
#include "escritorxml.h"
#include "mensajeroguion.h"
#include "mensajes.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

#ifdef Q_OS_LINUX
#include <sys/types.h>
#include <unistd.h>
#endif

using namespace torxal;

namespace {

const QString RazonSimulada = QStringLiteral("No queda espacio en el dispositivo (simulado)");

enum class Etapa { Crear, Cabecera, Registro, Cierre, Confirmar };

// Wraps the real file destination and fails at one stage, as a full disk or a pulled
// drive would: the stage's call reports failure and writes nothing.
class DestinoQueFalla final : public Destino {
public:
    DestinoQueFalla(std::unique_ptr<Destino> real, Etapa etapa, int *escrituras)
        : m_real(std::move(real)), m_etapa(etapa), m_escrituras(escrituras)
    {
    }

    bool abrir() override
    {
        if (m_etapa == Etapa::Crear)
            return fallar();
        return m_real->abrir();
    }
    bool escribir(const char *datos, qsizetype longitud) override
    {
        ++*m_escrituras;
        const QByteArrayView bloque(datos, longitud);
        const bool cabecera = bloque.startsWith("<?xml");
        const bool cierre = bloque.endsWith("</LISTADATOS>\r\n");
        if ((m_etapa == Etapa::Cabecera && cabecera) || (m_etapa == Etapa::Cierre && cierre)
            || (m_etapa == Etapa::Registro && !cabecera && !cierre))
            return fallar();
        return m_real->escribir(datos, longitud);
    }
    bool confirmar() override
    {
        if (m_etapa == Etapa::Confirmar) {
            m_real->descartar();
            return fallar();
        }
        return m_real->confirmar();
    }
    void descartar() override { m_real->descartar(); }
    QString razon() const override { return m_fallado ? RazonSimulada : m_real->razon(); }

private:
    bool fallar()
    {
        m_fallado = true;
        return false;
    }

    std::unique_ptr<Destino> m_real;
    Etapa m_etapa;
    int *m_escrituras;
    bool m_fallado = false;
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
    void matarLaConversionNoTocaLaSalidaAnterior();
};

void tst_Fallos::salidaQueFalla_data()
{
    QTest::addColumn<Etapa>("etapa");
    QTest::addColumn<bool>("habiaSalida");
    QTest::addColumn<int>("estilo");
    QTest::addColumn<QString>("texto");

    // Creating the document and writing its header report with the style the run has always
    // used for them; failures later in the run are critical.
    const QString noCrea = QStringLiteral("El fichero %1 ya existe, no se continúa con el proceso.");
    const QString noEscribe = QStringLiteral("No se puede escribir el fichero de salida %1.");
    const struct {
        const char *nombre;
        Etapa etapa;
        int estilo;
        QString texto;
    } etapas[] = {
        {"creating the file", Etapa::Crear, EstiloInformacion, noCrea},
        {"writing the header", Etapa::Cabecera, EstiloInformacion, noCrea},
        {"writing a block of records", Etapa::Registro, EstiloCritico, noEscribe},
        {"writing the closing line", Etapa::Cierre, EstiloCritico, noEscribe},
        {"replacing the target", Etapa::Confirmar, EstiloCritico, noEscribe},
    };
    for (const auto &e : etapas) {
        QTest::addRow("%s, over an earlier document", e.nombre) << e.etapa << true << e.estilo << e.texto;
        QTest::addRow("%s, no earlier document", e.nombre) << e.etapa << false << e.estilo << e.texto;
    }
}

void tst_Fallos::salidaQueFalla()
{
    QFETCH(Etapa, etapa);
    QFETCH(bool, habiaSalida);
    QFETCH(int, estilo);
    QFETCH(QString, texto);

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
    mensajero.respuestas = {BotonSi};
    Mensajes mensajes(mensajero);
    Conversor conversor(mensajes);
    int escrituras = 0;
    conversor.setFabricaDestino([&](const QString &ruta) {
        return std::make_unique<DestinoQueFalla>(crearDestinoFichero(ruta), etapa, &escrituras);
    });

    QVERIFY(!conversor.GenerarFicheroXML(rutaEntrada, TipoConsulta::NIF));

    // The record stage only means something if records went out in blocks of their own.
    if (etapa == Etapa::Registro || etapa == Etapa::Cierre)
        QVERIFY2(escrituras >= 2, QByteArray::number(escrituras));
    QCOMPARE(mensajes.estilo(), estilo);
    QCOMPARE(mensajes.texto(), texto.arg(rutaSalida));
    QCOMPARE(mensajes.detalle(), RazonSimulada);
    // One message for the failure, after the overwrite question when there was a document.
    QCOMPARE(mensajero.mostrados.size(), habiaSalida ? 2 : 1);

    QCOMPARE(entradas(temporal.path()), antes);
    if (habiaSalida)
        QCOMPARE(leer(rutaSalida), anterior);
    else
        QVERIFY(!QFileInfo::exists(rutaSalida));
    QCOMPARE(leer(rutaEntrada), lista);
}

void tst_Fallos::matarLaConversionNoTocaLaSalidaAnterior()
{
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
    cli.setProgram(QStringLiteral(TORXAL_CLI));
    cli.setArguments({QStringLiteral("--tipo"), QStringLiteral("nif"), QStringLiteral("--sobrescribir"), rutaEntrada});
    cli.start();
    QVERIFY2(cli.waitForStarted(), qPrintable(cli.errorString()));
    const qint64 pid = cli.processId();

    // Under way means: a file open for writing in the list's directory, other than the
    // list, already holding megabytes of records. QSaveFile's temporary file may have no
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
    QVERIFY2(enMarcha, "the conversion ended, or never wrote, before it could be killed midway");
    QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);

    QCOMPARE(leer(rutaSalida), anterior);
    QFile entrada(rutaEntrada);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QVERIFY(entrada.open(QIODevice::ReadOnly) && hash.addData(&entrada));
    QCOMPARE(hash.result(), hashEntrada);
    // Where the file system cannot make nameless files, QSaveFile's named temporary may
    // stay behind; nothing else may appear, and never anything at the target's name.
    for (const QString &nombre : entradas(temporal.path())) {
        if (nombre != u"lista.txt" && nombre != u"lista.xml")
            QVERIFY2(nombre.startsWith(QStringLiteral("lista.xml.")), qPrintable(nombre));
    }
#endif
}

QTEST_GUILESS_MAIN(tst_Fallos)
#include "tst_fallos.moc"
