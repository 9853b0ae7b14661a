#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>
#include <string_view>

class QIODevice;

namespace torxal {

/// How one line of a list is decoded.
enum class Codificacion { Windows1252, UTF8 };

/// The longest record, in characters as delimited and normalised, that the cleaning is made for.
inline constexpr qsizetype LongitudMaximaRegistro = 32767;

/// What opening a list found.
enum class Apertura { Abierta, NoSeAbre, EsDirectorio, NoEsNormal };

/// Opens the list at `ruta` for reading, without ever blocking: a FIFO, a device or a
/// socket is refused, not read. On `NoSeAbre`, `razon` says why.
Apertura abrirEntrada(const QString &ruta, std::unique_ptr<QIODevice> *entrada, QString *razon);

/// True when the bytes are valid UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool esUtf8Valido(std::string_view bytes);

/// Appends the characters of `bytes` to `destino`; invalid UTF-8 becomes U+FFFD,
/// one for each maximal ill-formed subpart.
void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino);

/// Puts `texto` in Unicode normalisation form C, so a letter and its accent typed apart
/// count as the one character the user sees.
void normalizarNFC(std::u32string &texto);

/// Streams the records of a list. A record ends at a comma or a line end (CR LF, LF or
/// CR); one whose first character is a double quote runs to the next quote on its line.
/// Each line is decoded on its own: as UTF-8 when it is valid UTF-8, else as
/// Windows-1252; a list that starts with a UTF-16 byte-order mark is UTF-16 throughout.
class LectorRegistros {
public:
    enum class Resultado { Registro, Fin, ErrorLectura, DemasiadoLargo };

    explicit LectorRegistros(QIODevice &entrada);

    /// Reads the next record; on `Registro` the accessors below describe it.
    Resultado leerRegistro();

    /// 1-based line of the file on which the record just read (or refused) starts.
    qint64 linea() const { return m_lineaRegistro; }
    /// How the record's line is decoded; `bytes()` are in that encoding (UTF-16 lists
    /// reach them as UTF-8).
    Codificacion codificacion() const { return m_codificacionLinea; }
    /// The record as the file holds it; valid until the next call.
    std::string_view bytes() const { return m_bytes; }
    /// True for the first record of its line: the others followed a comma.
    bool primeroDeSuLinea() const { return m_primeroDeSuLinea; }
    /// True when every byte of the record's line is below 0x80.
    bool lineaAscii() const { return m_lineaAscii; }
    /// The record decoded and in normalisation form C; valid until the next call.
    std::u32string &texto();

    /// True once the list has shown itself to be UTF-8: a byte-order mark, UTF-16, or a
    /// well-formed multi-byte sequence anywhere so far.
    bool esListaUtf8() const { return m_listaUtf8; }
    /// The system's reason after `ErrorLectura`.
    const QString &razon() const { return m_razon; }

private:
    enum class Busqueda { Encontrado, FinDeFichero, DemasiadoLargo, Error };
    Busqueda buscar(char parada, qsizetype &inicio, qsizetype limite);
    bool rellenar(qsizetype &inicio);
    qint64 leerBloque(char *destino, qint64 maximo);
    qint64 leerUtf16(char *destino, qint64 maximo);
    bool empezar();
    bool decidirLinea();
    bool decidirLineaLarga(qsizetype hasta);
    void consumirDelimitador();

    QIODevice *m_entrada;
    QByteArray m_bloque;
    qsizetype m_pos = 0;
    qsizetype m_fin = 0;
    qint64 m_desplazamiento = 0; // where m_bloque[0] lies in the device
    bool m_agotado = false;
    bool m_empezado = false;
    bool m_saltarLF = false;
    bool m_inicioDeLinea = true;
    qint64 m_linea = 1;
    qint64 m_lineaRegistro = 0;

    int m_utf16 = 0; // 0: bytes as they are; 1: UTF-16 LE; 2: UTF-16 BE
    QByteArray m_crudo;
    char16_t m_alto = 0;      // a high surrogate waiting for its pair
    int m_byteSuelto = -1;    // the first byte of a unit split between two reads

    Codificacion m_codificacionLinea = Codificacion::UTF8;
    bool m_lineaAscii = true;
    qsizetype m_finPrimerRegistro = -1; // where the line's first record ends in the block, when known
    bool m_listaUtf8 = false;
    bool m_primeroDeSuLinea = true;
    std::string_view m_bytes;
    std::string m_copia;
    bool m_decodificado = false;
    std::u32string m_texto;
    QString m_razon;
};

} // namespace torxal
