// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "dialogoabrir.h"

#include <QFileDialog>

void DialogoAbrir::MostrarAbrir(QWidget *propietario)
{
    const QString elegido = elegirFichero(propietario);
    if (!elegido.isEmpty())
        m_nombreFichero = elegido;
}

QString DialogoAbrirQt::elegirFichero(QWidget *propietario)
{
    QFileDialog dialogo(propietario);
    // The desktop's own dialog would follow the desktop's language; Qt's follows ours.
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted; the conversion tells the user what it finds.
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setNameFilter(filtro());
    dialogo.setDefaultSuffix(extensionPredeterminada());
    if (nombreFichero().isEmpty() && !carpeta().isEmpty())
        dialogo.setDirectory(carpeta());
    dialogo.selectFile(nombreFichero());
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return dialogo.selectedFiles().constFirst();
}

QString DialogoAbrirQt::elegirGuardar(QWidget *propietario, const QString &propuesto)
{
    QFileDialog dialogo(propietario);
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    // Whether to replace a file there is asked by the program, with the program's words.
    dialogo.setOption(QFileDialog::DontConfirmOverwrite);
    dialogo.setNameFilter(QStringLiteral("Valores separados por punto y coma (*.csv)"));
    dialogo.setDefaultSuffix(QStringLiteral("csv"));
    dialogo.selectFile(propuesto);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty())
        return {};
    return dialogo.selectedFiles().constFirst();
}
