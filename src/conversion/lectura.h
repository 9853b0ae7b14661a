#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <string>
#include <string_view>

class QIODevice;

namespace torxal {

enum class Codificacion { Windows1252, UTF8 };

/// The longest record, in characters as delimited, that the cleaning is made for.
inline constexpr qsizetype LongitudMaximaRegistro = 32767;

struct Deteccion {
    bool leido = false; // false when the device could not be read; `razon` says why
    Codificacion codificacion = Codificacion::Windows1252;
    QString razon;
};

/// Reads the whole device once, in blocks, to decide how to decode it: a UTF-8
/// byte-order mark or valid UTF-8 throughout means UTF-8, anything else Windows-1252.
/// Leaves the device at its start again.
Deteccion detectarCodificacion(QIODevice &entrada);

/// True when the bytes are valid UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool esUtf8Valido(std::string_view bytes);

/// Appends the characters of `bytes` to `destino`; invalid UTF-8 becomes U+FFFD,
/// one for each maximal ill-formed subpart.
void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino);

/// Streams the records of a list: a record ends at a comma or a line end (CR LF, LF or
/// CR); one whose first character is a double quote runs to the next quote on its line.
class LectorRegistros {
public:
    enum class Resultado { Registro, Fin, ErrorLectura, DemasiadoLargo };

    LectorRegistros(QIODevice &entrada, Codificacion codificacion);

    /// Reads the next record; on `Registro`, `registro()` holds it and `linea()` its line.
    Resultado leerRegistro();

    /// The record just read, decoded; valid until the next call.
    std::u32string &registro();
    /// The record just read as the file's bytes, when they are still at hand (an
    /// unquoted record); valid until the next call. Decoding is then left for `registro()`,
    /// so a caller that can work on the bytes never pays for it.
    bool hayBytes() const { return m_hayBytes; }
    std::string_view bytes() const { return m_bytes; }
    /// 1-based line of the file on which the record just read (or refused) starts.
    qint64 linea() const { return m_lineaRegistro; }
    /// The system's reason after `ErrorLectura`.
    const QString &razon() const { return m_razon; }

private:
    enum class Busqueda { Encontrado, FinDeFichero, DemasiadoLargo, Error };
    Busqueda buscar(char parada, qsizetype &inicio, qsizetype limite);
    bool rellenar(qsizetype &inicio);
    void consumirDelimitador();

    QIODevice *m_entrada;
    Codificacion m_codificacion;
    QByteArray m_bloque;
    qsizetype m_pos = 0;
    qsizetype m_fin = 0;
    bool m_agotado = false;
    bool m_empezado = false;
    bool m_saltarLF = false;
    qint64 m_linea = 1;
    qint64 m_lineaRegistro = 0;
    std::string_view m_bytes;
    bool m_hayBytes = false;
    bool m_decodificado = false;
    std::u32string m_registro;
    QString m_razon;
};

} // namespace torxal
