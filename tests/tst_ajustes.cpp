// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "ajustes.h"
#include "ficheros.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>


using namespace torxal;
using namespace Qt::StringLiterals;

class tst_Ajustes : public QObject {
    Q_OBJECT

private slots:
    void validar_data();
    void validar();
    void buscarFicheros_data();
    void buscarFicheros();
    void cargar_data();
    void cargar();
};

void tst_Ajustes::validar_data()
{
    QTest::addColumn<QString>("validador");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valido");
    QTest::addColumn<QString>("resultado"); // the value read, or the problem

    const QString caracteres = u"contiene «%1», que no se admite"_s;
    const QString sinEsquema = u"no empieza por un esquema seguido de dos puntos, como «urn:» o «http:»"_s;
    QTest::newRow("uri: urn") << "uri" << "urn:example:consulta-masiva" << true << "";
    QTest::newRow("uri: path, query and fragment") << "uri" << "http://x.example/ns?a=1#v" << true << "";
    QTest::newRow("uri: every scheme character") << "uri" << "a1+b.c-d:x" << true << "";
    QTest::newRow("uri: percent-encoded, IPv6 host, port, query and fragment")
        << "uri" << "http://u@[::1]:8080/a%C3%B1o?q=1/?#f/?" << true << "";
    QTest::newRow("uri: accented letter") << "uri" << u"urn:año"_s << false
                                          << u"contiene «ñ» (U+00F1), que un URI no admite tal cual: escríbalo como %C3%B1"_s;
    QTest::newRow("uri: astral character") << "uri" << u"urn:😀"_s << false
        << u"contiene «😀» (U+1F600), que un URI no admite tal cual: escríbalo como %F0%9F%98%80"_s;
    QTest::newRow("uri: soft hyphen") << "uri" << u"urn:a\u00adb"_s << false
        << u"contiene «\u00ad» (U+00AD), que un URI no admite tal cual: escríbalo como %C2%AD"_s;
    QTest::newRow("uri: right-to-left override") << "uri" << u"urn:\u202e"_s << false
        << u"contiene «\u202e» (U+202E), que un URI no admite tal cual: escríbalo como %E2%80%AE"_s;
    QTest::newRow("uri: brace") << "uri" << "urn:a{b}" << false << "no es un URI válido: «{» no puede ir en la posición 6";
    QTest::newRow("uri: bar") << "uri" << "urn:a|b" << false << "no es un URI válido: «|» no puede ir en la posición 6";
    QTest::newRow("uri: two fragments") << "uri" << "urn:a#b#c" << false
                                        << "no es un URI válido: «#» no puede ir en la posición 8";
    QTest::newRow("uri: bad percent") << "uri" << "urn:a%zz" << false
        << "no es un URI válido: el «%» de la posición 6 no va seguido de dos cifras hexadecimales";
    QTest::newRow("uri: bracket left open") << "uri" << "http://[::1" << false
        << "no es un URI válido: lo que va entre corchetes desde la posición 8 no es una dirección IP";
    QTest::newRow("uri: port with a letter") << "uri" << "http://x:8o/" << false
                                             << "no es un URI válido: «o» no puede ir en la posición 11";
    QTest::newRow("uri: empty") << "uri" << "" << false << "está vacío";
    QTest::newRow("uri: space") << "uri" << "urn:a b" << false << "contiene un espacio";
    QTest::newRow("uri: tab") << "uri" << "urn:a\tb" << false << "contiene un carácter de control (U+0009)";
    QTest::newRow("uri: DEL") << "uri" << "urn:\x7f" << false << "contiene un carácter de control (U+007F)";
    QTest::newRow("uri: C1 control") << "uri" << u"urn:\u009f"_s << false << "contiene un carácter de control (U+009F)";
    QTest::newRow("uri: no-break space") << "uri" << u"urn:\u00a0"_s << false << "contiene un espacio en blanco (U+00A0)";
    for (const char *c : {"'", "\"", "<", ">", "&", "\\"})
        QTest::addRow("uri: %s", c) << "uri" << u"urn:x"_s + QLatin1String(c) << false << caracteres.arg(QLatin1String(c));
    QTest::newRow("uri: lone surrogate") << "uri" << u"urn:"_s + QChar(0xd800) << false
                                         << "contiene un carácter que XML no admite (U+D800)";
    QTest::newRow("uri: U+FFFE") << "uri" << u"urn:\ufffe"_s << false << "contiene un carácter que XML no admite (U+FFFE)";
    QTest::newRow("uri: no colon") << "uri" << "x.example/ns" << false << sinEsquema;
    QTest::newRow("uri: empty scheme") << "uri" << ":x" << false << sinEsquema;
    QTest::newRow("uri: scheme starts with a digit") << "uri" << "1urn:x" << false
                                                     << "el esquema «1urn» no empieza por una letra de la a a la z";
    QTest::newRow("uri: underscore in scheme") << "uri" << "ur_n:x" << false
        << "el esquema «ur_n» solo admite letras de la a a la z, cifras, «+», «-» y «.»";
    QTest::newRow("uri: nothing after the colon") << "uri" << "urn:" << false << "no tiene nada tras «urn:»";

    const QString formatos = u"debe ser dd/MM/yyyy o yyyy-MM-dd"_s;
    QTest::newRow("date: day first") << "fecha" << "dd/MM/yyyy" << true << "DiaMesAnio 09/03/2024";
    QTest::newRow("date: year first") << "fecha" << "yyyy-MM-dd" << true << "AnioMesDia 2024-03-09";
    QTest::newRow("date: other case") << "fecha" << "DD/MM/YYYY" << false << formatos;
    QTest::newRow("date: leading space") << "fecha" << " dd/MM/yyyy" << false << formatos;

    const QString cifras = u"debe ser un número entero de kilobytes escrito solo con cifras (0: sin límite)"_s;
    const QString grande = u"es demasiado grande: el máximo es 9007199254740991"_s;
    QTest::newRow("size: zero") << "tamano" << "0" << true << "0";
    QTest::newRow("size: leading zeros") << "tamano" << "00000000000000000000000010" << true << "10";
    QTest::newRow("size: largest") << "tamano" << "9007199254740991" << true << "9007199254740991";
    QTest::newRow("size: one past the largest") << "tamano" << "9007199254740992" << false << grande;
    QTest::newRow("size: past a qint64") << "tamano" << "99999999999999999999" << false << grande;
    QTest::newRow("size: empty") << "tamano" << "" << false << "está vacío";
    QTest::newRow("size: sign") << "tamano" << "+5" << false << cifras;
    QTest::newRow("size: Arabic-Indic digit") << "tamano" << u"\u0665"_s << false << cifras;
}

