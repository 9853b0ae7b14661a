// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "conversor.h"
#include "mensajes.h"
#include "tipoconsulta.h"

#include <QDialog>
#include <QImage>

#include <memory>
#include <optional>

class CuadroMensajes;
class DialogoAbrir;
class ElectorColumnas;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextBrowser;
class VentanaRevision;

/// The program's one window: pick a list, choose the query kind, generate its XML file.
/// A dialog underneath for the keyboard roles (Enter to the default button, Enter on a
/// focused button to that button), but shown as an ordinary window with its own taskbar button.
class Frm_Crear_Mixto_XML : public QDialog {
    Q_OBJECT

public:
    /// With no seams given, the window shows real message boxes and the real file dialog;
    /// seams given stay owned by the caller and must outlive the window.
    explicit Frm_Crear_Mixto_XML(torxal::Mensajero *mensajero = nullptr, DialogoAbrir *dialogo = nullptr,
                                 QWidget *padre = nullptr, ElectorColumnas *elector = nullptr);
    ~Frm_Crear_Mixto_XML() override;

    /// Puts `ruta` in the "Fichero" box, as a browse that chose it would.
    void elegirFichero(const QString &ruta);
    /// Opens "Revisión de la lista" on a list read as `tipo`, as the outcome box's
    /// "Revisar la lista…" does for the last run's; the window it opened, or none when the
    /// list cannot be read (the user has been told).
    VentanaRevision *revisarLista(const QString &ruta, torxal::TipoConsulta tipo);

protected:
    void paintEvent(QPaintEvent *evento) override;
    bool focusNextPrevChild(bool siguiente) override;
    // A list dropped on the window is taken as if the browse dialog had chosen it.
    void dragEnterEvent(QDragEnterEvent *evento) override;
    void dragMoveEvent(QDragMoveEvent *evento) override;
    void dropEvent(QDropEvent *evento) override;

private:
    void crearControles();
    void ajustarLetra();
    void Command1_Click();
    void cmdExtract1_Click();
    void cmdAyuda_Click();
    void cmdClose_Click();

    std::unique_ptr<CuadroMensajes> m_cuadroMensajes;
    std::unique_ptr<DialogoAbrir> m_dialogoPropio;
    DialogoAbrir *m_ComDlgAbrir;
    std::unique_ptr<ElectorColumnas> m_electorPropio;
    ElectorColumnas *m_elector;
    torxal::Mensajero &m_mensajero;
    QImage m_banner;

    QLabel *m_Label1 = nullptr;
    QLineEdit *m_Text1 = nullptr;
    QPushButton *m_Command1 = nullptr;
    QGroupBox *m_Frame1 = nullptr;
    QRadioButton *m_Rdb_Nif = nullptr;
    QRadioButton *m_Rdb_RC = nullptr;
    QRadioButton *m_Rdb_PP = nullptr;
    QPushButton *m_cmdExtract1 = nullptr;
    QPushButton *m_cmdClose = nullptr;
    QPushButton *m_cmdAyuda = nullptr;
    QTextBrowser *m_ayuda = nullptr;
    QString m_ultimaLista;
    torxal::TipoConsulta m_ultimoTipo = torxal::TipoConsulta::NIF;
    std::optional<torxal::EleccionColumnas> m_ultimaEleccion; // the last run's table columns, when chosen
};
