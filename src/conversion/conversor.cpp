#include "conversor.h"

#include "informe.h"
#include "lectura.h"
#include "limpieza.h"
#include "limpiezabytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace torxal {

namespace {

// Enough line numbers for the user to find the pattern without flooding the message.
constexpr qsizetype LineasOmitidasMostradas = 20;
constexpr qsizetype LineasPorAviso = 10;
// The window lists every warning behind its details button up to this many; a report
// from the command line holds them all.
constexpr qsizetype AvisosDetallados = 5000;

using Parada = ResultadoConversion::Parada;

// "(línea 7)", "(líneas 7, 12)", "(líneas 1, 2, …, 10 y 5 más)".
QString lineasEntreParentesis(const QList<qint64> &lineas, qint64 total)
{
    QStringList numeros;
    for (qint64 linea : lineas)
        numeros.append(QString::number(linea));
    QString texto = numeros.join(QStringLiteral(", "));
    if (total > lineas.size())
        texto = textoDe(Texto::ResumenYMas, {texto, QString::number(total - lineas.size())});
    return textoDe(total == 1 ? Texto::ResumenUnaLinea : Texto::ResumenVariasLineas, {texto});
}

QString nombreDe(const QString &ruta)
{
    return ruta.mid(ruta.lastIndexOf(u'/') + 1);
}

} // namespace

ResultadoConversion convertirRegistros(QIODevice &entrada, TipoConsulta tipo, EscritorXML &escritor,
                                       Comprobador *comprobador, Camino camino)
{
    ResultadoConversion resultado;
    LectorRegistros lector(entrada);
    auto campos = std::make_unique<Campos>();
    std::string latin1;
    const TablaBytes &tablaLatin1 = tablaBytes(Codificacion::UTF8);
    const TablaBytes &tablaWindows1252 = tablaBytes(Codificacion::Windows1252);
    for (;;) {
        switch (lector.leerRegistro()) {
        case LectorRegistros::Resultado::Fin:
            resultado.listaUtf8 = lector.esListaUtf8();
            return resultado;
        case LectorRegistros::Resultado::ErrorLectura:
            resultado.parada = Parada::ErrorLectura;
            resultado.razon = lector.razon();
            return resultado;
        case LectorRegistros::Resultado::DemasiadoLargo:
            resultado.parada = Parada::DemasiadoLargo;
            resultado.linea = lector.linea();
            return resultado;
        case LectorRegistros::Resultado::Registro:
            break;
        }
        const Codificacion codificacion = lector.codificacion();
        if (lector.primeroDeSuLinea() && codificacion == Codificacion::Windows1252) {
            if (resultado.lineasWindows1252++ < LineasPorAviso)
                resultado.primerasWindows1252.append(lector.linea());
        }
        // Records whose characters each fit in one byte are cut on the bytes.
        std::string_view bytes = lector.bytes();
        const TablaBytes *tabla = nullptr;
        if (camino == Camino::ElMasRapido) {
            if (codificacion == Codificacion::Windows1252) {
                tabla = &tablaWindows1252;
            } else if (lector.lineaAscii() || esAscii(bytes)) {
                tabla = &tablaLatin1;
            } else if (aLatin1(bytes, latin1)) {
                bytes = latin1;
                tabla = &tablaLatin1;
            }
        }
        if (tabla)
            cortarRegistroBytes(bytes, *tabla, tipo, *campos);
        else
            cortarRegistro(lector.texto(), tipo, *campos);

        const Escritura escritura = escritor.escribirRegistro(*campos, &resultado.razon);
        switch (escritura) {
        case Escritura::Escrito:
            ++resultado.escritos;
            break;
        case Escritura::Omitido:
            // Blank records are the list's spacing, not lost data: only the others count.
            if (!campos->enBlanco && resultado.omitidos++ < LineasOmitidasMostradas)
                resultado.lineasOmitidas.append(lector.linea());
            break;
        case Escritura::NoCabe:
            resultado.parada = Parada::NoCabe;
            resultado.linea = lector.linea();
            return resultado;
        case Escritura::Fallo:
            resultado.parada = Parada::ErrorEscritura;
            return resultado;
        }
        if (comprobador)
            comprobador->comprobarRegistro(*campos, escritura == Escritura::Escrito, lector.linea(),
                                           lector.primeroDeSuLinea(), codificacion, lector.esListaUtf8());
    }
}

