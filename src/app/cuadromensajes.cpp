#include "cuadromensajes.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

CuadroMensajes::CuadroMensajes(QWidget *propietario) : m_propietario(propietario) {}

std::unique_ptr<QMessageBox> CuadroMensajes::crearCuadro(const torxal::Mensaje &mensaje, QWidget *propietario)
{
    auto cuadro = std::make_unique<QMessageBox>(propietario);
    cuadro->setWindowTitle(mensaje.titulo);
    // Paths come from the user: a name holding markup must show as typed.
    cuadro->setTextFormat(Qt::PlainText);
    cuadro->setText(mensaje.texto);
    if (!mensaje.detalle.isEmpty()) {
        cuadro->setInformativeText(mensaje.detalle);
        if (auto *etiqueta = cuadro->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            etiqueta->setTextFormat(Qt::PlainText);
    }

    if (mensaje.estilo == torxal::EstiloPregunta) {
        cuadro->setIcon(QMessageBox::Information);
        cuadro->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        cuadro->setDefaultButton(QMessageBox::Yes);
        cuadro->setEscapeButton(QMessageBox::No);
        // Set here too: the Spanish catalogue may be missing, the Spanish buttons may not.
        cuadro->button(QMessageBox::Yes)->setText(QStringLiteral("Sí"));
        cuadro->button(QMessageBox::No)->setText(QStringLiteral("No"));
    } else {
        cuadro->setIcon(mensaje.estilo == torxal::EstiloCritico ? QMessageBox::Critical : QMessageBox::Information);
        cuadro->setStandardButtons(QMessageBox::Ok);
        cuadro->setDefaultButton(QMessageBox::Ok);
        cuadro->setEscapeButton(QMessageBox::Ok);
        cuadro->button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
    }
    return cuadro;
}

int CuadroMensajes::mostrar(const torxal::Mensaje &mensaje)
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
        return torxal::BotonSi;
    case QMessageBox::No:
        return torxal::BotonNo;
    default:
        // An OK box closed from its title bar counts as read; a question never counts as Yes.
        return mensaje.estilo == torxal::EstiloPregunta ? torxal::BotonNo : torxal::BotonAceptar;
    }
}
