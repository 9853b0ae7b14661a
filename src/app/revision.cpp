// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "revision.h"

#include "dialogoabrir.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using namespace torxal;

namespace {

constexpr int ColumnaLinea = 0;
constexpr int ColumnaEstado = 1;
constexpr int PrimerCampo = 2;

const QColor ColorAviso(255, 214, 153);
const QColor ColorOmitido(230, 230, 230);
// Each field's span under the ruler, in turn.
const QColor ColoresCampo[] = {QColor(198, 222, 255), QColor(210, 240, 200)};

QString obligatorios(TipoConsulta tipo)
{
    return textoDe(tipo == TipoConsulta::NIF ? Texto::ObligatoriosNIF
                       : tipo == TipoConsulta::RC ? Texto::ObligatoriosRC
                                                  : Texto::ObligatoriosPP);
}

QString escaparHtml(const QString &texto)
{
    return texto.toHtmlEscaped().replace(u' ', QStringLiteral("&nbsp;"));
}

} // namespace

ModeloRevision::ModeloRevision(const IndiceLista &indice, QObject *padre)
    : QAbstractTableModel(padre), m_indice(indice), m_columnas(IndiceLista::nombresColumnas(indice.tipo()))
{
}

int ModeloRevision::rowCount(const QModelIndex &padre) const
{
    if (padre.isValid())
        return 0;
    return int(m_filtrado ? qint64(m_filas.size()) : m_indice.registros());
}

int ModeloRevision::columnCount(const QModelIndex &padre) const
{
    return padre.isValid() ? 0 : PrimerCampo + int(m_columnas.size());
}

QVariant ModeloRevision::headerData(int seccion, Qt::Orientation orientacion, int rol) const
{
    if (orientacion != Qt::Horizontal || rol != Qt::DisplayRole)
        return {};
    // As the warnings name them: a sheet's rows, a text's (CSV too) physical lines.
    if (seccion == ColumnaLinea)
        return m_indice.esHoja() ? QStringLiteral("Fila") : QStringLiteral("Línea");
    if (seccion == ColumnaEstado)
        return QStringLiteral("Estado");
    return m_columnas.value(seccion - PrimerCampo);
}

QString ModeloRevision::textoEstado(qint64 registro) const
{
    switch (m_indice.estado(registro)) {
    case EstadoRegistro::Escrito:
        return QStringLiteral("escrito");
    case EstadoRegistro::ConAvisos:
        return QStringLiteral("escrito con avisos");
    case EstadoRegistro::Omitido:
        break;
    }
    return QStringLiteral("omitido: sin ") + obligatorios(m_indice.tipo());
}

const RegistroCortado *ModeloRevision::cortado(qint64 registro) const
{
    if (RegistroCortado *visto = m_cortados.object(registro))
        return visto;
    auto nuevo = std::make_unique<RegistroCortado>();
    Fallo fallo;
    if (!m_indice.cortar(registro, nuevo.get(), &fallo))
        return nullptr;
    RegistroCortado *puesto = nuevo.release();
    m_cortados.insert(registro, puesto);
    return puesto;
}

QVariant ModeloRevision::data(const QModelIndex &indice, int rol) const
{
    if (!indice.isValid() || indice.row() >= rowCount())
        return {};
    const qint64 r = registro(indice.row());
    const int columna = indice.column();
    if (rol == RolRegistro)
        return r;
    const quint32 codigos = m_indice.codigos(r);
    const auto avisosDeCelda = [&] {
        QStringList textos;
        for (const AvisoDeRegistro &aviso : m_indice.avisos(r))
            if (columna == ColumnaEstado || aviso.columna == columna - PrimerCampo)
                textos.append(aviso.texto);
        return textos;
    };
    switch (rol) {
    case Qt::DisplayRole:
        if (columna == ColumnaLinea)
            return m_indice.linea(r);
        if (columna == ColumnaEstado)
            return textoEstado(r);
        if (const RegistroCortado *c = cortado(r))
            return c->campos.value(columna - PrimerCampo);
        return {};
    case Qt::ToolTipRole:
        if (codigos == 0 || columna == ColumnaLinea)
            return {};
        if (const QStringList textos = avisosDeCelda(); !textos.isEmpty())
            return textos.join(u'\n');
        return {};
    case RolMarcado:
        return codigos != 0 && columna >= PrimerCampo && !avisosDeCelda().isEmpty();
    case Qt::BackgroundRole:
        if (m_indice.estado(r) == EstadoRegistro::Omitido)
            return ColorOmitido;
        if (codigos != 0 && columna >= ColumnaEstado && !avisosDeCelda().isEmpty())
            return ColorAviso;
        return {};
    default:
        return {};
    }
}

