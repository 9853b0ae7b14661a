#include "conversor.h"

#include "bucle.h"
#include "comprobaciones.h"
#include "informe.h"
#include "lectura.h"
#include "resumen.h"

#include <QIODevice>

#include <cerrno>
#include <memory>
#include <vector>

namespace torxal {


// One run over one list: its phases in order, what it has opened and learnt.
class Conversor::Ejecucion {
public:
    Ejecucion(Conversor &conversor, const QString &rutaEntrada, TipoConsulta tipo)
        : m_conversor(conversor)
        , m_opciones(conversor.m_opciones)
        , m_entradaRuta(rutaEntrada)
        , m_tipo(tipo)
    {
    }

    bool ejecutar()
    {
        if (planificar() && preguntarAntes() && abrirLista() && abrirInforme() && crearDocumento() && convertir()
            && cerrar() && preguntarPorPartes() && colocarInforme() && exigirSinAvisos() && colocar()) {
            contarExito();
            return true;
        }
        // A phase that ends the run silently (a No to the question) leaves no failure.
        if (m_fallo.que != Texto::Ninguno)
            m_conversor.m_mensajero.mostrar(crearMensaje(m_fallo));
        return false;
    }

private:
    bool conLimite() const { return m_opciones.documento.tamanoMaximo > 0; }
    bool preguntar(const QStringList &existentes);
    bool planificar();
    bool preguntarAntes();
    bool abrirLista();
    bool abrirInforme();
    bool crearDocumento();
    bool convertir();
    bool cerrar();
    bool rechazaPorAvisos() const { return m_opciones.estricto && m_comprobador->avisos() > 0; }
    bool preguntarPorPartes();
    bool colocarInforme();
    bool exigirSinAvisos();
    bool colocar();
    void contarExito();