// One run over one list: what it has opened and learnt, and the warnings as they come.
class Conversor::Ejecucion final : public ReceptorAvisos {
public:
    Ejecucion(Conversor &conversor, const QString &rutaEntrada, TipoConsulta tipo)
        : m_conversor(conversor)
        , m_opciones(conversor.m_opciones)
        , m_entradaRuta(rutaEntrada)
        , m_tipo(tipo)
    {
    }

    bool ejecutar();

    void recibirAviso(const Aviso &aviso) override
    {
        const int codigo = int(aviso.codigo);
        QList<qint64> &lineas = m_lineasPorCodigo[size_t(codigo)];
        // A line's records may share a code: its number is listed once.
        if (lineas.isEmpty() || lineas.constLast() != aviso.linea) {
            if (m_lineasDistintas[size_t(codigo)]++ < LineasPorAviso)
                lineas.append(aviso.linea);
        }
        ++m_avisosPorCodigo[size_t(codigo)];
        if (m_detalle.size() < AvisosDetallados) {
            const QString linea = QString::number(aviso.linea);
            const QString clave = QString::fromLatin1(describir(aviso.codigo).clave);
            m_detalle.append(aviso.campo.isEmpty()
                                 ? textoDe(Texto::DetalleAvisoRegistro, {linea, clave, textoDeAviso(aviso)})
                                 : textoDe(Texto::DetalleAvisoCampo,
                                           {linea, clave, aviso.campo,
                                            QString::fromUtf8(aviso.valor.data(), qsizetype(aviso.valor.size())),
                                            textoDeAviso(aviso)}));
        }
        if (m_informe && m_razonInforme.isEmpty()) {
            QString razon;
            if (!m_informe->anadir(aviso, &razon))
                m_razonInforme = razon;
        }
    }

private:
    bool fallar(Texto texto, const QStringList &argumentos = {}, const QString &razon = {})
    {
        m_conversor.m_mensajero.mostrar(crearMensaje(texto, argumentos, razon));
        return false;
    }
    bool rechazar(const ExamenSalida &examen, const QString &salida);
    bool abrirLista();
    bool abrirInforme();
    bool colocar(const QStringList &nombres, const QList<bool> &reemplazar);
    QString resumen(const ResultadoConversion &resultado, const QStringList &nombres, const QStringList &restos) const;
    QStringList restosAnteriores(int partes) const;

    Conversor &m_conversor;
    const OpcionesConversion &m_opciones;
    QString m_entradaRuta;
    TipoConsulta m_tipo;
    PlanRutas m_plan;
    std::unique_ptr<QIODevice> m_entrada;
    std::unique_ptr<EscritorXML> m_escritor;
    std::unique_ptr<Informe> m_informe;
    QString m_razonInforme;
    std::array<qint64, NumeroDeCodigos> m_avisosPorCodigo{};
    std::array<qint64, NumeroDeCodigos> m_lineasDistintas{};
    std::array<QList<qint64>, NumeroDeCodigos> m_lineasPorCodigo;
    QStringList m_detalle;
    // Last, so it goes first: its thread hands warnings to the members above until it stops.
    std::unique_ptr<Comprobador> m_comprobador;
};

