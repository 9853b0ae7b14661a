// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "frm_crear_mixto_xml.h"

#include "ajustes.h"
#include "conversor.h"
#include "cuadromensajes.h"
#include "dialogoabrir.h"
#include "dialogocolumnas.h"
#include "estado.h"
#include "imagenes.h"
#include "indicelista.h"
#include "revision.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>

// The pictures and the help are compiled into this library; a static library's resources
// must be registered by hand before their first use.
static void registrarRecursos()
{
    Q_INIT_RESOURCE(recursos);
}

namespace {

// The one local file a drag carries, or nothing: several files, a folder or a remote
// address are not a list to convert.
QString ficheroArrastrado(const QMimeData *datos)
{
    if (!datos || !datos->hasUrls() || datos->urls().size() != 1 || !datos->urls().constFirst().isLocalFile())
        return {};
    const QString ruta = datos->urls().constFirst().toLocalFile();
    return QFileInfo(ruta).isDir() ? QString() : ruta;
}

const QColor ColorFondo(244, 244, 244);
const QSize TamanoImagenBoton(32, 28);

// Restores the cursor however the run ends.
class CursorEspera {
public:
    CursorEspera() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursorEspera() { QApplication::restoreOverrideCursor(); }
    CursorEspera(const CursorEspera &) = delete;
    CursorEspera &operator=(const CursorEspera &) = delete;
};

template<typename Control>
Control *colocar(Control *control, const char *nombre, const QRect &rectangulo)
{
    control->setObjectName(QLatin1String(nombre));
    control->setGeometry(rectangulo);
    return control;
}

QPushButton *crearBotonImagen(QWidget *padre, const char *nombre, const QRect &rectangulo, const char *imagen,
                              const QString &ayuda)
{
    auto *boton = colocar(new QPushButton(padre), nombre, rectangulo);
    boton->setIcon(crearIcono(imagen));
    boton->setIconSize(TamanoImagenBoton);
    boton->setToolTip(ayuda);
    // Without text the tooltip is the button's name, also for screen readers.
    boton->setAccessibleName(ayuda);
    return boton;
}

} // namespace

Frm_Crear_Mixto_XML::Frm_Crear_Mixto_XML(torxal::Mensajero *mensajero, DialogoAbrir *dialogo, QWidget *padre,
                                         ElectorColumnas *elector)
    : QDialog(padre, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_cuadroMensajes(mensajero ? nullptr : std::make_unique<CuadroMensajes>(this)),
      m_dialogoPropio(dialogo ? nullptr : std::make_unique<DialogoAbrirQt>()),
      m_ComDlgAbrir(dialogo ? dialogo : m_dialogoPropio.get()),
      m_electorPropio(elector ? nullptr : std::make_unique<ElectorColumnasQt>()),
      m_elector(elector ? elector : m_electorPropio.get()),
      m_mensajero(mensajero ? *mensajero : *m_cuadroMensajes)
{
    registrarRecursos();
    m_banner = crearBanner(devicePixelRatioF());
    setObjectName(QStringLiteral("Frm_Crear_Mixto_XML"));
    setWindowTitle(QStringLiteral("TORXAL.exe v 2.0"));
    setWindowIcon(crearIcono("torxal"));
    setFixedSize(418, 217);
    setSizeGripEnabled(false);
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, ColorFondo);
    setPalette(paleta);
    setAutoFillBackground(true);
    crearControles();
    ajustarLetra();
    // Fusion draws the box from a picture that greys its inside; only the line is wanted,
    // the window's colour showing through. Set once the letter is chosen, which it keeps.
    m_Frame1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    m_Text1->setFocus();
    if (m_cuadroMensajes)
        m_cuadroMensajes->setRevisar([this] { revisarLista(m_ultimaLista, m_ultimoTipo); });
    // Placed here, or QDialog would centre it on a guessed frame size that can be far off.
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
}

Frm_Crear_Mixto_XML::~Frm_Crear_Mixto_XML() = default;

