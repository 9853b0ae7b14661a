// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QString>

class QWidget;

/// The open-file dialog the window keeps between uses: it holds the settings of the next
/// showing and the name the last one returned, which is the window's remembered input path.
class DialogoAbrir {
public:
    virtual ~DialogoAbrir() = default;

    void setNombreFichero(const QString &nombre) { m_nombreFichero = nombre; }
    const QString &nombreFichero() const { return m_nombreFichero; }
    void setExtensionPredeterminada(const QString &extension) { m_extension = extension; }
    const QString &extensionPredeterminada() const { return m_extension; }
    void setFiltro(const QString &filtro) { m_filtro = filtro; }
    const QString &filtro() const { return m_filtro; }

    /// Where the dialog starts when no name is given: the folder of the last list chosen.
    void setCarpeta(const QString &carpeta) { m_carpeta = carpeta; }
    const QString &carpeta() const { return m_carpeta; }

    /// Shows the dialog modal to `propietario`; afterwards nombreFichero() holds the chosen
    /// path, or stays as it was when the user cancels.
    void MostrarAbrir(QWidget *propietario);

    /// Asks for a name to save under, starting at `propuesto`; empty when cancelled.
    QString MostrarGuardar(QWidget *propietario, const QString &propuesto) { return elegirGuardar(propietario, propuesto); }

protected:
    /// Asks the user for a file; an empty text when the dialog was cancelled.
    virtual QString elegirFichero(QWidget *propietario) = 0;
    virtual QString elegirGuardar(QWidget *propietario, const QString &propuesto) = 0;

private:
    QString m_nombreFichero;
    QString m_extension;
    QString m_filtro;
    QString m_carpeta;
};

/// The dialog on the desktop: Qt's own file dialog, so it speaks the program's language
/// whatever the desktop's.
class DialogoAbrirQt : public DialogoAbrir {
protected:
    QString elegirFichero(QWidget *propietario) override;
    QString elegirGuardar(QWidget *propietario, const QString &propuesto) override;
};