bool Conversor::Ejecucion::rechazar(const ExamenSalida &examen, const QString &salida)
{
    switch (examen.rechazo) {
    case Rechazo::Ninguno:
        return true;
    case Rechazo::RutaVacia:
        return fallar(Texto::FicheroObligatorio);
    case Rechazo::MismoNombre:
    case Rechazo::MismoFichero:
        return fallar(Texto::MismoFichero);
    case Rechazo::NoSeComprueba:
        return fallar(Texto::NoSeCrea, {salida}, examen.razon);
    case Rechazo::SalidaEsEnlace:
        return fallar(Texto::SalidaEsEnlace, {salida});
    case Rechazo::SalidaNoNormal:
        return fallar(Texto::SalidaNoNormal, {salida});
    case Rechazo::SalidaDeOtraLista:
        return fallar(Texto::SalidaDeOtraLista, {salida, examen.otraLista, m_entradaRuta});
    }
    return false;
}

bool Conversor::Ejecucion::abrirLista()
{
    // The path is opened as given: the trimming of the names only shapes the output's name.
    QString razon;
    switch (abrirEntrada(m_entradaRuta, &m_entrada, &razon)) {
    case Apertura::Abierta:
        break;
    case Apertura::NoSeAbre:
        return fallar(Texto::NoAbreEntrada, {m_entradaRuta}, razon);
    case Apertura::EsDirectorio:
        return fallar(Texto::NoAbreEntrada, {m_entradaRuta}, textoDe(Texto::EntradaEsDirectorio));
    case Apertura::NoEsNormal:
        return fallar(Texto::EntradaNoNormal, {m_entradaRuta});
    }
    if (m_entrada->size() < 1)
        return fallar(Texto::EntradaVacia);
    if (m_conversor.m_envoltura)
        m_entrada = m_conversor.m_envoltura(std::move(m_entrada));
    return true;
}

bool Conversor::Ejecucion::abrirInforme()
{
    if (m_opciones.informe.isEmpty())
        return true;
    Identidad lista;
    Identidad informe;
    // The report is replaced without a question, so it must never be the list itself,
    // nor take a name its document (or one of its parts) will need.
    const QString absoluto = QDir::cleanPath(QFileInfo(m_opciones.informe).absoluteFilePath());
    const QFileInfo salida(m_plan.nombres.ruta());
    const QString raiz = QDir::cleanPath(salida.absolutePath()) + u'/' + salida.completeBaseName();
    const QString numero = absoluto.startsWith(raiz + u'-') && absoluto.endsWith(QStringLiteral(".xml"))
        ? absoluto.sliced(raiz.size() + 1).chopped(4)
        : QString();
    const bool esParte = !numero.isEmpty() && std::all_of(numero.begin(), numero.end(), [](QChar c) { return c.isDigit(); });
    if ((identificar(m_entradaRuta, &lista) && identificar(m_opciones.informe, &informe) && lista == informe)
        || absoluto == QDir::cleanPath(salida.absoluteFilePath()) || esParte)
        return fallar(Texto::InformeEsLaLista, {m_opciones.informe});
    m_informe = std::make_unique<Informe>(m_conversor.m_fabrica, m_opciones.informe);
    QString razon;
    if (!m_informe->abrir(&razon))
        return fallar(Texto::NoSeEscribeInforme, {m_opciones.informe}, razon);
    return true;
}

