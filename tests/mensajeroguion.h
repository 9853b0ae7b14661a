// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"

#include <QList>
#include <QStringList>

// Stands in for the message box: records every message and answers questions from
// its own script (No once the script runs out), so no test ever waits on a dialog.
class MensajeroGuion : public torxal::Mensajero {
public:
    QList<torxal::Boton> respuestas;
    QList<torxal::Mensaje> mostrados;

    torxal::Boton mostrar(const torxal::Mensaje &mensaje) override
    {
        mostrados.append(mensaje);
        if (mensaje.estilo != torxal::Estilo::Pregunta)
            return torxal::Boton::Aceptar;
        return respuestas.isEmpty() ? torxal::Boton::No : respuestas.takeFirst();
    }

    // Each message as "style: text", its detail lines beneath, for whole-text comparison.
    QStringList resumen() const
    {
        QStringList lineas;
        for (const torxal::Mensaje &m : mostrados)
            lineas.append(QString::number(int(m.estilo)) + QStringLiteral(": ") + m.texto
                          + (m.detalle.isEmpty() ? QString() : u'\n' + m.detalle));
        return lineas;
    }
};