void Frm_Crear_Mixto_XML::crearControles()
{
    // The frame first, so the option buttons, which belong to the window, lie on top of it.
    m_Frame1 = colocar(new QGroupBox(QStringLiteral("Indique tipo de consulta"), this), "Frame1",
                       QRect(16, 104, 209, 81));
    m_Frame1->setFocusPolicy(Qt::NoFocus);

    m_Label1 = colocar(new QLabel(QStringLiteral("Fichero"), this), "Label1", QRect(16, 40, 119, 16));
    m_Label1->setTextFormat(Qt::PlainText);
    m_Text1 = colocar(new QLineEdit(this), "Text1", QRect(16, 64, 313, 25));
    // A file dropped on the text box is a list for the window, not text to insert.
    m_Text1->setAcceptDrops(false);
    setAcceptDrops(true);
    m_Command1 = colocar(new QPushButton(QStringLiteral("..."), this), "Command1", QRect(336, 64, 21, 23));
    m_Command1->setToolTip(QStringLiteral("Buscar fichero"));

    m_Rdb_Nif = colocar(new QRadioButton(QStringLiteral("NIF-Apellidos y Nombre"), this), "Rdb_Nif",
                        QRect(24, 128, 145, 17));
    m_Rdb_RC = colocar(new QRadioButton(QStringLiteral("Referencia Catastral"), this), "Rdb_RC",
                       QRect(24, 144, 121, 17));
    m_Rdb_PP = colocar(new QRadioButton(QStringLiteral("Polígono y parcela"), this), "Rdb_PP",
                       QRect(24, 160, 121, 17));
    m_Rdb_Nif->setChecked(true);

    m_cmdExtract1 = crearBotonImagen(this, "cmdExtract1", QRect(368, 112, 35, 39),
                                     "generar", QStringLiteral("Generar fichero"));
    m_cmdClose = crearBotonImagen(this, "cmdClose", QRect(368, 160, 35, 39), "salir",
                                  QStringLiteral("Salir"));
    m_cmdAyuda = crearBotonImagen(this, "cmdAyuda", QRect(368, 64, 33, 39), "ayuda",
                                  QStringLiteral("Ayuda"));
    m_cmdExtract1->setDefault(true);

    // Help and generate wear the desktop's window colour, exit plain white.
    const QColor caraSistema = QApplication::palette().color(QPalette::Window);
    for (auto [boton, cara] : {std::pair{m_cmdAyuda, caraSistema}, std::pair{m_cmdExtract1, caraSistema},
                               std::pair{m_cmdClose, QColor(Qt::white)}}) {
        QPalette paleta = boton->palette();
        paleta.setColor(QPalette::Button, cara);
        boton->setPalette(paleta);
    }

    setTabOrder(m_Text1, m_Command1);
    setTabOrder(m_Command1, m_Rdb_Nif);
    setTabOrder(m_Rdb_Nif, m_Rdb_RC);
    setTabOrder(m_Rdb_RC, m_Rdb_PP);
    setTabOrder(m_Rdb_PP, m_cmdExtract1);
    setTabOrder(m_cmdExtract1, m_cmdClose);
    setTabOrder(m_cmdClose, m_cmdAyuda);

    // Esc belongs to the exit button, as Enter belongs to the default one.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_cmdClose, &QAbstractButton::click);
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, m_cmdAyuda, &QAbstractButton::click);

    connect(m_Command1, &QPushButton::clicked, this, &Frm_Crear_Mixto_XML::Command1_Click);
    connect(m_cmdExtract1, &QPushButton::clicked, this, &Frm_Crear_Mixto_XML::cmdExtract1_Click);
    connect(m_cmdAyuda, &QPushButton::clicked, this, &Frm_Crear_Mixto_XML::cmdAyuda_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &Frm_Crear_Mixto_XML::cmdClose_Click);
}