// Several parts go in all together or not at all: each name that is replaced keeps its
// old document under a second name until every part is in place.
bool Conversor::Ejecucion::colocar(const QStringList &nombres, const QList<bool> &reemplazar)
{
    std::vector<Parte> &partes = m_escritor->partes();
    QStringList copias(nombres.size());
    const auto quitarCopias = [&] {
        for (const QString &copia : std::as_const(copias))
            if (!copia.isEmpty())
                ::unlink(QFile::encodeName(copia).constData());
    };
    if (nombres.size() > 1) {
        for (qsizetype i = 0; i < nombres.size(); ++i) {
            if (!reemplazar[i])
                continue;
            const QString copia = m_plan.nombres.directorio + u'.' + nombreDe(nombres[i]) + u'.'
                + QString::number(QRandomGenerator::global()->generate64(), 36);
            if (::link(QFile::encodeName(nombres[i]).constData(), QFile::encodeName(copia).constData()) != 0) {
                const QString razon = razonDelSistema(errno);
                quitarCopias();
                return fallar(Texto::NoEscribeSalida, {nombres[i]}, razon);
            }
            copias[i] = copia;
        }
    }
    for (qsizetype i = 0; i < nombres.size(); ++i) {
        QString razon;
        if (partes[size_t(i)].destino->colocar(nombres[i], reemplazar[i], &razon))
            continue;
        for (qsizetype j = 0; j < i; ++j) {
            if (reemplazar[j])
                ::rename(QFile::encodeName(copias[j]).constData(), QFile::encodeName(nombres[j]).constData());
            else
                ::unlink(QFile::encodeName(nombres[j]).constData());
            copias[j].clear();
        }
        quitarCopias();
        struct stat datos;
        // Someone put a file at the name while the run converted: it is not replaced unasked.
        if (!reemplazar[i] && ::lstat(QFile::encodeName(nombres[i]).constData(), &datos) == 0)
            return fallar(Texto::YaExiste, {nombres[i]});
        return fallar(Texto::NoEscribeSalida, {nombres[i]}, razon);
    }
    quitarCopias();
    return true;
}

// What an earlier run left at this list's names and this run did not write: parts
// beyond this run's count, or the whole document when this run wrote parts.
QStringList Conversor::Ejecucion::restosAnteriores(int partes) const
{
    const QString raiz = m_plan.nombres.nombreSalida.chopped(4);
    const QDir carpeta(m_plan.nombres.directorio.isEmpty() ? QStringLiteral(".") : m_plan.nombres.directorio);
    QList<int> numeros;
    const QStringList nombres = carpeta.entryList({raiz + QStringLiteral("-*.xml")}, QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &nombre : nombres) {
        const QString numero = nombre.mid(raiz.size() + 1).chopped(4);
        bool esNumero = false;
        const int n = numero.toInt(&esNumero);
        // Only the names a run of ours gives: "lista-7.xml", not "lista-07.xml" nor "lista-x.xml".
        if (esNumero && n > (partes > 1 ? partes : 0) && QString::number(n) == numero)
            numeros.append(n);
    }
    std::sort(numeros.begin(), numeros.end());
    QStringList restos;
    if (partes > 1 && carpeta.exists(m_plan.nombres.nombreSalida))
        restos.append(m_plan.nombres.nombreSalida);
    for (int n : std::as_const(numeros))
        restos.append(nombreDe(m_plan.nombres.rutaParte(n)));
    return restos;
}