void tst_Ajustes::validar()
{
    QFETCH(QString, validador);
    QFETCH(QString, texto);
    QFETCH(bool, valido);
    QFETCH(QString, resultado);

    Fallo problema;
    QString leido;
    bool ok = false;
    if (validador == u"uri") {
        ok = comprobarEspacioDeNombres(texto, &problema);
    } else if (validador == u"fecha") {
        const std::optional<FormatoFecha> formato = leerFormatoFecha(texto, &problema);
        ok = formato.has_value();
        if (ok)
            leido = (*formato == FormatoFecha::AnioMesDia ? u"AnioMesDia "_s : u"DiaMesAnio "_s)
                + QDate(2024, 3, 9).toString(textoFormatoFecha(*formato));
    } else {
        qint64 kb = -1;
        ok = leerTamanoMaximo(texto, &kb, &problema);
        leido = QString::number(kb);
    }
    QCOMPARE(ok, valido);
    QCOMPARE(ok ? leido : textoMotivo(problema), resultado);
}

void tst_Ajustes::buscarFicheros_data()
{
    QTest::addColumn<QString>("usuario"); // XDG_CONFIG_HOME or APPDATA; {t} is the temporary folder
    QTest::addColumn<QString>("sistema"); // XDG_CONFIG_DIRS or PROGRAMDATA
    QTest::addColumn<QStringList>("esperados");

    if (EnWindows) {
        QTest::newRow("APPDATA over PROGRAMDATA") << "{t}/usuario" << "{t}/a" << QStringList{u"/a"_s, u"/usuario"_s};
        QTest::newRow("relative APPDATA ignored") << "usuario" << "{t}/a" << QStringList{u"/a"_s};
        QTest::newRow("folders without the file skipped") << "{t}/nada" << "{t}/b" << QStringList{u"/b"_s};
        return;
    }

    QTest::newRow("both variables, system folders last to first")
        << "{t}/usuario" << "{t}/a:{t}/b" << QStringList{u"/b"_s, u"/a"_s, u"/usuario"_s};
    QTest::newRow("unset user folder is HOME/.config")
        << "<sin definir>" << "{t}/a" << QStringList{u"/a"_s, u"/casa/.config"_s};
    QTest::newRow("relative user folder ignored")
        << "usuario" << "{t}/a" << QStringList{u"/a"_s, u"/casa/.config"_s};
    QTest::newRow("empty and relative system entries ignored")
        << "{t}/usuario" << ":a::{t}/b/:" << QStringList{u"/b"_s, u"/usuario"_s};
    QTest::newRow("a folder named twice is read once, at its highest place")
        << "{t}/a" << "{t}/b:{t}/a/" << QStringList{u"/b"_s, u"/a"_s};
    QTest::newRow("folders without the file skipped") << "{t}/nada" << "{t}/nada:{t}/b" << QStringList{u"/b"_s};
}

