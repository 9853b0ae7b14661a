#pragma once

#include "lectura.h"
#include "tipoconsulta.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

namespace torxal {

struct Campos;

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
    Duplicado,
    RcIncluida,
    Coma,
    Tabulador,
    TextoSobrante,
    Codificacion,
};
inline constexpr int NumeroDeCodigos = int(CodigoAviso::Codificacion) + 1;

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

/// One warning: where it comes from (the physical line, as the skipped-record list counts
/// them), the field and its value as written, and what its text names. The views are
/// valid only during the call that hands the warning over.
struct Aviso {
    CodigoAviso codigo;
    qint64 linea = 0;
    QLatin1StringView campo;  // "NIF", "PRO"...; empty when the warning is about the record or its line
    std::string_view valor;   // UTF-8
    std::string_view detalle; // what the text names: an earlier line, the right control character...
};

/// The Spanish text of a warning.
QString textoDeAviso(const Aviso &aviso);

/// What a NIF as written (nine characters, spaces included) is: nothing to say, a shape
/// that is none of a DNI, an NIE or an entity's NIF, or a wrong control character.
/// `esperado` receives the right control character(s) in the last case.
std::optional<CodigoAviso> comprobarNIF(std::string_view nif, QString *esperado = nullptr);

/// The warnings of a cadastral reference as written, trimmed (UTF-8); `esperado`
/// receives the right check characters of a 20-character reference that has wrong ones.
QList<CodigoAviso> comprobarRC(std::string_view rc, QString *esperado = nullptr);

/// The two check characters of a 20-character reference, from its first 18.
QString calcularControlRC(std::u32string_view dieciocho);

/// Hears every warning as it is found.
class ReceptorAvisos {
public:
    virtual ~ReceptorAvisos() = default;
    virtual void recibirAviso(const Aviso &aviso) = 0;
};

/// Checks every record of a list as the run reads it, in order. The checks run on a
/// thread of their own, fed through a queue in the order of the list, so on a machine with
/// a second core they cost the conversion little time. The warnings reach the receptor on
/// that thread, in order; the counts are final once terminar() has returned.
class Comprobador {
public:
    Comprobador(TipoConsulta tipo, ReceptorAvisos &receptor);
    /// Without terminar(), the checks stop where they are: no more warnings.
    ~Comprobador();
    Comprobador(const Comprobador &) = delete;
    Comprobador &operator=(const Comprobador &) = delete;

    /// One record as read and cut; `escrito` when the writer wrote it. Only written records
    /// are checked, but every record counts for the line it comes from.
    void comprobarRegistro(const Campos &campos, bool escrito, qint64 linea, bool primeroDeSuLinea,
                           Codificacion codificacion, bool listaUtf8);
    /// The end of the list: the last line's warnings, and those that waited to know
    /// whether the list is UTF-8.
    void terminar(bool listaUtf8);

    /// Warnings found so far.
    qint64 avisos() const { return m_avisos; }
    /// Written records that carry at least one warning, their line's included.
    qint64 registrosConAvisos() const { return m_registrosConAvisos; }
    /// Written records whose identifier has the wrong shape, or that run past the last
    /// column: many of them suggest a list of another kind.
    qint64 registrosDeOtroTipo() const { return m_registrosDeOtroTipo; }

private:
    struct Pieza;
    struct Cola;
    struct Estado;
    struct Paso;
    void trabajar();
    void procesar(const Pieza &pieza);
    void avisar(CodigoAviso codigo, qint64 linea, QLatin1StringView campo, std::string_view valor,
                std::string_view detalle = {});
    void comprobarCampos(const Pieza &pieza, Paso &paso);
    void cerrarLinea(bool listaUtf8);
    void retirar(Paso &paso);
    void retirarRegistro(Paso &paso);
    void retirarFinDeLinea(Paso &paso);
    void acabar(bool completo, bool listaUtf8);

    TipoConsulta m_tipo;
    ReceptorAvisos &m_receptor;
    std::unique_ptr<Estado> m_estado; // the checks' thread's own
    std::unique_ptr<Cola> m_cola;
    qint64 m_noEnBlancoEnLinea = 0;   // the reading thread's: the second non-blank record of a line gives the comma's text
    qint64 m_avisos = 0;
    qint64 m_registrosConAvisos = 0;
    qint64 m_registrosDeOtroTipo = 0;
    std::thread m_hilo; // last: it starts once everything it uses is there
};

} // namespace torxal
