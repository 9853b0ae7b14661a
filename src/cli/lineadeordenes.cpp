// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "lineadeordenes.h"

#include "ajustes.h"
#include "conversor.h"
#include "mensajes.h"
#include "rutas.h"
#include "tabla.h"

#include <QFileInfo>
#include <QTextStream>

#include <optional>

namespace torxal {

namespace {

const QString TextoUso = QStringLiteral(
    "Uso: torxal-cli --tipo nif|rc|pp [opciones] FICHERO...\n");

const QString TextoAyuda = TextoUso + QStringLiteral(
    "Convierte cada lista de una consulta masiva al catastro en su fichero XML,\n"
    "que se escribe junto a la lista con el mismo nombre y la extensión xml.\n"
    "\n"
    "Opciones:\n"
    "  --tipo nif|rc|pp         tipo de consulta de las listas: por NIF y apellidos y\n"
    "                           nombre, por referencia catastral o por polígono y parcela\n"
    "  --sobrescribir           sustituye sin preguntar un fichero XML que ya exista\n"
    "  --estricto               no crea el fichero XML de una lista con avisos\n"
    "  --informe FICHERO        escribe los avisos en FICHERO (CSV); con varias listas,\n"
    "                           FICHERO es una carpeta y cada lista tiene el suyo\n"
    "  --espacio-de-nombres URI espacio de nombres del elemento raíz\n"
    "  --formato-fecha F        dd/MM/yyyy o yyyy-MM-dd, formato de la fecha de FEC\n"
    "  --tamano-maximo KB       parte el documento en ficheros de como mucho KB kilobytes\n"
    "                           (0: sin límite)\n"
    "  --hoja NOMBRE|N          hoja del libro XLSX u ODS que se lee (por omisión, la primera)\n"
    "  --columnas CAMPO=COL,... columnas de cada campo en una tabla, por letra o número\n"
    "                           (NIF=A,APE=C+D,PRO=E,MUN=F); sin ella, se leen de la cabecera\n"
    "  --separador ';'|','|tab  separador de las celdas de una lista CSV\n"
    "  --sin-cabecera           la primera fila de la tabla ya es un registro (con --columnas)\n"
    "  -h, --help               muestra esta ayuda\n"
    "  --version                muestra la versión\n"
    "\n"
    "Los ajustes de /etc/xdg/torxal/torxal.conf y ~/.config/torxal/torxal.conf se\n"
    "aplican antes que estas opciones.\n"
    "\n"
    "Una lista CSV, XLSX u ODS se lee como tabla: cada fila es un registro y los avisos\n"
    "nombran la fila de la hoja o la línea del CSV.\n"
    "\n"
    "Estado de salida: 0 si se han convertido todos los ficheros, 1 si alguno no,\n"
    "2 si la orden está mal escrita.\n");

// Questions are asked on the terminal when there is one; every other message is
// kept until the run ends, since only then is it known whether it reports success.
// Each message begins with the list it is about, so a batch's messages can be told apart.
class MensajeroConsola final : public Mensajero {
public:
    MensajeroConsola(Consola &consola, bool sobrescribir) : m_consola(consola), m_sobrescribir(sobrescribir) {}

    void setLista(const QString &lista) { m_lista = lista; }

    Boton mostrar(const Mensaje &mensaje) override
    {
        if (!esPregunta(mensaje.estilo)) {
            m_pendientes.append(mensaje);
            return Boton::Aceptar;
        }
        if (m_sobrescribir)
            return Boton::Si;
        QTextStream &errores = m_consola.errores;
        if (!m_consola.entrada) {
            errores << prefijo() << mensaje.texto << '\n'
                    << prefijo() << QStringLiteral("No se sustituye sin --sobrescribir.") << Qt::endl;
            return Boton::No;
        }
        errores << prefijo() << mensaje.texto << QStringLiteral(" [s/N] ") << Qt::flush;
        const QString respuesta = m_consola.entrada->readLine().trimmed().toLower();
        const bool si = respuesta == u"s" || respuesta == u"si" || respuesta == u"sí";
        return si ? Boton::Si : Boton::No;
    }

    void volcar(bool correcto)
    {
        QTextStream &destino = correcto ? m_consola.salida : m_consola.errores;
        for (const Mensaje &mensaje : std::as_const(m_pendientes)) {
            destino << prefijo() << mensaje.texto << '\n';
            if (!mensaje.detalle.isEmpty())
                destino << mensaje.detalle << '\n';
        }
        destino.flush();
        m_pendientes.clear();
    }

private:
    // A path the run takes as empty (nothing but spaces) names no list worth repeating.
    QString prefijo() const
    {
        return m_lista.trimmed().isEmpty() ? QString() : m_lista + QStringLiteral(": ");
    }