void tst_Ajustes::buscarFicheros()
{
    QFETCH(QString, usuario);
    QFETCH(QString, sistema);
    QFETCH(QStringList, esperados);

    QTemporaryDir t;
    QVERIFY(t.isValid());
    for (const QString &carpeta : {u"usuario"_s, u"a"_s, u"b"_s, u"casa/.config"_s}) {
        QVERIFY(QDir(t.path()).mkpath(carpeta + u"/torxal"_s));
        QVERIFY(escribir(t.filePath(carpeta + u"/torxal/torxal.conf"_s), {}));
    }
    qputenv("HOME", QFile::encodeName(t.filePath(u"casa"_s)));
    if (usuario == u"<sin definir>")
        qunsetenv(CarpetaAjustesUsuario);
    else
        qputenv(CarpetaAjustesUsuario, QFile::encodeName(usuario.replace(u"{t}"_s, t.path())));
    qputenv(CarpetasAjustesSistema, QFile::encodeName(sistema.replace(u"{t}"_s, t.path())));
    // From here the relative entries would name existing files, were they taken.
    const QString anterior = QDir::currentPath();
    QVERIFY(QDir::setCurrent(t.path()));
    QStringList ficheros = buscarFicherosAjustes();
    QDir::setCurrent(anterior);
    ficheros.replaceInStrings(t.path(), QString()).replaceInStrings(u"/torxal/torxal.conf"_s, QString());
    QCOMPARE(ficheros, esperados);
}

