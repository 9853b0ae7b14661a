// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"
#include "tabla.h"

#include <QIODevice>
#include <QString>
#include <QXmlStreamReader>

#include <memory>

class QuaZip;
class QuaZipFile;

namespace torxal {

/// What one part of a workbook may inflate to. The size is counted while reading, never
/// taken from the archive's headers; the ratio is held once a part is past a size no
/// sheet of a list reaches without real content.
inline constexpr qint64 MaximoParteDescomprimida = qint64(1) << 30;
inline constexpr qint64 RazonCompresionMaxima = 100;
inline constexpr qint64 DescomprimidoSinRazon = qint64(16) << 20;

/// A zip archive read from the list's device, which stays open and is not owned.
class ArchivoZip {
public:
    explicit ArchivoZip(QIODevice &dispositivo);
    ~ArchivoZip();
    ArchivoZip(const ArchivoZip &) = delete;
    ArchivoZip &operator=(const ArchivoZip &) = delete;

    /// Reads the archive's directory; fails with ZipIlegible.
    bool abrir(Fallo *fallo);
    bool contiene(const QString &nombre);
    /// The whole of a small part (at most `maximo` bytes), for the mimetype entry.
    QByteArray leerPequena(const QString &nombre, qint64 maximo);

    QuaZip &zip() { return *m_zip; }

private:
    QIODevice &m_dispositivo;
    std::unique_ptr<QuaZip> m_zip;
};

/// One part of the archive streamed through an XML reader, inflated bytes counted.
/// A part with a document type declaration is refused before anything in it is read,
/// so no entity is ever declared, let alone expanded.
class ParteXml {
public:
    ParteXml();
    ~ParteXml();
    ParteXml(const ParteXml &) = delete;
    ParteXml &operator=(const ParteXml &) = delete;

    /// Opens `nombre` and reads up to its root element, which is then the current token.
    bool abrir(ArchivoZip &archivo, const QString &nombre, Fallo *fallo);
    QXmlStreamReader &xml() { return m_xml; }
    const QString &nombre() const { return m_nombre; }

    /// After the reader stopped with an error: the failure that tells why (a damaged or
    /// oversized part, or XML that is not well formed).
    bool fallarPorError(Fallo *fallo);
    /// Once the part's content is read: reads what is left of it and checks its CRC.
    bool terminar(Fallo *fallo);

private:
    class Entrada;
    std::unique_ptr<QuaZipFile> m_fichero;
    std::unique_ptr<Entrada> m_entrada;
    QXmlStreamReader m_xml;
    QString m_nombre;
};

/// Whether the reader stands on the element `nombre` (its local name).
inline bool es(const QXmlStreamReader &xml, QStringView nombre)
{
    return xml.name() == nombre;
}

/// What the XLSX and ODS readers share: the workbook's archive, the part being streamed,
/// and the chosen sheet's name and progress. Each reader adds only its format.
class LectorLibro : public LectorTabla {
public:
    explicit LectorLibro(QIODevice &lista);
    ~LectorLibro() override;

    /// Finds the sheet named `hoja` (a sheet of that name, else the `hoja`-th when it is a
    /// number from 1; the first when empty) and stands before its rows.
    virtual bool abrir(const QString &hoja, Fallo *fallo) = 0;

protected:
    /// The sheet's rows are over: true when the part read well and gave a row; otherwise
    /// false, with the failure (a damaged part, a sheet with nothing in it).
    bool acabarFilas(Fallo *fallo);

    ArchivoZip m_archivo;
    ParteXml m_parte;
    QString m_nombreHoja;
    bool m_algunaFila = false;
    bool m_terminado = false;
};

/// `lector` once it stands before the rows of `hoja`; none when it cannot (`fallo` says why).
std::unique_ptr<LectorTabla> abrirLibro(std::unique_ptr<LectorLibro> lector, const QString &hoja, Fallo *fallo);

} // namespace torxal