    Consola &m_consola;
    bool m_sobrescribir;
    QString m_lista;
    QList<Mensaje> m_pendientes;
};

int errorDeUso(Consola &consola, const QString &problema)
{
    consola.errores << QStringLiteral("torxal-cli: ") << problema << '\n'
                    << TextoUso << QStringLiteral("Pruebe «torxal-cli --help» para más información.") << Qt::endl;
    return 2;
}

// Where the report of each list goes: the file given, or a file per list in the folder given.
QString rutaInforme(const QString &informe, bool esCarpeta, const QString &lista)
{
    if (!esCarpeta)
        return informe;
    const QString nombre = derivarRutaSalida(lista).nombreSalida.chopped(4) + QStringLiteral(".avisos.csv");
    return informe.endsWith(u'/') ? informe + nombre : informe + u'/' + nombre;
}

} // namespace

int ejecutarLineaDeOrdenes(const QStringList &argumentos, Consola &consola)
{
    std::optional<TipoConsulta> tipo;
    bool sobrescribir = false;
    bool estricto = false;
    bool soloFicheros = false;
    QString informe;
    std::optional<QString> espacioDeNombres;
    std::optional<FormatoFecha> formatoFecha;
    std::optional<qint64> tamanoMaximoKb;
    OpcionesTabla tabla;
    QString columnas;
    bool sinCabecera = false;
    QStringList ficheros;
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString &argumento = argumentos.at(i);
        if (soloFicheros || !argumento.startsWith(u'-') || argumento == u"-") {
            ficheros.append(argumento);
            continue;
        }
        if (argumento == u"--") {
            soloFicheros = true;
            continue;
        }
        if (argumento == u"--help" || argumento == u"-h") {
            consola.salida << TextoAyuda << Qt::flush;
            return 0;
        }
        if (argumento == u"--version") {
            consola.salida << QStringLiteral("torxal-cli " TORXAL_VERSION) << Qt::endl;
            return 0;
        }
        if (argumento == u"--sobrescribir") {
            sobrescribir = true;
            continue;
        }
        if (argumento == u"--sin-cabecera") {
            sinCabecera = true;
            continue;
        }
        if (argumento == u"--estricto") {
            estricto = true;
            continue;
        }
        // Options with a value take it as the next argument or after "=".
        const qsizetype igual = argumento.indexOf(u'=');
        const QString opcion = igual < 0 ? argumento : argumento.left(igual);
        static const QStringList ConValor = {QStringLiteral("--tipo"), QStringLiteral("--informe"),
                                             QStringLiteral("--espacio-de-nombres"), QStringLiteral("--formato-fecha"),
                                             QStringLiteral("--tamano-maximo"), QStringLiteral("--hoja"),
                                             QStringLiteral("--columnas"), QStringLiteral("--separador")};
        if (!ConValor.contains(opcion))
            return errorDeUso(consola, QStringLiteral("opción desconocida: «%1».").arg(argumento));
        QString valor;
        if (igual >= 0) {
            valor = argumento.mid(igual + 1);
        } else if (++i < argumentos.size()) {
            valor = argumentos.at(i);
        } else {
            return errorDeUso(consola, QStringLiteral("falta el valor de %1.").arg(opcion));
        }
        Fallo problema;
        if (opcion == u"--tipo") {
            tipo = leerTipoConsulta(valor);
            if (!tipo)
                return errorDeUso(consola, QStringLiteral("tipo de consulta desconocido: «%1».").arg(valor));
        } else if (opcion == u"--informe") {
            if (valor.isEmpty())
                return errorDeUso(consola, QStringLiteral("falta el valor de --informe."));
            // A report is a file in place, written whole at the end: no standard output.
            if (valor == u"-")
                return errorDeUso(consola, QStringLiteral("--informe necesita el nombre de un fichero; «-» no es uno."));
            informe = valor;
        } else if (opcion == u"--hoja") {
            if (valor.isEmpty())
                return errorDeUso(consola, QStringLiteral("falta el valor de --hoja."));
            tabla.hoja = valor;
        } else if (opcion == u"--columnas") {
            columnas = valor;
        } else if (opcion == u"--separador") {
            if (valor == u";" || valor == u",")
                tabla.separador = valor.front();
            else if (valor == u"tab" || valor == u"\t")
                tabla.separador = u'\t';
            else
                return errorDeUso(consola, QStringLiteral("separador no válido «%1»: debe ser ';', ',' o tab.").arg(valor));
        } else if (opcion == u"--espacio-de-nombres") {
            if (!comprobarEspacioDeNombres(valor, &problema))
                return errorDeUso(consola, QStringLiteral("espacio de nombres no válido «%1»: %2.").arg(valor, textoMotivo(problema)));
            espacioDeNombres = valor;
        } else if (opcion == u"--formato-fecha") {
            formatoFecha = leerFormatoFecha(valor, &problema);
            if (!formatoFecha)
                return errorDeUso(consola, QStringLiteral("formato de fecha no válido «%1»: %2.").arg(valor, textoMotivo(problema)));
        } else {
            qint64 kb = 0;
            if (!leerTamanoMaximo(valor, &kb, &problema))
                return errorDeUso(consola, QStringLiteral("tamaño máximo no válido «%1»: %2.").arg(valor, textoMotivo(problema)));
            tamanoMaximoKb = kb;
        }
    }
    if (!tipo)
        return errorDeUso(consola, QStringLiteral("falta el tipo de consulta (--tipo nif, rc o pp)."));
    if (ficheros.isEmpty())
        return errorDeUso(consola, QStringLiteral("falta el fichero que convertir."));
    if (!columnas.isEmpty()) {
        Columnas leidas;
        Fallo problema;
        if (!leerColumnas(columnas, *tipo, &leidas, &problema))
            return errorDeUso(consola, QStringLiteral("--columnas: %1").arg(crearMensaje(problema).texto));
    } else if (sinCabecera) {
        return errorDeUso(consola, QStringLiteral("--sin-cabecera necesita --columnas: sin cabecera, las columnas se indican."));
    }
    const bool informeEnCarpeta = !informe.isEmpty() && QFileInfo(informe).isDir();
    if (!informe.isEmpty() && ficheros.size() > 1) {
        if (!informeEnCarpeta)
            return errorDeUso(consola, QStringLiteral("con varias listas, --informe debe ser una carpeta."));
        QStringList informes;
        for (const QString &fichero : std::as_const(ficheros)) {
            const QString ruta = rutaInforme(informe, true, fichero);
            if (informes.contains(ruta))
                return errorDeUso(consola, QStringLiteral("dos listas tendrían el mismo informe %1.").arg(ruta));
            informes.append(ruta);
        }
    }