void tst_Ajustes::cargar_data()
{
    QTest::addColumn<QString>("usuario"); // the file's text; empty for no file
    QTest::addColumn<QString>("sistema1");
    QTest::addColumn<QString>("sistema2");
    QTest::addColumn<QString>("resultado"); // the settings, or file|key|problem
    QTest::addColumn<QStringList>("notas");

    const QString predeterminado = espacioDeNombresPredeterminado();
    QTest::newRow("no file gives the defaults") << "" << "" << "" << predeterminado + u" dd/MM/yyyy 0"_s << QStringList();
    QTest::newRow("system file alone")
        << "" << ""
        << "[documento]\nespacio-de-nombres=urn:s\nformato-fecha=yyyy-MM-dd\ntamano-maximo-kb=5\n"
        << "urn:s yyyy-MM-dd 5" << QStringList();
    QTest::newRow("user over system, key by key")
        << "[documento]\nformato-fecha=dd/MM/yyyy\ntamano-maximo-kb=7\n"
        << "[documento]\nespacio-de-nombres=urn:s\nformato-fecha=yyyy-MM-dd\n" << ""
        << "urn:s dd/MM/yyyy 7" << QStringList();
    QTest::newRow("first system folder wins")
        << "" << "[documento]\ntamano-maximo-kb=1\n" << "[documento]\ntamano-maximo-kb=2\nformato-fecha=yyyy-MM-dd\n"
        << predeterminado + u" yyyy-MM-dd 1"_s << QStringList();
    QTest::newRow("quotes keep comma, semicolon and hash")
        << "; comentario\r\n[ documento ]\r\nespacio-de-nombres = \"urn:a,b;c#d\"\r\n" << "" << ""
        << "urn:a,b;c#d dd/MM/yyyy 0" << QStringList();

    const QString usuario = u"usuario/torxal/torxal.conf|"_s;
    QTest::newRow("bad namespace") << "[documento]\nespacio-de-nombres=urn:a b\n" << "" << ""
                                   << usuario + u"documento/espacio-de-nombres|contiene un espacio"_s << QStringList();
    QTest::newRow("bad date format")
        << "" << "" << "[documento]\nformato-fecha=dd-MM-yyyy\n"
        << "sistema2/torxal/torxal.conf|documento/formato-fecha|debe ser dd/MM/yyyy o yyyy-MM-dd" << QStringList();
    QTest::newRow("bad size")
        << "" << "[documento]\ntamano-maximo-kb=-1\n" << ""
        << "sistema1/torxal/torxal.conf|documento/tamano-maximo-kb|debe ser un número entero de kilobytes escrito "
           "solo con cifras (0: sin límite)"
        << QStringList();
    QTest::newRow("unquoted comma") << "[documento]\nespacio-de-nombres=urn:a,b\n" << "" << ""
                                    << usuario + u"documento/espacio-de-nombres|contiene una coma fuera de comillas "
                                                 "y se lee como una lista: escriba el valor entre comillas dobles"_s
                                    << QStringList();
    const QString comentario = u"documento/%1|contiene «%2» fuera de comillas, que en este fichero empieza un "
                               "comentario: si es parte del valor, escriba el valor entre comillas dobles; si es un "
                               "comentario, póngalo en una línea aparte"_s;
    QTest::newRow("hash that would cut the value")
        << "[documento]\nespacio-de-nombres=http://x.example/ns#v\n" << "" << ""
        << usuario + comentario.arg(u"espacio-de-nombres"_s, u"#"_s) << QStringList();
    QTest::newRow("comment after a quoted value") << "[documento]\nformato-fecha=\"yyyy-MM-dd\" ; iso\n" << "" << ""
                                                  << usuario + comentario.arg(u"formato-fecha"_s, u";"_s)
                                                  << QStringList();
    QTest::newRow("backslash QSettings would drop") << "[documento]\nespacio-de-nombres=urn:a\\q\n" << "" << ""
                                                    << usuario + u"documento/espacio-de-nombres|contiene «\\», "
                                                                 "que no se admite"_s
                                                    << QStringList();
    QTest::newRow("value of another type")
        << "[documento]\ntamano-maximo-kb=@ByteArray(5)\n" << "" << ""
        << usuario + u"documento/tamano-maximo-kb|no se lee como texto: un valor que empieza por «@» indica otro "
                     "tipo de dato"_s
        << QStringList();
    QTest::newRow("section never closed")
        << "" << "[documento\nformato-fecha=yyyy-MM-dd\n" << ""
        << "sistema1/torxal/torxal.conf||no tiene el formato de un fichero INI; por ejemplo, una línea empieza por "
           "«[» y no cierra la sección con «]»"
        << QStringList();
    QTest::newRow("folder where the file should be") << "<carpeta>" << "" << ""
                                                     << usuario + u"|es una carpeta, no un fichero"_s << QStringList();

    QTest::newRow("a bad system value the user's file overrides is not judged")
        << "[documento]\ntamano-maximo-kb=4\n" << "[documento]\ntamano-maximo-kb=-1\n" << ""
        << predeterminado + u" dd/MM/yyyy 4"_s << QStringList();
    QTest::newRow("a locked system value wins over the user's")
        << "[documento]\nformato-fecha=dd/MM/yyyy\nespacio-de-nombres=urn:u\n"
        << "[bloqueado]\nformato-fecha=yyyy-MM-dd\n" << "[bloqueado]\nformato-fecha=dd/MM/yyyy\nespacio-de-nombres=urn:s\n"
        << "urn:s yyyy-MM-dd 0" << QStringList();
    QTest::newRow("a bad locked value") << "" << "[bloqueado]\ntamano-maximo-kb=x\n" << ""
        << "sistema1/torxal/torxal.conf|bloqueado/tamano-maximo-kb|debe ser un número entero de kilobytes escrito "
           "solo con cifras (0: sin límite)"
        << QStringList();
    QTest::newRow("a FIFO is not read") << "<fifo>" << "" << ""
        << usuario + u"|no es un fichero normal (un dispositivo, una tubería o un socket); no se lee"_s << QStringList();
    QTest::newRow("a file too large to be settings")
        << "<grande>" << "" << ""
        << usuario + u"|ocupa más de 64 KB, y un fichero de ajustes ocupa mucho menos; no se lee"_s << QStringList();

    const QString nota = u"El fichero de ajustes usuario/torxal/torxal.conf tiene la clave desconocida «%1», que se "
                         "pasa por alto."_s;
    QTest::newRow("a user cannot lock a value")
        << "[bloqueado]\nformato-fecha=yyyy-MM-dd\n" << "" << "" << predeterminado + u" dd/MM/yyyy 0"_s
        << QStringList{nota.arg(u"bloqueado/formato-fecha"_s)};
    // QSettings takes the names of an INI file regardless of case on Windows only.
    QTest::newRow("unknown keys and sections give notes")
        << "x=1\n[documento]\nformato-fecha=yyyy-MM-dd\ncolor=azul;verde\n[Documento]\ntamano-maximo-kb=3\n" << ""
        << "" << predeterminado + (EnWindows ? u" yyyy-MM-dd 3"_s : u" yyyy-MM-dd 0"_s)
        << (EnWindows ? QStringList{nota.arg(u"documento/color"_s), nota.arg(u"x"_s)}
                      : QStringList{nota.arg(u"Documento/tamano-maximo-kb"_s), nota.arg(u"documento/color"_s),
                                    nota.arg(u"x"_s)});
}