void ModeloRevision::filtrar(bool soloConAvisos, std::optional<CodigoAviso> codigo)
{
    beginResetModel();
    m_filas.clear();
    m_filtrado = soloConAvisos || codigo;
    if (m_filtrado) {
        const quint32 buscado = codigo ? 1u << unsigned(*codigo) : 0;
        for (qint64 r = 0; r < m_indice.registros(); ++r) {
            const bool dudoso = m_indice.estado(r) != EstadoRegistro::Escrito;
            if (codigo ? (m_indice.codigos(r) & buscado) != 0 : dudoso)
                m_filas.push_back(quint32(r));
        }
    }
    m_filas.shrink_to_fit();
    endResetModel();
}

QString ModeloRevision::copiar(const QList<int> &filas) const
{
    QStringList lineas;
    QStringList cabecera;
    for (int c = 0; c < columnCount(); ++c)
        cabecera.append(headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    lineas.append(cabecera.join(u'\t'));
    for (int fila : filas) {
        QStringList celdas;
        for (int c = 0; c < columnCount(); ++c)
            celdas.append(data(index(fila, c), Qt::DisplayRole).toString());
        lineas.append(celdas.join(u'\t'));
    }
    return lineas.join(u'\n') + u'\n';
}

VentanaRevision::VentanaRevision(std::unique_ptr<IndiceLista> indice, Mensajero &mensajero, DialogoAbrir &dialogo,
                                 QWidget *padre)
    : QDialog(padre, Qt::Window), m_indice(std::move(indice)), m_mensajero(mensajero), m_dialogo(dialogo),
      m_abrirUrl([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("Revision"));
    setWindowTitle(QStringLiteral("Revisión de la lista"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_modelo = new ModeloRevision(*m_indice, this);

    m_soloAvisos = new QCheckBox(QStringLiteral("Solo registros con avisos u omitidos"), this);
    m_soloAvisos->setObjectName(QStringLiteral("SoloAvisos"));
    m_leyenda = new QListWidget(this);
    m_leyenda->setObjectName(QStringLiteral("Leyenda"));
    m_leyenda->setMaximumHeight(90);
    auto *todos = new QListWidgetItem(QStringLiteral("Todos los avisos"), m_leyenda);
    todos->setData(Qt::UserRole, -1);
    for (const DescripcionAviso &d : descripcionesAvisos()) {
        if (const qint64 n = m_indice->avisosDe(d.codigo); n > 0) {
            auto *entrada = new QListWidgetItem(QString::fromUtf16(d.resumen) + QStringLiteral(" (")
                                                    + QString::fromLatin1(d.clave) + QStringLiteral("): ")
                                                    + numeroEnEspanol(n),
                                                m_leyenda);
            entrada->setData(Qt::UserRole, int(d.codigo));
            entrada->setBackground(ColorAviso);
        }
    }
    m_leyenda->setCurrentRow(0);

    m_tabla = new QTableView(this);
    m_tabla->setObjectName(QStringLiteral("Tabla"));
    m_tabla->setModel(m_modelo);
    m_tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tabla->setWordWrap(false);
    // Rows of one height: a million of them scroll without measuring any.
    m_tabla->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tabla->verticalHeader()->setDefaultSectionSize(m_tabla->fontMetrics().height() + 6);
    m_tabla->verticalHeader()->hide();
    m_tabla->horizontalHeader()->setStretchLastSection(true);
    m_tabla->setColumnWidth(ColumnaLinea, 70);
    m_tabla->setColumnWidth(ColumnaEstado, 200);

    m_linea = new QLabel(this);
    m_linea->setObjectName(QStringLiteral("LineaOriginal"));
    m_linea->setTextFormat(Qt::RichText);
    m_linea->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_linea->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_linea->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *desplazable = new QScrollArea(this);
    desplazable->setWidget(m_linea);
    desplazable->setWidgetResizable(true);
    desplazable->setMinimumHeight(4 * m_linea->fontMetrics().height() + 24);

    auto *guardar = new QPushButton(QStringLiteral("Guardar los avisos…"), this);
    guardar->setObjectName(QStringLiteral("GuardarAvisos"));
    auto *carpeta = new QPushButton(QStringLiteral("Abrir la carpeta"), this);
    carpeta->setObjectName(QStringLiteral("AbrirCarpeta"));
    auto *copiar = new QPushButton(QStringLiteral("Copiar las filas"), this);
    copiar->setObjectName(QStringLiteral("Copiar"));
    auto *cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    cerrar->setObjectName(QStringLiteral("Cerrar"));

    auto *arriba = new QHBoxLayout;
    arriba->addWidget(m_soloAvisos);
    arriba->addStretch();
    auto *botones = new QHBoxLayout;
    botones->addWidget(guardar);
    botones->addWidget(carpeta);
    botones->addWidget(copiar);
    botones->addStretch();
    botones->addWidget(cerrar);
    auto *disposicion = new QVBoxLayout(this);
    disposicion->addLayout(arriba);
    disposicion->addWidget(m_leyenda);
    disposicion->addWidget(m_tabla, 1);
    disposicion->addWidget(desplazable);
    disposicion->addLayout(botones);
    resize(860, 600);

    connect(m_soloAvisos, &QCheckBox::toggled, this, &VentanaRevision::filtrar);
    connect(m_leyenda, &QListWidget::currentRowChanged, this, &VentanaRevision::filtrar);
    connect(m_tabla->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &VentanaRevision::mostrarLinea);
    connect(m_modelo, &QAbstractItemModel::modelReset, this, [this] {
        connect(m_tabla->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &VentanaRevision::mostrarLinea, Qt::UniqueConnection);
        mostrarLinea();
    });
    connect(guardar, &QPushButton::clicked, this, &VentanaRevision::guardarAvisos);
    connect(carpeta, &QPushButton::clicked, this, &VentanaRevision::abrirCarpeta);
    connect(copiar, &QPushButton::clicked, this, &VentanaRevision::copiarSeleccion);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::reject);
    auto *copia = new QShortcut(QKeySequence::Copy, m_tabla);
    connect(copia, &QShortcut::activated, this, &VentanaRevision::copiarSeleccion);
    if (m_modelo->rowCount() > 0)
        m_tabla->selectRow(0);
    mostrarLinea();
}

VentanaRevision::~VentanaRevision() = default;

void VentanaRevision::filtrar()
{
    const QListWidgetItem *entrada = m_leyenda->currentItem();
    const int codigo = entrada ? entrada->data(Qt::UserRole).toInt() : -1;
    m_modelo->filtrar(m_soloAvisos->isChecked(),
                      codigo < 0 ? std::nullopt : std::optional<CodigoAviso>(CodigoAviso(codigo)));
    if (m_modelo->rowCount() > 0)
        m_tabla->selectRow(0);
}

// The record as cleaned under a ruler of the kind's columns, each field's span shaded,
// and the line of the list it comes from beneath them; a table's row, its cells.
void VentanaRevision::mostrarLinea()
{
    const QModelIndex actual = m_tabla->currentIndex();
    const RegistroCortado *cortado = actual.isValid() ? m_modelo->cortado(m_modelo->registro(actual.row())) : nullptr;
    if (!cortado) {
        m_linea->clear();
        return;
    }
    const qint64 numero = m_indice->linea(m_modelo->registro(actual.row()));
    if (m_indice->formato() != FormatoLista::Columnas) {
        // A table's row has no columns to rule: its cells, each under its column's letter and name.
        QString celdas = (m_indice->esHoja() ? QStringLiteral("Fila ") : QStringLiteral("Línea "))
            + QString::number(numero) + QStringLiteral(" de la lista:");
        for (const QString &celda : cortado->celdas)
            celdas += QStringLiteral("<br>") + escaparHtml(celda);
        m_linea->setText(QStringLiteral("<div style=\"white-space:pre\">") + celdas + QStringLiteral("</div>"));
        return;
    }
    const auto posiciones = IndiceLista::posicionesColumnas(m_indice->tipo());
    const int ultima = posiciones.constLast().first + posiciones.constLast().second - 1;
    const int ancho = std::max<int>(ultima, int(cortado->limpio.size()));
    QString decenas;
    QString unidades;
    for (int i = 1; i <= ancho; ++i) {
        decenas += i % 10 == 0 ? QString::number(i / 10 % 10) : QStringLiteral(" ");
        unidades += QString::number(i % 10);
    }
    QString registro;
    for (int i = 0; i < ancho; ++i) {
        const QString caracter = i < cortado->limpio.size() ? QString(cortado->limpio.at(i)) : QStringLiteral(" ");
        int campo = -1;
        for (int c = 0; c < posiciones.size(); ++c)
            if (i + 1 >= posiciones[c].first && i + 1 < posiciones[c].first + posiciones[c].second)
                campo = c;
        if (campo >= 0)
            registro += QStringLiteral("<span style=\"background-color:%1\">%2</span>")
                            .arg(ColoresCampo[campo % 2].name(), escaparHtml(caracter));
        else
            registro += QStringLiteral("<span style=\"color:#b00000\">%1</span>").arg(escaparHtml(caracter));
    }
    m_linea->setText(QStringLiteral("<div style=\"white-space:pre\">") + escaparHtml(decenas) + QStringLiteral("<br>")
                     + escaparHtml(unidades) + QStringLiteral("<br>") + registro + QStringLiteral("<br><br>Línea ")
                     + QString::number(numero)
                     + QStringLiteral(" de la lista: ") + escaparHtml(cortado->linea) + QStringLiteral("</div>"));
}

void VentanaRevision::guardarAvisos()
{
    const QFileInfo lista(m_indice->ruta());
    const QString propuesto = lista.dir().filePath(lista.completeBaseName() + QStringLiteral("-avisos.csv"));
    const QString ruta = m_dialogo.MostrarGuardar(this, propuesto);
    if (ruta.isEmpty())
        return;
    Fallo fallo;
    if (m_indice->guardarAvisos(ruta, false, &fallo))
        return;
    if (fallo.que == Texto::YaExiste) {
        const Mensaje pregunta{QStringLiteral("El fichero %1 ya existe. ¿Desea reemplazarlo?").arg(ruta),
                               Estilo::PreguntaDudosa, TituloMensajes, {}, {}, false};
        if (m_mensajero.mostrar(pregunta) != Boton::Si || m_indice->guardarAvisos(ruta, true, &fallo))
            return;
    }
    m_mensajero.mostrar(crearMensaje(fallo));
}

void VentanaRevision::abrirCarpeta()
{
    m_abrirUrl(QUrl::fromLocalFile(QFileInfo(m_indice->ruta()).absolutePath()));
}

void VentanaRevision::copiarSeleccion()
{
    QList<int> filas;
    for (const QModelIndex &fila : m_tabla->selectionModel()->selectedRows())
        filas.append(fila.row());
    std::sort(filas.begin(), filas.end());
    if (!filas.isEmpty())
        QApplication::clipboard()->setText(m_modelo->copiar(filas));
}
