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

    /// Shows the dialog modal to `propietario`; afterwards nombreFichero() holds the chosen
    /// path, or stays as it was when the user cancels.
    void MostrarAbrir(QWidget *propietario);

protected:
    /// Asks the user for a file; an empty text when the dialog was cancelled.
    virtual QString elegirFichero(QWidget *propietario) = 0;

private:
    QString m_nombreFichero;
    QString m_extension;
    QString m_filtro;
};

/// The dialog on the desktop: Qt's own file dialog, so it speaks the program's language
/// whatever the desktop's.
class DialogoAbrirQt : public DialogoAbrir {
protected:
    QString elegirFichero(QWidget *propietario) override;
};