void tst_Ajustes::cargar()
{
    QFETCH(QString, usuario);
    QFETCH(QString, sistema1);
    QFETCH(QString, sistema2);
    QFETCH(QString, resultado);
    QFETCH(QStringList, notas);

    QTemporaryDir t;
    QVERIFY(t.isValid());
    const QString raiz = t.path() + u'/';
    qputenv("HOME", QFile::encodeName(raiz + u"casa"_s));
    qputenv(CarpetaAjustesUsuario, QFile::encodeName(raiz + u"usuario"_s));
    if (EnWindows && !sistema2.isEmpty())
        QSKIP("Windows has one system folder, PROGRAMDATA");
    qputenv(CarpetasAjustesSistema,
            QFile::encodeName(raiz + u"sistema1"_s + (EnWindows ? QString() : u":"_s + raiz + u"sistema2"_s)));
    const std::pair<QString, QString> ficheros[] = {
        {u"usuario"_s, usuario}, {u"sistema1"_s, sistema1}, {u"sistema2"_s, sistema2}};
    for (const auto &[carpeta, texto] : ficheros) {
        const QString ruta = raiz + carpeta + u"/torxal/torxal.conf"_s;
        // root reads any file whatever its mode, so a folder stands for the unreadable file.
        if (texto == u"<carpeta>")
            QVERIFY(QDir().mkpath(ruta));
        else if (texto == u"<fifo>" && !HayFifos)
            QSKIP("Windows has no FIFOs at a name");
        else if (texto == u"<fifo>")
            QVERIFY(QDir().mkpath(QFileInfo(ruta).path()) && crearFifo(ruta));
        else if (texto == u"<grande>")
            QVERIFY(QDir().mkpath(QFileInfo(ruta).path())
                    && escribir(ruta, "[documento]\n" + QByteArray(";\n").repeated(40000)));
        else if (!texto.isEmpty())
            QVERIFY(QDir().mkpath(QFileInfo(ruta).path()) && escribir(ruta, texto.toUtf8()));
    }

    Ajustes ajustes;
    QStringList obtenidas;
    Fallo error;
    // A file that cannot be read has no key to name; its reason is what is wrong with it.
    QString obtenido = cargarAjustes(&ajustes, {}, &obtenidas, &error)
        ? ajustes.espacioDeNombres + u' ' + textoFormatoFecha(ajustes.formatoFecha) + u' '
            + QString::number(ajustes.tamanoMaximoKb)
        : error.que == Texto::AjusteNoValido ? error.argumentos.join(u'|')
                                             : QStringList{error.argumentos.constFirst(), {}, textoMotivo(error)}.join(u'|');
    QCOMPARE(obtenido.replace(raiz, QString()), resultado);
    QCOMPARE(obtenidas.replaceInStrings(raiz, QString()), notas);
}

QTEST_GUILESS_MAIN(tst_Ajustes)
#include "tst_ajustes.moc"
