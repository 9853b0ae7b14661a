#include "cuadromensajes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTextDocument>

using torxal::Boton;
using torxal::Estilo;

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
    if (!mensaje.ampliado.isEmpty())
        cuadro->setDetailedText(mensaje.ampliado);

    if (mensaje.estilo == Estilo::Pregunta) {
        cuadro->setIcon(QMessageBox::Information);
        cuadro->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        cuadro->setDefaultButton(QMessageBox::Yes);
        cuadro->setEscapeButton(QMessageBox::No);
        // Set here too: the Spanish catalogue may be missing, the Spanish buttons may not.
        cuadro->button(QMessageBox::Yes)->setText(QStringLiteral("Sí"));
        cuadro->button(QMessageBox::No)->setText(QStringLiteral("No"));
    } else {
        cuadro->setIcon(mensaje.estilo == Estilo::Critico ? QMessageBox::Critical : QMessageBox::Information);
        cuadro->setStandardButtons(QMessageBox::Ok);
        cuadro->setDefaultButton(QMessageBox::Ok);
        cuadro->setEscapeButton(QMessageBox::Ok);
        cuadro->button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
    }
    return cuadro;
}

Boton CuadroMensajes::mostrar(const torxal::Mensaje &mensaje)
{
    const auto cuadro = crearCuadro(mensaje, m_propietario);
    // A run shows the wait cursor; the user answering a box must see the ordinary one.
    const bool esperando = QApplication::overrideCursor() != nullptr;
    if (esperando)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int pulsado = cuadro->exec();
    if (esperando)
        QApplication::restoreOverrideCursor();
    switch (pulsado) {
    case QMessageBox::Yes:
        return Boton::Si;
    case QMessageBox::No:
        return Boton::No;
    default:
        // An OK box closed from its title bar counts as read; a question never counts as Yes.
        return mensaje.estilo == Estilo::Pregunta ? Boton::No : Boton::Aceptar;
    }
}
