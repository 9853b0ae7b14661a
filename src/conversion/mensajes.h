// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <span>

class QCoreApplication;

namespace torxal {

// Message box styles and the buttons the user can press, numbered as the service's
// original desktop tool numbered them; the window and the command line map them.
// The styles this program adds keep the same numbering: a warning icon (48), and questions
// whose default is No (+256) or that offer a third way out (Yes, No and Cancel: 3).
enum class Estilo { Critico = 16, Informacion = 64, Pregunta = 68, Advertencia = 48, PreguntaDudosa = 308,
                    PreguntaTresSalidas = 35 };
enum class Boton { Aceptar = 1, Cancelar = 2, Si = 6, No = 7 };

/// A style that asks rather than tells.
constexpr bool esPregunta(Estilo estilo)
{
    return estilo == Estilo::Pregunta || estilo == Estilo::PreguntaDudosa || estilo == Estilo::PreguntaTresSalidas;
}

/// The title of every message box.
extern const QString TituloMensajes;

/// Every text the engine says, defined once in the table of mensajes.cpp.
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
    EntradaNoNormal,
    EntradaSinCarpeta,
    NombreNoUtf8,
    NoLeeEntrada,
    NoEscribeSalida,
    RegistroLargo,
    RegistroNoCabe,
    CabeceraNoCabe,
    SalidaEsEnlace,
    SalidaNoNormal,
    SalidaDeOtraLista,
    NoCreadoPorAvisos,
    NoCreadoPorUnAviso,
    NoSeEscribeInforme,
    InformeEsLaLista,
    InformeEsEnlace,
    InformeNoNormal,
    AjusteNoValido,
    AjustesIlegibles,
    // The reasons beneath a message that are ours, not the system's.
    MotivoEsDirectorio,
    // The lines beneath the success message, and their pieces.
    ResumenEscritos,
    ResumenNoEscritos,
    ResumenOmitidos,
    ResumenConAvisos,
    ResumenAviso,
    ResumenCompruebeTipo,
    ResumenPareceOtroTipo,
    ResumenLimite,
    ResumenSinLimite,
    ResumenConvieneDividir,
    VeredictoRevise,
    VeredictoConAvisos,
    VeredictoConAvisosUno,
    VeredictoOmitidos,
    VeredictoOmitidosUno,
    VeredictoOmitidosDe,
    VeredictoOmitidosDeUno,
    CuentaRegistros,
    CuentaRegistroUno,
    Y,
    PreguntaOtroTipo,
    PreguntaOtroTipoParece,
    PreguntaSinRegistros,
    PreguntaDividir,
    PreguntaRecordar,
    BotonDividir,
    BotonUnSoloFichero,
    BotonCancelar,
    NombreTipoNIF,
    NombreTipoRC,
    NombreTipoPP,
    ObligatoriosNIF,
    ObligatoriosRC,
    ObligatoriosPP,
    TamanoKB,
    ProvinciaConNombre,
    ProvinciaAlava,
    ProvinciaGipuzkoa,
    ProvinciaNavarra,
    ProvinciaBizkaia,
    TamanoMB,
    NoSeGuardanAjustes,
    ResumenPartes,
    ResumenParte,
    ResumenParteUnRegistro,
    ResumenRestos,
    ResumenUtf16SinMarca,
    LineasUna,
    LineasVarias,
    LineasYMas,
    Separador,
    ControlDigitoOLetra,
    // One warning behind the details button, with the field it is about or about the record.
    // What is wrong with a setting or a settings file.
    AjusteVacio,
    AjusteConEspacio,
    AjusteConControl,
    AjusteConBlanco,
    AjusteConCaracter,
    AjusteNoXml,
    AjusteNoAscii,
    AjusteSinEsquema,
    AjusteEsquemaSinLetra,
    AjusteEsquemaCaracteres,
    AjusteNadaTrasEsquema,
    AjusteUriNoValida,
    AjustePorcentaje,
    AjusteCorcheteAbierto,
    AjusteFormatoFecha,
    AjusteNoEsNumero,
    AjusteDemasiadoGrande,
    AjusteComentario,
    AjusteEsLista,
    AjusteNoEsTexto,
    AjustesSinFormatoIni,
    AjustesEsCarpeta,
    AjustesNoNormal,
    AjustesDemasiadoGrandes,
    AjustesClaveDesconocida,
    // Lists given as tables (CSV, XLSX, ODS): their columns, their cells and what stops them.
    DelCampoNIF,
    DelCampoAPE,
    DelCampoRC,
    DelCampoPRO,
    DelCampoMUN,
    DelCampoPOL,
    DelCampoPAR,
    CabeceraSinColumna,
    CabeceraNombresBuscados,
    CabeceraColumnaDosVeces,
    ColumnasNoSeEntiende,
    ColumnasCampoAjeno,
    ColumnasColumnaNoValida,
    ColumnasUnaSola,
    ColumnasCampoRepetido,
    ColumnasColumnaRepetida,
    ColumnasFaltaCampo,
    ResumenColumnas,
    ResumenColumnasCampo,
    ResumenColumnasNombres,
    NombreDeColumna,
    CeldaDeFila,
    CeldaVerdadero,
    CeldaFalso,
    TablaVacia,
    TablaNoSeLee,
    RazonDeLectura,
    CsvComillaAbierta,
    CsvFilaLarga,
    CeldaLarga,
    ZipIlegible,
    ZipNoEsHoja,
    ParteIlegible,
    ParteXmlNoValido,
    ParteConDtd,
    ParteDemasiadoGrande,
    ParteCompresionAnomala,
    TextosCompartidosExcesivos,
    TextoCompartidoInexistente,
    LibroCifrado,
    LibroXls,
    CfbNoEsHoja,
    LibroSinHojas,
    HojaNoExiste,
    HojaVacia,
    CeldaCortada,
    DuplicadoFila,
    RcIncluidaFila,
    FilasUna,
    FilasVarias,
};