void Frm_Crear_Mixto_XML::ajustarLetra()
{
    // The places were laid out for a small 8-point dialog font, and desktop fonts run wider:
    // the desktop's family is kept, its size lowered until every text fits its place.
    const auto cabenTextos = [this] {
        for (QWidget *control : {static_cast<QWidget *>(m_Label1), static_cast<QWidget *>(m_Rdb_Nif),
                                 static_cast<QWidget *>(m_Rdb_RC), static_cast<QWidget *>(m_Rdb_PP)})
            if (control->sizeHint().width() > control->width())
                return false;
        return m_Frame1->fontMetrics().horizontalAdvance(m_Frame1->title()) + 16 <= m_Frame1->width();
    };
    QFont letra = font();
    while (!cabenTextos() && letra.pointSizeF() > 7.0) {
        letra.setPointSizeF(letra.pointSizeF() - 0.5);
        setFont(letra);
    }
}

void Frm_Crear_Mixto_XML::paintEvent(QPaintEvent *evento)
{
    QDialog::paintEvent(evento);
    // At its own size and no larger: the window is 4 pixels narrower, which cuts its right edge.
    QPainter pintor(this);
    pintor.drawImage(QPointF(0, 0), m_banner);
}

bool Frm_Crear_Mixto_XML::focusNextPrevChild(bool siguiente)
{
    if (!QDialog::focusNextPrevChild(siguiente))
        return false;
    // Qt enters the option group at its first button; desktops enter it at the marked one.
    if (auto *opcion = qobject_cast<QRadioButton *>(focusWidget()); opcion && !opcion->isChecked()) {
        for (QRadioButton *marcada : {m_Rdb_Nif, m_Rdb_RC, m_Rdb_PP})
            if (marcada->isChecked())
                marcada->setFocus(siguiente ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    }
    return true;
}

void Frm_Crear_Mixto_XML::Command1_Click()
{
    m_ComDlgAbrir->setNombreFichero(QString());
    m_ComDlgAbrir->setExtensionPredeterminada(QStringLiteral("TXT"));
    // Qt's own dialog matches patterns regardless of case, so lists named .TXT show too.
    m_ComDlgAbrir->setFiltro(QStringLiteral("Archivos de texto (*.txt);;Hojas de cálculo y CSV (*.csv *.xlsx *.ods);;"
                                            "Todos los ficheros (*)"));
    // The clerk keeps the lists in one folder: the dialog starts where the last one was.
    m_ComDlgAbrir->setCarpeta(leerUltimaCarpeta());
    m_ComDlgAbrir->MostrarAbrir(this);
    if (m_ComDlgAbrir->nombreFichero().isEmpty())
        return;
    m_Text1->setText(m_ComDlgAbrir->nombreFichero());
    guardarUltimaCarpeta(QFileInfo(m_ComDlgAbrir->nombreFichero()).absolutePath());
    // Enter now generates; left on the browse button it would open the dialog again.
    m_cmdExtract1->setFocus(Qt::OtherFocusReason);
}

void Frm_Crear_Mixto_XML::elegirFichero(const QString &ruta)
{
    m_ComDlgAbrir->setNombreFichero(ruta);
    m_Text1->setText(ruta);
}

void Frm_Crear_Mixto_XML::dragEnterEvent(QDragEnterEvent *evento)
{
    if (!ficheroArrastrado(evento->mimeData()).isEmpty())
        evento->acceptProposedAction();
    else
        evento->ignore();
}

void Frm_Crear_Mixto_XML::dragMoveEvent(QDragMoveEvent *evento)
{
    if (!ficheroArrastrado(evento->mimeData()).isEmpty())
        evento->acceptProposedAction();
    else
        evento->ignore();
}

void Frm_Crear_Mixto_XML::dropEvent(QDropEvent *evento)
{
    const QString ruta = ficheroArrastrado(evento->mimeData());
    if (ruta.isEmpty()) {
        evento->ignore();
        return;
    }
    evento->acceptProposedAction();
    elegirFichero(ruta);
}

void Frm_Crear_Mixto_XML::cmdExtract1_Click()
{
    torxal::TipoConsulta tipo = torxal::TipoConsulta::PP;
    if (m_Rdb_Nif->isChecked())
        tipo = torxal::TipoConsulta::NIF;
    else if (m_Rdb_RC->isChecked())
        tipo = torxal::TipoConsulta::RC;
    const CursorEspera espera;
    // The settings are deployment configuration, read afresh at every run; notes about
    // keys this version does not know are for the command line, not for the window.
    torxal::Ajustes ajustes;
    torxal::Fallo error;
    if (!torxal::cargarAjustes(&ajustes, {}, nullptr, &error)) {
        m_mensajero.mostrar(torxal::crearMensaje(error));
        return;
    }
    torxal::OpcionesConversion opciones;
    opciones.documento = torxal::opcionesDocumento(ajustes);
    opciones.preguntarSiDudosa = true;
    m_ultimaLista = m_Text1->text().trimmed();
    m_ultimoTipo = tipo;
    m_ultimaEleccion.reset();
    // Each press is a call of its own: outputs of earlier presses may be written again.
    torxal::Conversor conversor(m_mensajero);
    conversor.setOpciones(opciones);
    // A table whose header says too little: its columns are asked for over its first rows.
    conversor.setElegirColumnas([this](const QList<torxal::FilaTabla> &filas, torxal::TipoConsulta tipoTabla,
                                       const torxal::Fallo &motivo, torxal::EleccionColumnas *eleccion) {
        if (!m_elector->elegirRecordando(this, filas, tipoTabla, torxal::crearMensaje(motivo).texto, eleccion))
            return false;
        m_ultimaEleccion = *eleccion;
        return true;
    });
    // The path the box shows is the one converted, typed or browsed, without the spaces a paste brings.
    conversor.GenerarFicheroXML(m_Text1->text().trimmed(), tipo);
}

VentanaRevision *Frm_Crear_Mixto_XML::revisarLista(const QString &ruta, torxal::TipoConsulta tipo)
{
    auto indice = std::make_unique<torxal::IndiceLista>();
    // The last run's list is read with the columns chosen for it, as the run read it.
    if (m_ultimaEleccion && ruta == m_ultimaLista && tipo == m_ultimoTipo)
        indice->setEleccion(*m_ultimaEleccion);
    torxal::Fallo fallo;
    {
        const CursorEspera espera;
        if (!indice->construir(ruta, tipo, &fallo))
            indice.reset();
    }
    if (!indice) {
        m_mensajero.mostrar(torxal::crearMensaje(fallo));
        return nullptr;
    }
    auto *revision = new VentanaRevision(std::move(indice), m_mensajero, *m_ComDlgAbrir, this);
    revision->show();
    return revision;
}

void Frm_Crear_Mixto_XML::cmdAyuda_Click()
{
    if (!m_ayuda) {
        m_ayuda = new QTextBrowser(this);
        m_ayuda->setObjectName(QStringLiteral("Ayuda"));
        m_ayuda->setWindowFlags(Qt::Window);
        m_ayuda->setWindowTitle(QStringLiteral("Ayuda de TORXAL"));
        m_ayuda->setOpenExternalLinks(true);
        m_ayuda->setSource(QUrl(QStringLiteral("qrc:/ayuda/ayuda.html")));
        m_ayuda->resize(640, 540);
        for (const QKeySequence &tecla : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
            auto *cerrar = new QShortcut(tecla, m_ayuda);
            connect(cerrar, &QShortcut::activated, m_ayuda, &QWidget::close);
        }
    }
    if (!m_ayuda->isVisible()) {
        // Over the window that asked for it, kept on the screen when it is the larger.
        QRect lugar = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, m_ayuda->size(), geometry());
        const QRect pantalla = screen()->availableGeometry();
        lugar.moveLeft(qBound(pantalla.left(), lugar.left(), qMax(pantalla.left(), pantalla.right() - lugar.width())));
        lugar.moveTop(qBound(pantalla.top(), lugar.top(), qMax(pantalla.top(), pantalla.bottom() - lugar.height())));
        m_ayuda->setGeometry(lugar);
    }
    m_ayuda->show();
    m_ayuda->raise();
    m_ayuda->activateWindow();
}

void Frm_Crear_Mixto_XML::cmdClose_Click()
{
    close();
    QApplication::quit();
}