QString Conversor::Ejecucion::resumen(const ResultadoConversion &resultado, const QStringList &nombres,
                                      const QStringList &restos) const
{
    QStringList lineas;
    lineas.append(textoDe(Texto::ResumenEscritos, {QString::number(resultado.escritos)}));
    QString omitidos = textoDe(Texto::ResumenOmitidos, {QString::number(resultado.omitidos)});
    if (!resultado.lineasOmitidas.isEmpty()) {
        QStringList numeros;
        for (qint64 linea : resultado.lineasOmitidas)
            numeros.append(QString::number(linea));
        if (resultado.omitidos > resultado.lineasOmitidas.size())
            numeros.append(QStringLiteral("…"));
        omitidos += textoDe(resultado.omitidos == 1 ? Texto::ResumenUnaLinea : Texto::ResumenVariasLineas,
                            {numeros.join(QStringLiteral(", "))});
    }
    lineas.append(omitidos + u'.');
    // A list that is all Windows-1252 is read as such throughout: nothing to report.
    if (resultado.listaUtf8 && resultado.lineasWindows1252 > 0)
        lineas.append(textoDe(Texto::ResumenWindows1252, {QString::number(resultado.lineasWindows1252)})
                      + lineasEntreParentesis(resultado.primerasWindows1252, resultado.lineasWindows1252) + u'.');
    lineas.append(textoDe(Texto::ResumenConAvisos, {QString::number(m_comprobador->registrosConAvisos())}));
    for (const DescripcionAviso &descripcion : descripcionesAvisos()) {
        const size_t codigo = size_t(descripcion.codigo);
        if (m_avisosPorCodigo[codigo] == 0)
            continue;
        lineas.append(QString::fromUtf16(descripcion.resumen) + QStringLiteral(": ")
                      + QString::number(m_avisosPorCodigo[codigo])
                      + lineasEntreParentesis(m_lineasPorCodigo[codigo], m_lineasDistintas[codigo]) + u'.');
    }
    const qint64 deOtroTipo = m_comprobador->registrosDeOtroTipo();
    if (deOtroTipo >= 3 && 2 * deOtroTipo >= resultado.escritos)
        lineas.append(textoDe(Texto::ResumenCompruebeTipo));
    if (nombres.size() > 1) {
        QStringList partes;
        for (qsizetype i = 0; i < nombres.size(); ++i)
            partes.append(textoDe(Texto::ResumenParte,
                                  {nombreDe(nombres[i]), QString::number(m_escritor->partes()[size_t(i)].registros)}));
        lineas.append(textoDe(Texto::ResumenPartes, {partes.join(QStringLiteral(", "))}));
    }
    if (!restos.isEmpty())
        lineas.append(textoDe(Texto::ResumenRestos, {restos.join(QStringLiteral(", "))}));
    return lineas.join(u'\n');
}

