#pragma once

#include "mensajes.h"

#include <QPointer>

#include <memory>

class QMessageBox;
class QWidget;

/// The conversion's messages as modal message boxes owned by the window.
class CuadroMensajes : public torxal::Mensajero {
public:
    explicit CuadroMensajes(QWidget *propietario);

    torxal::Boton mostrar(const torxal::Mensaje &mensaje) override;

    /// The box for one message, ready to be shown: icon and buttons by style, Spanish
    /// button texts, the detail lines beneath, every warning behind "Mostrar detalles...".
    static std::unique_ptr<QMessageBox> crearCuadro(const torxal::Mensaje &mensaje, QWidget *propietario);

private:
    QPointer<QWidget> m_propietario;
};
