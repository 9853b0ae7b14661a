#include "lineadeordenes.h"

#include "conversor.h"
#include "mensajes.h"

#include <QTextStream>

#include <optional>

namespace torxal {

namespace {

const QString TextoUso = QStringLiteral(
    "Uso: torxal-cli --tipo nif|rc|pp [--sobrescribir] FICHERO...\n");

const QString TextoAyuda = TextoUso + QStringLiteral(
    "Convierte cada lista de una consulta masiva al catastro en su fichero XML,\n"
    "que se escribe junto a la lista con el mismo nombre y la extensión xml.\n"
    "\n"
    "Opciones:\n"
    "  --tipo nif|rc|pp  tipo de consulta de las listas: por NIF y apellidos y nombre,\n"
    "                    por referencia catastral o por polígono y parcela\n"
    "  --sobrescribir    sustituye sin preguntar un fichero XML que ya exista\n"
    "  --help            muestra esta ayuda\n"
    "  --version         muestra la versión\n"
    "\n"
    "Estado de salida: 0 si se han convertido todos los ficheros, 1 si alguno no,\n"
    "2 si la orden está mal escrita.\n");

const QString Version = QStringLiteral(TORXAL_VERSION);

// Questions are asked on the terminal when there is one; every other message is
// kept until the run ends, since only then is it known whether it reports success.
class MensajeroConsola final : public Mensajero {
public:
    MensajeroConsola(Consola &consola, bool sobrescribir) : m_consola(consola), m_sobrescribir(sobrescribir) {}

    int mostrar(const Mensaje &mensaje) override
    {
        if (mensaje.estilo != EstiloPregunta) {
            m_pendientes.append(mensaje);
            return BotonAceptar;
        }
        if (m_sobrescribir)
            return BotonSi;
        QTextStream &errores = m_consola.errores;
        if (!m_consola.entrada) {
            errores << mensaje.texto << '\n'
                    << QStringLiteral("No se sustituye sin --sobrescribir.") << Qt::endl;
            return BotonNo;
        }
        errores << mensaje.texto << QStringLiteral(" [s/N] ") << Qt::flush;
        const QString respuesta = m_consola.entrada->readLine().trimmed().toLower();
        const bool si = respuesta == u"s" || respuesta == u"si" || respuesta == u"sí";
        return si ? BotonSi : BotonNo;
    }

    void volcar(bool correcto)
    {
        QTextStream &destino = correcto ? m_consola.salida : m_consola.errores;
        for (const Mensaje &mensaje : std::as_const(m_pendientes)) {
            destino << mensaje.texto << '\n';
            if (!mensaje.detalle.isEmpty())
                destino << mensaje.detalle << '\n';
        }
        destino.flush();
        m_pendientes.clear();
    }

private:
    Consola &m_consola;
    bool m_sobrescribir;
    QList<Mensaje> m_pendientes;
};

int errorDeUso(Consola &consola, const QString &problema)
{
    consola.errores << QStringLiteral("torxal-cli: ") << problema << '\n'
                    << TextoUso << QStringLiteral("Pruebe «torxal-cli --help» para más información.") << Qt::endl;
    return 2;
}

} // namespace

int ejecutarLineaDeOrdenes(const QStringList &argumentos, Consola &consola)
{
    std::optional<TipoConsulta> tipo;
    bool sobrescribir = false;
    bool soloFicheros = false;
    QStringList ficheros;
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString &argumento = argumentos.at(i);
        if (soloFicheros || !argumento.startsWith(u'-') || argumento == u"-") {
            ficheros.append(argumento);
        } else if (argumento == u"--") {
            soloFicheros = true;
        } else if (argumento == u"--help" || argumento == u"-h") {
            consola.salida << TextoAyuda << Qt::flush;
            return 0;
        } else if (argumento == u"--version") {
            consola.salida << Version << Qt::endl;
            return 0;
        } else if (argumento == u"--sobrescribir") {
            sobrescribir = true;
        } else if (argumento == u"--tipo" || argumento.startsWith(u"--tipo=")) {
            QString valor;
            if (argumento == u"--tipo") {
                if (++i == argumentos.size())
                    return errorDeUso(consola, QStringLiteral("falta el tipo de consulta tras --tipo."));
                valor = argumentos.at(i);
            } else {
                valor = argumento.mid(7);
            }
            tipo = leerTipoConsulta(valor);
            if (!tipo)
                return errorDeUso(consola, QStringLiteral("tipo de consulta desconocido: «%1».").arg(valor));
        } else {
            return errorDeUso(consola, QStringLiteral("opción desconocida: «%1».").arg(argumento));
        }
    }
    if (!tipo)
        return errorDeUso(consola, QStringLiteral("falta el tipo de consulta (--tipo nif, rc o pp)."));
    if (ficheros.isEmpty())
        return errorDeUso(consola, QStringLiteral("falta el fichero que convertir."));

    MensajeroConsola mensajero(consola, sobrescribir);
    Mensajes mensajes(mensajero);
    Conversor conversor(mensajes);
    int estado = 0;
    for (const QString &fichero : std::as_const(ficheros)) {
        const bool correcto = conversor.GenerarFicheroXML(fichero, *tipo);
        mensajero.volcar(correcto);
        if (!correcto)
            estado = 1;
    }
    return estado;
}

} // namespace torxal
