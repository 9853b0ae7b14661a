// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "ajustes.h"
#include "destino.h"
#include "escritorxml.h"
#include "formatolista.h"
#include "mensajes.h"
#include "rutas.h"
#include "tipoconsulta.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

namespace torxal {

/// How a run writes and checks, beyond the list and its kind.
struct OpcionesConversion {
    OpcionesDocumento documento = opcionesDocumento(Ajustes{});
    QString informe;       // where the warnings go as CSV; empty: nowhere
    bool estricto = false; // a list with warnings writes no document
    // Before a document is put in place, ask when the list looks like another kind, would
    // write no record, or makes a document larger than the service takes (the window).
    bool preguntarSiDudosa = false;
    // A list given as a table: its sheet and separator, the columns given by hand
    // ("NIF=A,APE=C+D"; empty: from the header) and whether its first row is data.
    OpcionesTabla tabla;
    QString columnas;
    bool sinCabecera = false;
};

/// Asked for a table whose header names no column the run knows: the rows read (up to
/// ten, from the one most like a header) are shown, and the choice comes filled with what
/// was recognised. False: the run stops without a word.
using ElegirColumnas =
    std::function<bool(const QList<FilaTabla> &filas, TipoConsulta tipo, const Fallo &motivo, EleccionColumnas *eleccion)>;

/// The conversion runs of one call of the program: one list at a time in, its XML
/// document beside it, every outcome told through the messenger. It remembers the
/// outputs it wrote, so a later list of the same call cannot overwrite them.
class Conversor {
public:
    explicit Conversor(Mensajero &mensajero);

    void setOpciones(const OpcionesConversion &opciones) { m_opciones = opciones; }
    /// Where documents are written; files beside the list unless replaced.
    void setFabricaDestino(FabricaDestino fabrica) { m_fabrica = std::move(fabrica); }
    /// Lets the tests put a failing device in front of the opened list.
    using EnvolturaEntrada = std::function<std::unique_ptr<QIODevice>(std::unique_ptr<QIODevice>)>;
    void setEnvolturaEntrada(EnvolturaEntrada envoltura) { m_envoltura = std::move(envoltura); }
    /// Lets the window ask for a table's columns when its header is not recognised;
    /// without it such a table fails with a message naming what was found.
    void setElegirColumnas(ElegirColumnas elegir) { m_elegirColumnas = std::move(elegir); }

    /// Converts one list. True when its document was created (the user has been told either way).
    bool GenerarFicheroXML(const QString &rutaEntrada, TipoConsulta tipo);

private:
    class Ejecucion;

    Mensajero &m_mensajero;
    OpcionesConversion m_opciones;
    FabricaDestino m_fabrica = crearDestinoFichero;
    EnvolturaEntrada m_envoltura;
    ElegirColumnas m_elegirColumnas;
    QList<SalidaEscrita> m_escritas;
};

} // namespace torxal