    Conversor &m_conversor;
    const OpcionesConversion &m_opciones;
    QString m_entradaRuta;
    TipoConsulta m_tipo;
    Fallo m_fallo;
    PlanRutas m_plan;
    bool m_informeExiste = false;
    bool m_aceptado = false; // the user agreed to replace what stands at the names
    std::unique_ptr<QIODevice> m_entrada;
    std::unique_ptr<EscritorXML> m_escritor;
    std::unique_ptr<Informe> m_informe;
    Resumen m_resumen;
    std::unique_ptr<RepartoAvisos> m_reparto;
    std::unique_ptr<Comprobador> m_comprobador;
    ResultadoConversion m_resultado;
    QStringList m_nombres;
    QList<bool> m_reemplazar;
};

// Every name that would be replaced is asked about at once: the original tool's question
// for its one document, the names and their count otherwise.
bool Conversor::Ejecucion::preguntar(const QStringList &existentes)
{
    if (existentes.isEmpty() || m_aceptado)
        return true;
    const bool soloElDocumento = existentes.size() == 1 && existentes.constFirst() == m_plan.nombres.ruta();
    const Mensaje pregunta = soloElDocumento ? crearMensaje(Texto::PreguntaSobrescribir)
        : existentes.size() == 1
        ? crearMensaje(Texto::PreguntaSobrescribirUnaParte, {existentes.constFirst()})
        : crearMensaje(Texto::PreguntaSobrescribirPartes, {QString::number(existentes.size()), existentes.constFirst()});
    m_aceptado = m_conversor.m_mensajero.mostrar(pregunta) == Boton::Si;
    return m_aceptado;
}

bool Conversor::Ejecucion::planificar()
{
    if (!planificarRutas(m_entradaRuta, m_conversor.m_escritas, &m_plan, &m_fallo))
        return false;
    return m_opciones.informe.isEmpty()
        || examinarInforme(m_opciones.informe, m_entradaRuta, m_plan.nombres, &m_informeExiste, &m_fallo);
}

// Without a size limit the one output is known now, and the question comes before the
// list is even opened; with one, only the conversion tells which names it takes.
bool Conversor::Ejecucion::preguntarAntes()
{
    QStringList existentes;
    if (!conLimite() && m_plan.existe)
        existentes.append(m_plan.nombres.ruta());
    if (!conLimite() && m_informeExiste)
        existentes.append(m_opciones.informe);
    return preguntar(existentes);
}

bool Conversor::Ejecucion::abrirLista()
{
    // The path is opened as given: the trimming of the names only shapes the output's name.
    if (!abrirEntrada(m_entradaRuta, &m_entrada, &m_fallo)) {
        // A name that is not UTF-8 reaches us with replacement characters in it.
        if (m_fallo.error == ENOENT && m_entradaRuta.contains(QChar::ReplacementCharacter))
            fallar(&m_fallo, Texto::NombreNoUtf8, {m_entradaRuta});
        return false;
    }
    if (m_entrada->size() < 1)
        return fallar(&m_fallo, Texto::EntradaVacia);
    if (m_conversor.m_envoltura)
        m_entrada = m_conversor.m_envoltura(std::move(m_entrada));
    return true;
}

bool Conversor::Ejecucion::abrirInforme()
{
    if (!m_opciones.informe.isEmpty()) {
        m_informe = std::make_unique<Informe>(m_conversor.m_fabrica, m_opciones.informe);
        if (!m_informe->abrir(&m_fallo))
            return false;
    }
    m_reparto = std::make_unique<RepartoAvisos>(m_resumen, m_informe.get());
    m_comprobador = std::make_unique<Comprobador>(m_tipo, *m_reparto);
    return true;
}

bool Conversor::Ejecucion::crearDocumento()
{
    m_escritor = std::make_unique<EscritorXML>(m_conversor.m_fabrica, m_plan.nombres, m_tipo, m_opciones.documento,
                                               m_entradaRuta);
    if (conLimite() && m_escritor->bytesSinRegistros() > m_opciones.documento.tamanoMaximo)
        return fallar(&m_fallo, Texto::CabeceraNoCabe,
                      {m_entradaRuta, QString::number(m_opciones.documento.tamanoMaximo / 1024)});
    return m_escritor->CrearCabeceraXML(&m_fallo);
}

bool Conversor::Ejecucion::convertir()
{
    const bool convertida = convertirRegistros(*m_entrada, m_entradaRuta, m_tipo, *m_escritor, m_comprobador.get(),
                                               Camino::ElMasRapido, &m_resultado, &m_fallo);
    m_entrada.reset();
    return convertida;
}

bool Conversor::Ejecucion::cerrar()
{
    if (!m_escritor->CerrarFicheroXML(&m_fallo))
        return false;
    const int partes = int(m_escritor->partes().size());
    for (int n = 1; n <= partes; ++n)
        m_nombres.append(partes == 1 ? m_plan.nombres.ruta() : m_plan.nombres.rutaParte(n));
    return !m_informe || m_informe->preparar(&m_fallo);
}

bool Conversor::Ejecucion::preguntarPorPartes()
{
    m_reemplazar = QList<bool>(m_nombres.size(), m_aceptado && m_plan.existe);
    if (!conLimite())
        return true;
    QStringList existentes;
    // A strict run that writes no document asks only about its report.
    for (qsizetype i = 0; i < m_nombres.size() && !rechazaPorAvisos(); ++i) {
        bool existe = false;
        if (!examinarSalida(m_nombres[i], m_entradaRuta, m_conversor.m_escritas, &existe, &m_fallo))
            return false;
        m_reemplazar[i] = existe;
        if (existe)
            existentes.append(m_nombres[i]);
    }
    if (m_informeExiste)
        existentes.append(m_opciones.informe);
    return preguntar(existentes);
}

// The report goes in even when a strict run then writes no document: it says why.
bool Conversor::Ejecucion::colocarInforme()
{
    return !m_informe || m_informe->colocar(m_informeExiste, &m_fallo);
}

bool Conversor::Ejecucion::exigirSinAvisos()
{
    const qint64 avisos = m_comprobador->avisos();
    if (!rechazaPorAvisos())
        return true;
    Mensaje mensaje = avisos == 1
        ? crearMensaje(Texto::NoCreadoPorUnAviso, {m_nombres.constFirst()})
        : crearMensaje(Texto::NoCreadoPorAvisos, {m_nombres.constFirst(), QString::number(avisos)});
    mensaje.detalle = m_resumen.texto(m_resultado, *m_comprobador, {}, {}, false);
    mensaje.ampliado = m_resumen.detalle(avisos);
    m_conversor.m_mensajero.mostrar(mensaje);
    return false;
}

bool Conversor::Ejecucion::colocar()
{
    std::vector<Destino *> destinos;
    for (Parte &parte : m_escritor->partes())
        destinos.push_back(parte.destino.get());
    qsizetype fallida = 0;
    int error = 0;
    if (colocarJuntos(destinos, m_nombres, m_reemplazar, &fallida, &error)) {
        for (const QString &nombre : std::as_const(m_nombres)) {
            SalidaEscrita escrita{{}, m_entradaRuta};
            if (identificar(nombre, &escrita.identidad))
                m_conversor.m_escritas.append(escrita);
        }
        return true;
    }
    // Someone put a file at the name while the run converted: it is not replaced unasked.
    if (!m_reemplazar[fallida] && error == EEXIST)
        return fallar(&m_fallo, Texto::YaExiste, {m_nombres[fallida]});
    return fallar(&m_fallo, Texto::NoEscribeSalida, {m_nombres[fallida]}, error);
}

void Conversor::Ejecucion::contarExito()
{
    QList<ParteColocada> partes;
    for (qsizetype i = 0; i < m_nombres.size(); ++i)
        partes.append(ParteColocada{m_nombres[i], m_escritor->partes()[size_t(i)].registros});
    Mensaje mensaje = m_nombres.size() == 1
        ? crearMensaje(Texto::Creado, {m_nombres.constFirst()})
        : crearMensaje(Texto::CreadasPartes, {m_nombres.constFirst(), m_nombres.constLast()});
    mensaje.detalle = m_resumen.texto(m_resultado, *m_comprobador, partes,
                                      buscarRestos(m_plan.nombres, int(m_nombres.size())));
    mensaje.ampliado = m_resumen.detalle(m_comprobador->avisos());
    m_conversor.m_mensajero.mostrar(mensaje);
}

Conversor::Conversor(Mensajero &mensajero) : m_mensajero(mensajero) {}

bool Conversor::GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo)
{
    Ejecucion ejecucion(*this, rutaEntrada, tipo);
    return ejecucion.ejecutar();
}

} // namespace torxal