/// The words the files themselves carry: the document's FIN line for each kind, the
/// report's header row, and the names of the settings file's sections and keys.
enum class Palabra {
    FinNIF,
    FinRC,
    FinPP,
    CabeceraInforme,
    CabeceraInformeFilas,
    SeccionDocumento,
    SeccionBloqueado,
    ClaveEspacioDeNombres,
    ClaveFormatoFecha,
    ClaveTamanoMaximoKb,
    ClaveTamanoAvisoKb,
};
/// The word in UTF-8.
const char *palabra(Palabra cual);

/// What a table's column holds, as its header names it. The pieces of APE are kept apart
/// so they can be joined in the service's order, surnames first.
enum class RolColumna { NIF, ApeCompleto, ApeNombrePrimero, Apellidos, Apellido1, Apellido2, Nombre, PRO, MUN, INE, RC,
                        POL, PAR };

/// One name a table's header may give a column.
struct NombreConocido {
    const char16_t *nombre;
    RolColumna rol;
};
/// Every header name the program knows, in the order a message lists them.
std::span<const NombreConocido> nombresConocidos();

/// What a text is for: the help page explains the messages, the summary and the warnings.
enum class Clase { DeCuadro, DeResumen, DeMotivo };

/// One entry of the table: the text with %1, %2... where the run puts paths and numbers.
struct Plantilla {
    Texto id;
    Estilo estilo; // for the lines of a summary, the style of the box they go into
    Clase clase;
    const char16_t *texto;
};

/// The whole table, for the help page's test and anyone who lists the program's texts.
std::span<const Plantilla> plantillas();
/// The entry of `id`.
const Plantilla &plantillaDe(Texto id);

/// The text of `id` with its arguments in place; an argument may hold "%1" itself.
QString textoDe(Texto id, const QStringList &argumentos = {});

/// A count as Spanish writes it: "7", "1000", "12.345", "1.000.000".
QString numeroEnEspanol(qint64 numero);

/// A size in bytes as a reader takes it in: "450 KB", "1,3 MB".
QString tamanoEnEspanol(qint64 bytes);

/// "(línea 7)", "(líneas 3, 7 y 12 más)": the first lines of something that happened on
/// `total` distinct lines, as every summary line lists them.
QString textoLineas(const QList<qint64> &primeras, qint64 total, bool filas = false);

/// What the checks can find in a written record. They never change the document.
enum class CodigoAviso : quint8 {
    NifForma,
    NifControl,
    RcForma,
    RcLongitud,
    RcControl,
    ProNoNumerico,
    ProInexistente,
    ProSinServicio,
    MunNoNumerico,
    PolNoNumerico,
    ParNoNumerico,
    Invisible,
    Duplicado,
    RcIncluida,
    Coma,
    Tabulador,
    TextoSobrante,
    Codificacion,
    // A table's cells.
    CeldaError,
    CeldaSinResultado,
    CeldaFecha,
    CeldaDecimal,
    NombrePrimero,
};
inline constexpr int NumeroDeCodigos = int(CodigoAviso::NombrePrimero) + 1;

/// One code: its stable name in reports, how the summary names what it found, and the
/// text of one warning (with %1 where it names a value or an earlier line).
struct DescripcionAviso {
    CodigoAviso codigo;
    const char *clave;
    const char16_t *resumen;
    const char16_t *texto;
};

/// Every code, in the order the summary lists them.
std::span<const DescripcionAviso> descripcionesAvisos();
const DescripcionAviso &describir(CodigoAviso codigo);

/// One message to the user. `detalle` holds the lines shown beneath the main text
/// (the system's reason for a failure, the record summary).
struct Mensaje {
    QString texto;
    Estilo estilo = Estilo::Informacion;
    QString titulo = TituloMensajes;
    QString detalle;
    QStringList botones; // the words of its buttons, in the order Yes, No, Cancel, when not the usual ones
    bool revisar = false; // a run's outcome with warnings or omitted records: its list is worth reviewing
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
    QString razon; // the system's reason as a device worded it, when only its text is known
};

/// Fills `fallo` (when given) and returns false, so a step can end with `return fallar(...)`.
bool fallar(Fallo *fallo, Texto que, const QStringList &argumentos = {}, int error = 0);
/// The same with a reason of ours instead of the system's.
bool fallarPorMotivo(Fallo *fallo, Texto que, const QStringList &argumentos, Texto motivo,
                     const QStringList &argumentosMotivo = {});

/// The same with the system's reason as a device gave it, in words.
bool fallarPorRazon(Fallo *fallo, Texto que, const QStringList &argumentos, const QString &razon);

/// The reason beneath a failure's message: the system's or ours; empty when it has none.
QString textoMotivo(const Fallo &fallo);

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

/// The system's reason for `error` (an errno value, or a Windows code negated) in Spanish,
/// whatever the process's locale; values without a text of ours fall back to the system's own.
QString razonDelSistema(int error);

/// Loads Qt's own Spanish catalogue, so what Qt itself says (its dialogs) is Spanish
/// whatever the system's language. False when missing.
bool instalarCatalogoQt(QCoreApplication &aplicacion);

} // namespace torxal
