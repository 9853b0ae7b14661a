// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

// The files the desktop reads at installation, checked by the validators the distributions use.
class tst_Paquete : public QObject {
    Q_OBJECT

private slots:
    void validar_data();
    void validar();
    void versionDeLaPublicacion();
};

void tst_Paquete::validar_data()
{
    QTest::addColumn<QString>("validador");
    QTest::addColumn<QStringList>("argumentos");
    QTest::newRow("desktop entry")
        << u"desktop-file-validate"_s << QStringList{TORXAL_PAQUETE "/es.torxal.Torxal.desktop"_L1};
    QTest::newRow("AppStream metadata")
        << u"appstreamcli"_s
        << QStringList{u"validate"_s, u"--no-net"_s, TORXAL_PAQUETE "/es.torxal.Torxal.metainfo.xml"_L1};
}

void tst_Paquete::validar()
{
    QFETCH(QString, validador);
    QFETCH(QStringList, argumentos);
    const QString programa = QStandardPaths::findExecutable(validador);
    if (programa.isEmpty())
        QSKIP(qPrintable(validador + u" is not installed"_s));
    QProcess proceso;
    proceso.setProcessChannelMode(QProcess::MergedChannels);
    proceso.start(programa, argumentos);
    QVERIFY(proceso.waitForFinished(60000));
    const QString salida = QString::fromUtf8(proceso.readAll());
    QVERIFY2(proceso.exitStatus() == QProcess::NormalExit, qPrintable(salida));
    QVERIFY2(proceso.exitCode() == 0, qPrintable(salida));
    // desktop-file-validate reports hints and warnings yet still exits with 0.
    if (validador == u"desktop-file-validate")
        QCOMPARE(salida, QString());
}

void tst_Paquete::versionDeLaPublicacion()
{
    // Software centres show this number: it must be the one the programs print.
    QFile metadatos(TORXAL_PAQUETE "/es.torxal.Torxal.metainfo.xml"_L1);
    QVERIFY(metadatos.open(QIODevice::ReadOnly));
    QVERIFY2(metadatos.readAll().contains("<release version=\"" TORXAL_VERSION "\""), TORXAL_VERSION);
}

QTEST_GUILESS_MAIN(tst_Paquete)
#include "tst_paquete.moc"
