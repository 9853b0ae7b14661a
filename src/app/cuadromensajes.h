// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"

#include <QPointer>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

/// The conversion's messages as modal message boxes owned by the window.
class CuadroMensajes : public torxal::Mensajero {
public:
    explicit CuadroMensajes(QWidget *propietario);

    torxal::Boton mostrar(const torxal::Mensaje &mensaje) override;

    /// What "Revisar la lista…" does, once the box is closed and the run has ended.
    void setRevisar(std::function<void()> revisar) { m_revisar = std::move(revisar); }

    /// The box for one message, ready to be shown: icon and buttons by style, Spanish
    /// button texts, the detail lines beneath; a message with warnings offers to review
    /// the list instead of listing them.
    static std::unique_ptr<QMessageBox> crearCuadro(const torxal::Mensaje &mensaje, QWidget *propietario);
    /// The answer a box gives once closed.
    static torxal::Boton respuesta(const QMessageBox &cuadro, const torxal::Mensaje &mensaje);

private:
    QPointer<QWidget> m_propietario;
    std::function<void()> m_revisar;
};
