// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// A run's phases, from the plan of its names to its documents put in place; the list
// itself is opened and recognised in aperturalista.cpp.

#include "conversor.h"

#include "ejecucion.h"

#include <QIODevice>

#include <cerrno>
#include <vector>

namespace torxal {

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

bool Conversor::Ejecucion::abrirInforme()
{
    if (!m_opciones.informe.isEmpty()) {
        m_informe = std::make_unique<Informe>(m_conversor.m_fabrica, m_opciones.informe);
        if (!m_informe->abrir(&m_fallo, esHoja()))
            return false;
    }
    m_resumen = std::make_unique<Resumen>();
    m_resumen->setFilas(esHoja());
    m_reparto = std::make_unique<RepartoAvisos>(*m_resumen, m_informe.get());
    m_comprobador = std::make_unique<Comprobador>(m_tipo, *m_reparto);
    m_comprobador->setFilas(esHoja());
    return true;
}

bool Conversor::Ejecucion::crearDocumento()
{
    m_escritor = std::make_unique<EscritorXML>(m_conversor.m_fabrica, m_plan.nombres, m_tipo, m_documento,
                                               m_entradaRuta);
    if (conLimite() && m_escritor->bytesSinRegistros() > m_documento.tamanoMaximo)
        return fallar(&m_fallo, Texto::CabeceraNoCabe,
                      {m_entradaRuta, QString::number(m_documento.tamanoMaximo / 1024)});
    return m_escritor->CrearCabeceraXML(&m_fallo);
}

bool Conversor::Ejecucion::convertir()
{
    m_resultado = ResultadoConversion{};
    bool convertida = false;
    if (m_tabla) {
        convertida = convertirFilas(*m_tabla, m_columnas, m_tipo, *m_escritor, m_comprobador.get(), &m_resultado,
                                    &m_fallo);
        m_resultado.columnas = describirColumnas(m_columnas, m_tipo);
        m_resultado.filas = esHoja();
    } else {
        convertida = convertirRegistros(*m_entrada, m_entradaRuta, m_tipo, *m_escritor, m_comprobador.get(),
                                        Camino::ElMasRapido, &m_resultado, &m_fallo);
    }
    m_tabla.reset();
    m_utf16.reset();
    m_entrada.reset();
    return convertida;
}

bool Conversor::Ejecucion::cerrar()
{
    if (!m_escritor->CerrarFicheroXML(&m_fallo))
        return false;
    m_nombres.clear();
    const int partes = int(m_escritor->partes().size());
    for (int n = 1; n <= partes; ++n)
        m_nombres.append(partes == 1 ? m_plan.nombres.ruta() : m_plan.nombres.rutaParte(n));
    return !m_informe || m_informe->preparar(&m_fallo);
}

// Questions the window asks before anything is put in place, where the list looks wrong:
// their default is No, which leaves every earlier document as it was.
bool Conversor::Ejecucion::confirmarDudas()
{
    if (!m_opciones.preguntarSiDudosa)
        return true;
    const Comprobador &c = *m_comprobador;
    std::optional<Mensaje> duda;
    if (m_resultado.escritos == 0) {
        const Texto obligatorios = m_tipo == TipoConsulta::NIF ? Texto::ObligatoriosNIF
            : m_tipo == TipoConsulta::RC                       ? Texto::ObligatoriosRC
                                                               : Texto::ObligatoriosPP;
        duda = crearMensaje(Texto::PreguntaSinRegistros, {textoDe(obligatorios), nombreDeTipo(m_tipo)});
    } else if (c.registrosDeOtroTipo() >= 3 && 2 * c.registrosDeOtroTipo() >= m_resultado.escritos) {
        const std::optional<TipoConsulta> aparente = c.tipoAparente();
        duda = crearMensaje(Texto::PreguntaOtroTipo,
                            {nombreDeTipo(m_tipo), numeroEnEspanol(c.registrosDeOtroTipo()),
                             m_resultado.escritos == 1 ? textoDe(Texto::CuentaRegistroUno)
                                                       : textoDe(Texto::CuentaRegistros, {numeroEnEspanol(m_resultado.escritos)}),
                             aparente ? textoDe(Texto::PreguntaOtroTipoParece, {nombreDeTipo(*aparente)}) : QString()});
    }
    if (duda && m_conversor.m_mensajero.mostrar(*duda) != Boton::Si)
        return false;
    return dividirSiHaceFalta();
}

// A document larger than the service takes is offered in parts of the size it takes; the
// list is then converted again under that limit, and the choice may be kept.
bool Conversor::Ejecucion::dividirSiHaceFalta()
{
    qint64 bytes = 0;
    for (const Parte &parte : m_escritor->partes())
        bytes += parte.bytes;
    const qint64 aviso = m_documento.tamanoAviso;
    if (conLimite() || aviso <= 0 || bytes <= aviso)
        return true;
    Mensaje pregunta = crearMensaje(Texto::PreguntaDividir, {tamanoEnEspanol(bytes), tamanoEnEspanol(aviso)});
    pregunta.botones = {textoDe(Texto::BotonDividir), textoDe(Texto::BotonUnSoloFichero), textoDe(Texto::BotonCancelar)};
    const Boton eleccion = m_conversor.m_mensajero.mostrar(pregunta);
    if (eleccion != Boton::Si && eleccion != Boton::No)
        return false;
    const bool dividir = eleccion == Boton::Si;
    QString ajustes;
    Fallo sinGuardar;
    if (m_conversor.m_mensajero.mostrar(crearMensaje(Texto::PreguntaRecordar, {rutaAjustesDeUsuario()})) == Boton::Si
        && !guardarAjusteDeUsuario(dividir ? Clave::TamanoMaximoKb : Clave::TamanoAvisoKb,
                                   dividir ? QString::number(aviso / 1024) : QStringLiteral("0"), &ajustes, &sinGuardar))
        m_conversor.m_mensajero.mostrar(crearMensaje(sinGuardar));
    if (!dividir)
        return true;
    m_escritor.reset();
    m_comprobador.reset();
    m_reparto.reset();
    m_resumen.reset();
    m_informe.reset();
    m_documento.tamanoMaximo = aviso;
    return convertirLista();
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
        : crearMensaje(Texto::NoCreadoPorAvisos, {m_nombres.constFirst(), numeroEnEspanol(avisos)});
    mensaje.detalle = m_resumen->texto(datosResumen(false));
    mensaje.revisar = true;
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

DatosResumen Conversor::Ejecucion::datosResumen(bool escrito) const
{
    DatosResumen datos{m_resultado, *m_comprobador, m_tipo, {}, {}};
    datos.escrito = escrito;
    datos.limite = m_documento.tamanoMaximo;
    // The window asks about the size instead of leaving a note.
    datos.aviso = m_opciones.preguntarSiDudosa ? 0 : m_documento.tamanoAviso;
    for (qsizetype i = 0; i < m_nombres.size(); ++i) {
        const Parte &parte = m_escritor->partes()[size_t(i)];
        datos.bytes += parte.bytes;
        datos.partes.append(ParteColocada{m_nombres[i], parte.registros});
    }
    if (escrito)
        datos.restos = buscarRestos(m_plan.nombres, int(m_nombres.size()));
    return datos;
}

void Conversor::Ejecucion::contarExito()
{
    Mensaje mensaje = m_nombres.size() == 1
        ? crearMensaje(Texto::Creado, {m_nombres.constFirst()})
        : crearMensaje(Texto::CreadasPartes, {m_nombres.constFirst(), m_nombres.constLast()});
    // Something to review turns the box into a warning; its first line of detail says why.
    const bool aRevisar = !Resumen::veredicto(m_resultado, *m_comprobador).isEmpty();
    if (aRevisar)
        mensaje.estilo = Estilo::Advertencia;
    mensaje.revisar = aRevisar || m_comprobador->avisos() > 0;
    mensaje.detalle = m_resumen->texto(datosResumen(true));
    m_conversor.m_mensajero.mostrar(mensaje);
}

Conversor::Conversor(Mensajero &mensajero) : m_mensajero(mensajero) {}

bool Conversor::GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo)
{
    Ejecucion ejecucion(*this, rutaEntrada, tipo);
    return ejecucion.ejecutar();
}

} // namespace torxal
