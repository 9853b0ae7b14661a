// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include "mensajes.h"

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

} // namespace torxal
