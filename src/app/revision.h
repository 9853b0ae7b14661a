// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "indicelista.h"
#include "mensajes.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QDialog>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

class DialogoAbrir;
class QCheckBox;
class QLabel;
class QListWidget;
class QTableView;

/// The records of an indexed list as a table: line, what became of the record, its fields
/// as written. Only the rows on screen are cut, again, and a few hundred kept.
class ModeloRevision : public QAbstractTableModel {
    Q_OBJECT

public:
    /// The record a row shows, for any cell.
    static constexpr int RolRegistro = Qt::UserRole;
    /// True on a cell a warning is about.
    static constexpr int RolMarcado = Qt::UserRole + 1;

    explicit ModeloRevision(const torxal::IndiceLista &indice, QObject *padre = nullptr);

    int rowCount(const QModelIndex &padre = {}) const override;
    int columnCount(const QModelIndex &padre = {}) const override;
    QVariant data(const QModelIndex &indice, int rol) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int rol) const override;

    /// Only records with warnings or left out; only records with a warning of `codigo`.
    void filtrar(bool soloConAvisos, std::optional<torxal::CodigoAviso> codigo);
    qint64 registro(int fila) const { return m_filas.empty() && !m_filtrado ? fila : m_filas[size_t(fila)]; }
    /// The record cut again, or nothing when the list can no longer be read.
    const torxal::RegistroCortado *cortado(qint64 registro) const;
    /// The rows as text, tab between cells, a line each, the header first.
    QString copiar(const QList<int> &filas) const;

private:
    QString textoEstado(qint64 registro) const;

    const torxal::IndiceLista &m_indice;
    QStringList m_columnas;
    bool m_filtrado = false;
    std::vector<quint32> m_filas; // the records shown, when filtered
    mutable QCache<qint64, torxal::RegistroCortado> m_cortados{512};
};

/// "Revisión de la lista": every record of the list just converted, what became of it and
/// why, the selected one's line under a column ruler, and the warnings to save.
class VentanaRevision : public QDialog {
    Q_OBJECT

public:
    using AbrirUrl = std::function<bool(const QUrl &)>;
    /// The seams stay the caller's and must outlive the window.
    VentanaRevision(std::unique_ptr<torxal::IndiceLista> indice, torxal::Mensajero &mensajero, DialogoAbrir &dialogo,
                    QWidget *padre = nullptr);
    ~VentanaRevision() override;

    /// How "Abrir la carpeta" reaches the desktop's file manager.
    void setAbrirUrl(AbrirUrl abrir) { m_abrirUrl = std::move(abrir); }
    ModeloRevision &modelo() { return *m_modelo; }

    void guardarAvisos();
    void abrirCarpeta();
    void copiarSeleccion();

private:
    void filtrar();
    void mostrarLinea();

    std::unique_ptr<torxal::IndiceLista> m_indice;
    torxal::Mensajero &m_mensajero;
    DialogoAbrir &m_dialogo;
    AbrirUrl m_abrirUrl;
    ModeloRevision *m_modelo = nullptr;
    QCheckBox *m_soloAvisos = nullptr;
    QListWidget *m_leyenda = nullptr;
    QTableView *m_tabla = nullptr;
    QLabel *m_linea = nullptr;
};
