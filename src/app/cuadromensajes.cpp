// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "cuadromensajes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

using torxal::Boton;
using torxal::Estilo;

namespace {

const char *const PropiedadRevisar = "torxal-revisar";

void ponerSiNo(QMessageBox &cuadro, QMessageBox::StandardButton porDefecto)
{
    cuadro.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    cuadro.setDefaultButton(porDefecto);
    cuadro.setEscapeButton(QMessageBox::No);
    // Set here too: the Spanish catalogue may be missing, the Spanish buttons may not.
    cuadro.button(QMessageBox::Yes)->setText(QStringLiteral("Sí"));
    cuadro.button(QMessageBox::No)->setText(QStringLiteral("No"));
}

} // namespace

CuadroMensajes::CuadroMensajes(QWidget *propietario) : m_propietario(propietario) {}

std::unique_ptr<QMessageBox> CuadroMensajes::crearCuadro(const torxal::Mensaje &mensaje, QWidget *propietario)
{
    auto cuadro = std::make_unique<QMessageBox>(propietario);
    cuadro->setWindowTitle(mensaje.titulo);
    // Paths come from the user: a name holding markup must show as typed.
    cuadro->setTextFormat(Qt::PlainText);
    cuadro->setText(mensaje.texto);
    // The box has no format setting for the lines beneath: they go as rich text that
    // shows the plain text exactly, markup and line breaks included.
    if (!mensaje.detalle.isEmpty())
        cuadro->setInformativeText(Qt::convertFromPlainText(mensaje.detalle, Qt::WhiteSpaceNormal));

    switch (mensaje.estilo) {
    case Estilo::Pregunta:
        cuadro->setIcon(QMessageBox::Information);
        ponerSiNo(*cuadro, QMessageBox::Yes);
        break;
    case Estilo::PreguntaDudosa:
        // The list looks wrong: Enter must not replace a good earlier document.
        cuadro->setIcon(QMessageBox::Warning);
        ponerSiNo(*cuadro, QMessageBox::No);
        break;
    case Estilo::PreguntaTresSalidas: {
        cuadro->setIcon(QMessageBox::Question);
        const QStringList textos = mensaje.botones.size() == 3
            ? mensaje.botones
            : QStringList{QStringLiteral("Sí"), QStringLiteral("No"), QStringLiteral("Cancelar")};
        QPushButton *si = cuadro->addButton(textos[0], QMessageBox::YesRole);
        cuadro->addButton(textos[1], QMessageBox::NoRole);
        QPushButton *cancelar = cuadro->addButton(textos[2], QMessageBox::RejectRole);
        cuadro->setDefaultButton(si);
        cuadro->setEscapeButton(cancelar);
        break;
    }
    case Estilo::Critico:
    case Estilo::Informacion:
    case Estilo::Advertencia:
        cuadro->setIcon(mensaje.estilo == Estilo::Critico       ? QMessageBox::Critical
                            : mensaje.estilo == Estilo::Advertencia ? QMessageBox::Warning
                                                                    : QMessageBox::Information);
        cuadro->setStandardButtons(QMessageBox::Ok);
        cuadro->setDefaultButton(QMessageBox::Ok);
        cuadro->setEscapeButton(QMessageBox::Ok);
        cuadro->button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
        // Warnings and omitted records are for the review window, which holds all of them,
        // not for a small box: offered whenever the run had either.
        if (mensaje.revisar)
            cuadro->addButton(QStringLiteral("Revisar la lista…"), QMessageBox::ActionRole)
                ->setProperty(PropiedadRevisar, true);
        break;
    }
    return cuadro;
}

Boton CuadroMensajes::respuesta(const QMessageBox &cuadro, const torxal::Mensaje &mensaje)
{
    QAbstractButton *pulsado = cuadro.clickedButton();
    if (mensaje.estilo == Estilo::PreguntaTresSalidas) {
        switch (pulsado ? cuadro.buttonRole(pulsado) : QMessageBox::RejectRole) {
        case QMessageBox::YesRole:
            return Boton::Si;
        case QMessageBox::NoRole:
            return Boton::No;
        default:
            return Boton::Cancelar;
        }
    }
    if (torxal::esPregunta(mensaje.estilo))
        // A question closed from its title bar never counts as Yes.
        return pulsado && cuadro.standardButton(pulsado) == QMessageBox::Yes ? Boton::Si : Boton::No;
    return Boton::Aceptar;
}

Boton CuadroMensajes::mostrar(const torxal::Mensaje &mensaje)
{
    const auto cuadro = crearCuadro(mensaje, m_propietario);
    // A run shows the wait cursor; the user answering a box must see the ordinary one.
    const bool esperando = QApplication::overrideCursor() != nullptr;
    if (esperando)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    cuadro->exec();
    if (esperando)
        QApplication::restoreOverrideCursor();
    // The review reads the list again: after the run, whose memory is then given back.
    if (cuadro->clickedButton() && cuadro->clickedButton()->property(PropiedadRevisar).toBool() && m_revisar)
        QTimer::singleShot(0, m_propietario.data(), m_revisar);
    return respuesta(*cuadro, mensaje);
}
