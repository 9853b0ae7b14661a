#pragma once

#include <QString>
#include <QStringList>

#include <span>

class QCoreApplication;

namespace torxal {

// Message box styles and the buttons the user can press, numbered as the service's
// original desktop tool numbered them; the window and the command line map them.
enum class Estilo { Critico = 16, Informacion = 64, Pregunta = 68 };
enum class Boton { Aceptar = 1, Si = 6, No = 7 };

inline const QString TituloMensajes = QStringLiteral("Crear fichero proceso por lotes");

/// Every text the program says, defined once in the table of mensajes.cpp.
enum class Texto {
    Ninguno, // no text: a failure value that holds no failure
    // What a run tells the user, one message box each.
    FicheroObligatorio,
    MismoFichero,
    PreguntaSobrescribir,
    PreguntaSobrescribirUnaParte,
    PreguntaSobrescribirPartes,
    EntradaVacia,
    YaExiste,
    NoSeCrea,
    Creado,
    CreadasPartes,
    NoAbreEntrada,
    EntradaEsDirectorio,
    EntradaNoNormal,
    NoLeeEntrada,
    NoEscribeSalida,
    RegistroLargo,
    RegistroNoCabe,
    SalidaEsEnlace,
    SalidaNoNormal,
    SalidaDeOtraLista,
    NoCreadoPorAvisos,
    NoCreadoPorUnAviso,
    NoSeEscribeInforme,
    InformeEsLaLista,
    AjusteNoValido,
    AjustesIlegibles,
    // The lines beneath the success message.
    ResumenEscritos,
    ResumenOmitidos,
    ResumenWindows1252,
    ResumenConAvisos,
    ResumenCompruebeTipo,
    ResumenPartes,
    ResumenParte,
    ResumenRestos,
    ResumenMasAvisos,
    ResumenUnaLinea,
    ResumenVariasLineas,
    ResumenYMas,
    // One warning behind the details button, with the field it is about or about the record.
    DetalleAvisoCampo,
    DetalleAvisoRegistro,
};

/// One entry of the table: the text with %1, %2... where the run puts paths and numbers.
struct Plantilla {
    Texto id;
    Estilo estilo; // for the lines of a summary, the style of the box they go into
    const char16_t *texto;
};

/// The whole table, for the help page's test and anyone who lists the program's texts.
std::span<const Plantilla> plantillas();

/// The text of `id` with its arguments in place; an argument may hold "%1" itself.
QString textoDe(Texto id, const QStringList &argumentos = {});

/// One message to the user. `detalle` holds the lines shown beneath the main text
/// (the system's reason for a failure, the record summary); `ampliado` what a box keeps
/// behind its "details" button (every warning of the checks).
struct Mensaje {
    QString texto;
    Estilo estilo = Estilo::Informacion;
    QString titulo = TituloMensajes;
    QString detalle;
    QString ampliado;
};

/// The message of `id` in the style the table gives it.
Mensaje crearMensaje(Texto id, const QStringList &argumentos = {}, const QString &detalle = {});

/// What a fallible step could not do, for the run to word once: the message that tells it,
/// what that message names (paths, lines, keys), and the reason beneath it, either the
/// system's (an errno value) or one of ours from the table with its own arguments.
struct Fallo {
    Texto que = Texto::Ninguno;
    QStringList argumentos;
    int error = 0;
    Texto motivo = Texto::Ninguno;
    QStringList argumentosMotivo;
};

/// Fills `fallo` (when given) and returns false, so a step can end with `return fallar(...)`.
bool fallar(Fallo *fallo, Texto que, const QStringList &argumentos = {}, int error = 0);
/// The same with a reason of ours instead of the system's.
bool fallarPorMotivo(Fallo *fallo, Texto que, const QStringList &argumentos, Texto motivo,
                     const QStringList &argumentosMotivo = {});

/// The message that tells the user of `fallo`, its reason beneath.
Mensaje crearMensaje(const Fallo &fallo);

/// The seam through which every message reaches the user: a modal message box in the
/// window, standard output and error on the command line, a script in the tests.
class Mensajero {
public:
    virtual ~Mensajero() = default;
    /// Shows the message and returns the button pressed.
    virtual Boton mostrar(const Mensaje &mensaje) = 0;
};

/// The system's reason for `error` (an errno value) in Spanish, whatever the process's
/// locale; values without a text of ours fall back to the system's own.
QString razonDelSistema(int error);

/// Loads Qt's own Spanish catalogue, so what Qt itself says (its dialogs) is Spanish
/// whatever the system's language. False when missing.
bool instalarCatalogoQt(QCoreApplication &aplicacion);

} // namespace torxal