    // The settings files first, then the options over them.
    Ajustes ajustes;
    QStringList notas;
    Fallo error;
    QList<Clave> fijadas;
    if (espacioDeNombres)
        fijadas.append(Clave::EspacioDeNombres);
    if (formatoFecha)
        fijadas.append(Clave::FormatoFecha);
    if (tamanoMaximoKb)
        fijadas.append(Clave::TamanoMaximoKb);
    const bool ajustesLeidos = cargarAjustes(&ajustes, fijadas, &notas, &error);
    for (const QString &nota : std::as_const(notas))
        consola.errores << QStringLiteral("torxal-cli: ") << nota << '\n';
    if (!ajustesLeidos) {
        const Mensaje mensaje = crearMensaje(error);
        consola.errores << mensaje.texto << '\n';
        if (!mensaje.detalle.isEmpty())
            consola.errores << mensaje.detalle << '\n';
        consola.errores.flush();
        return 1;
    }
    ajustes.espacioDeNombres = espacioDeNombres.value_or(ajustes.espacioDeNombres);
    ajustes.formatoFecha = formatoFecha.value_or(ajustes.formatoFecha);
    ajustes.tamanoMaximoKb = tamanoMaximoKb.value_or(ajustes.tamanoMaximoKb);
    OpcionesConversion opciones;
    opciones.documento = opcionesDocumento(ajustes);
    opciones.estricto = estricto;
    opciones.tabla = tabla;
    opciones.columnas = columnas;
    opciones.sinCabecera = sinCabecera;

    MensajeroConsola mensajero(consola, sobrescribir);
    Conversor conversor(mensajero);
    int estado = 0;
    for (const QString &fichero : std::as_const(ficheros)) {
        opciones.informe = informe.isEmpty() ? QString() : rutaInforme(informe, informeEnCarpeta, fichero);
        conversor.setOpciones(opciones);
        mensajero.setLista(fichero);
        const bool correcto = conversor.GenerarFicheroXML(fichero, *tipo);
        mensajero.volcar(correcto);
        if (!correcto)
            estado = 1;
    }
    consola.errores.flush();
    return estado;
}

} // namespace torxal