bool Conversor::Ejecucion::ejecutar()
{
    m_plan = planificarRutas(m_entradaRuta, m_conversor.m_escritas);
    const QString salida = m_plan.nombres.ruta();
    if (!rechazar(m_plan.salida, salida))
        return false;
    const bool conLimite = m_opciones.documento.tamanoMaximo > 0;
    // Without a size limit the one output is known now, and the question comes before
    // the list is even opened; with one, only the conversion tells which names it takes.
    bool aceptado = false;
    if (!conLimite && m_plan.salida.existe) {
        if (m_conversor.m_mensajero.mostrar(crearMensaje(Texto::PreguntaSobrescribir)) != Boton::Si)
            return false;
        aceptado = true;
    }
    if (!abrirLista() || !abrirInforme())
        return false;

    m_escritor = std::make_unique<EscritorXML>(m_conversor.m_fabrica, salida, m_tipo, m_opciones.documento);
    QString razon;
    if (conLimite && m_escritor->bytesSinRegistros() > m_opciones.documento.tamanoMaximo)
        return fallar(Texto::RegistroNoCabe,
                      {QStringLiteral("1"), m_entradaRuta, QString::number(m_opciones.documento.tamanoMaximo / 1024)});
    if (!m_escritor->CrearCabeceraXML(&razon))
        return fallar(Texto::NoSeCrea, {salida}, razon);

    m_comprobador = std::make_unique<Comprobador>(m_tipo, *this);
    const ResultadoConversion resultado = convertirRegistros(*m_entrada, m_tipo, *m_escritor, m_comprobador.get());
    switch (resultado.parada) {
    case Parada::Completa:
        break;
    case Parada::ErrorLectura:
        return fallar(Texto::NoLeeEntrada, {m_entradaRuta}, resultado.razon);
    case Parada::ErrorEscritura:
        return fallar(Texto::NoEscribeSalida, {salida}, resultado.razon);
    case Parada::DemasiadoLargo:
        return fallar(Texto::RegistroLargo, {QString::number(resultado.linea), m_entradaRuta,
                                             QString::number(LongitudMaximaRegistro)});
    case Parada::NoCabe:
        return fallar(Texto::RegistroNoCabe, {QString::number(resultado.linea), m_entradaRuta,
                                              QString::number(m_opciones.documento.tamanoMaximo / 1024)});
    }
    m_comprobador->terminar(resultado.listaUtf8);
    m_entrada.reset();
    if (!m_escritor->CerrarFicheroXML(&razon))
        return fallar(Texto::NoEscribeSalida, {salida}, razon);
    if (m_informe) {
        if (m_razonInforme.isEmpty())
            m_informe->preparar(&m_razonInforme);
        if (m_razonInforme.isEmpty())
            m_informe->colocar(&m_razonInforme);
        if (!m_razonInforme.isEmpty())
            return fallar(Texto::NoSeEscribeInforme, {m_opciones.informe}, m_razonInforme);
    }

    QStringList nombres;
    const int partes = int(m_escritor->partes().size());
    if (partes == 1)
        nombres.append(salida);
    for (int n = 1; partes > 1 && n <= partes; ++n)
        nombres.append(m_plan.nombres.rutaParte(n));
    if (m_opciones.estricto && m_comprobador->avisos() > 0) {
        const qint64 avisos = m_comprobador->avisos();
        Mensaje mensaje = avisos == 1 ? crearMensaje(Texto::NoCreadoPorUnAviso, {nombres.constFirst()})
                                      : crearMensaje(Texto::NoCreadoPorAvisos, {nombres.constFirst(), QString::number(avisos)});
        mensaje.detalle = resumen(resultado, {}, {});
        mensaje.ampliado = m_detalle.join(u'\n');
        m_conversor.m_mensajero.mostrar(mensaje);
        return false;
    }

    QList<bool> reemplazar(nombres.size(), aceptado);
    if (conLimite) {
        // Every name the run will write is asked about at once.
        qsizetype existentes = 0;
        QString primera;
        for (qsizetype i = 0; i < nombres.size(); ++i) {
            const ExamenSalida examen = ExisteFichero(nombres[i], m_entradaRuta, m_conversor.m_escritas);
            if (!rechazar(examen, nombres[i]))
                return false;
            reemplazar[i] = examen.existe;
            if (examen.existe && existentes++ == 0)
                primera = nombres[i];
        }
        if (existentes > 0) {
            const Mensaje pregunta = nombres.size() == 1 ? crearMensaje(Texto::PreguntaSobrescribir)
                : existentes == 1 ? crearMensaje(Texto::PreguntaSobrescribirUnaParte, {primera})
                                  : crearMensaje(Texto::PreguntaSobrescribirPartes, {QString::number(existentes), primera});
            if (m_conversor.m_mensajero.mostrar(pregunta) != Boton::Si)
                return false;
        }
    }
    if (!colocar(nombres, reemplazar))
        return false;
    for (const QString &nombre : std::as_const(nombres)) {
        SalidaEscrita escrita{{}, m_entradaRuta};
        if (identificar(nombre, &escrita.identidad))
            m_conversor.m_escritas.append(escrita);
    }

    Mensaje mensaje = nombres.size() == 1 ? crearMensaje(Texto::Creado, {salida})
                                          : crearMensaje(Texto::CreadasPartes, {nombres.constFirst(), nombres.constLast()});
    mensaje.detalle = resumen(resultado, nombres, restosAnteriores(partes));
    mensaje.ampliado = m_detalle.join(u'\n');
    if (m_detalle.size() >= AvisosDetallados && m_comprobador->avisos() > AvisosDetallados)
        mensaje.ampliado += u'\n' + textoDe(Texto::ResumenMasAvisos, {QString::number(m_comprobador->avisos() - AvisosDetallados)});
    m_conversor.m_mensajero.mostrar(mensaje);
    return true;
}

Conversor::Conversor(Mensajero &mensajero) : m_mensajero(mensajero) {}

bool Conversor::GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo)
{
    Ejecucion ejecucion(*this, rutaEntrada, tipo);
    return ejecucion.ejecutar();
}

} // namespace torxal
