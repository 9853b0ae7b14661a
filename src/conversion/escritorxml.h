#pragma once

#include "tipoconsulta.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace torxal {

class Mensajes;

/// Where the document's bytes go. The real one replaces the target atomically on
/// `confirmar`; until then the target is untouched. Tests put failing ones in.
class Destino {
public:
    virtual ~Destino() = default;
    virtual bool abrir() = 0;
    virtual bool escribir(const char *datos, qsizetype longitud) = 0;
    /// Makes the written document the target file; false (and nothing replaced) on failure.
    virtual bool confirmar() = 0;
    /// Drops everything written; the target stays as it was.
    virtual void descartar() = 0;
    /// The system's reason for the last failure.
    virtual QString razon() const = 0;
};

using FabricaDestino = std::function<std::unique_ptr<Destino>(const QString &ruta)>;

/// A destination on a QSaveFile: a temporary file beside the target, renamed over it at the end.
std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta);

/// Writes the query document: header, one line per accepted record, closing tag.
/// Record lines are gathered in a buffer and handed on in large blocks.
class EscritorXML {
public:
    explicit EscritorXML(Mensajes &mensajes, FabricaDestino fabrica = crearDestinoFichero);
    ~EscritorXML();

    /// The date written in FEC; the current date when none is set.
    void setFecha(QDate fecha) { m_fecha = fecha; }

    /// Creates the document at `directorio` + `nombre` and writes its header. Sets `estado`
    /// to 0, or to 99 after showing the failure message.
    void CrearCabeceraXML(const QString &directorio, const QString &nombre, TipoConsulta tipo, int &estado);

    /// Each writes one record line, or nothing when a mandatory field is absent; true when written.
    bool EscribirRegistroNIF(std::u32string_view NIF, std::u32string_view APE, std::u32string_view PRO,
                             std::u32string_view MUN);
    bool EscribirRegistroRC(std::u32string_view RC, std::u32string_view PRO, std::u32string_view MUN);
    bool EscribirRegistroPP(std::u32string_view PRO, std::u32string_view MUN, std::u32string_view POL,
                            std::u32string_view PAR);

    /// The same for fields already in their document form (UTF-8, escaped, as
    /// `codificarValor` leaves them): they are copied as they are.
    bool EscribirRegistroNIF(std::string_view NIF, std::string_view APE, std::string_view PRO, std::string_view MUN);
    bool EscribirRegistroRC(std::string_view RC, std::string_view PRO, std::string_view MUN);
    bool EscribirRegistroPP(std::string_view PRO, std::string_view MUN, std::string_view POL, std::string_view PAR);

    /// Writes the closing line and makes the document the target file; false on failure.
    bool CerrarFicheroXML();

    /// Abandons the document: the target keeps whatever it held before.
    void descartar();

    /// True once a write has failed; `razon()` then says why. Later writes do nothing.
    bool fallo() const { return m_fallo; }
    const QString &razon() const { return m_razon; }

private:
    void escribirLinea(std::string_view linea);
    void reservarBytes(size_t bytes);
    std::string_view codificar(int campo, std::u32string_view valor);
    bool vaciar();

    Mensajes &m_mensajes;
    FabricaDestino m_fabrica;
    std::unique_ptr<Destino> m_destino;
    QDate m_fecha;
    QByteArray m_buffer;
    char *m_cursor = nullptr;
    bool m_fallo = false;
    QString m_razon;
    std::array<std::string, 4> m_codificados;
};

/// Writes a value in its document form at `destino` and returns the end: UTF-8, & < > as
/// entities, characters XML 1.0 forbids left out. Needs room for five bytes a character.
char *codificarValor(char *destino, std::u32string_view valor);

/// The namespace URI written on the root element.
QString espacioDeNombres();

} // namespace torxal
