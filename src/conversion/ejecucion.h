// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "bucle.h"
#include "comprobaciones.h"
#include "conversor.h"
#include "informe.h"
#include "resumen.h"
#include "tabla.h"
#include "utf16.h"

#include <QIODevice>

#include <memory>
#include <optional>

namespace torxal {

// One run over one list: its phases in order, what it has opened and learnt.
class Conversor::Ejecucion {
public:
    Ejecucion(Conversor &conversor, const QString &rutaEntrada, TipoConsulta tipo)
        : m_conversor(conversor)
        , m_opciones(conversor.m_opciones)
        , m_documento(conversor.m_opciones.documento)
        , m_entradaRuta(rutaEntrada)
        , m_tipo(tipo)
    {
    }

    bool ejecutar()
    {
        if (planificar() && preguntarAntes() && convertirLista() && confirmarDudas() && preguntarPorPartes()
            && colocarInforme() && exigirSinAvisos() && colocar()) {
            contarExito();
            return true;
        }
        // A phase that ends the run silently (a No to the question) leaves no failure.
        if (m_fallo.que != Texto::Ninguno)
            m_conversor.m_mensajero.mostrar(crearMensaje(m_fallo));
        return false;
    }

private:
    bool conLimite() const { return m_documento.tamanoMaximo > 0; }
    bool preguntar(const QStringList &existentes);
    bool planificar();
    bool preguntarAntes();
    bool convertirLista()
    {
        return abrirLista() && abrirInforme() && crearDocumento() && convertir() && cerrar();
    }
    bool confirmarDudas();
    bool dividirSiHaceFalta();
    DatosResumen datosResumen(bool escrito) const;
    bool abrirLista();
    bool reconocerLista();
    bool abrirFilas();
    bool leerCabecera();
    bool esHoja() const { return m_formato == FormatoLista::Xlsx || m_formato == FormatoLista::Ods; }
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
    OpcionesDocumento m_documento; // the document's options, its size limit as the user settles it
    QString m_entradaRuta;
    TipoConsulta m_tipo;
    Fallo m_fallo;
    PlanRutas m_plan;
    bool m_informeExiste = false;
    bool m_aceptado = false; // the user agreed to replace what stands at the names
    std::unique_ptr<QIODevice> m_entrada;
    FormatoLista m_formato = FormatoLista::Columnas;
    OpcionesTabla m_opcionesTabla;
    std::unique_ptr<QIODevice> m_utf16; // a UTF-16 table handed on as UTF-8
    std::optional<OrdenUtf16> m_orden;
    qsizetype m_marca = 0;
    std::unique_ptr<LectorTabla> m_tabla;
    Columnas m_columnas;
    std::unique_ptr<EscritorXML> m_escritor;
    std::unique_ptr<Informe> m_informe;
    std::unique_ptr<Resumen> m_resumen;
    std::unique_ptr<RepartoAvisos> m_reparto;
    std::unique_ptr<Comprobador> m_comprobador;
    ResultadoConversion m_resultado;
    QStringList m_nombres;
    QList<bool> m_reemplazar;
};

} // namespace torxal
