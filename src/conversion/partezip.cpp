// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "partezip.h"

#include <quazip.h>
#include <quazipfile.h>

namespace torxal {

ArchivoZip::ArchivoZip(QIODevice &dispositivo)
    : m_dispositivo(dispositivo)
    , m_zip(std::make_unique<QuaZip>(&dispositivo))
{
    // The device is the engine's: closing the archive must leave it open.
    m_zip->setAutoClose(false);
}

ArchivoZip::~ArchivoZip() = default;

bool ArchivoZip::abrir(Fallo *fallo)
{
    if (!m_dispositivo.isOpen() || m_dispositivo.isSequential() || !m_zip->open(QuaZip::mdUnzip))
        return fallar(fallo, Texto::ZipIlegible);
    return true;
}

bool ArchivoZip::contiene(const QString &nombre)
{
    return m_zip->setCurrentFile(nombre, QuaZip::csSensitive);
}

QByteArray ArchivoZip::leerPequena(const QString &nombre, qint64 maximo)
{
    if (!contiene(nombre))
        return {};
    QuaZipFile fichero(m_zip.get());
    if (!fichero.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = fichero.read(maximo);
    fichero.close();
    return bytes;
}

// The part's inflated bytes, counted as they come; it stops the reader past the limits.
class ParteXml::Entrada final : public QIODevice {
public:
    enum class Estado { Bien, Danada, Grande, Razon };

    explicit Entrada(QuaZipFile &fichero)
        : m_fichero(fichero)
        , m_comprimido(std::max<qint64>(fichero.csize(), 1))
    {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    Estado estado() const { return m_estado; }
    bool agotada() const { return m_agotada; }

protected:
    qint64 readData(char *datos, qint64 maximo) override
    {
        if (m_estado != Estado::Bien)
            return -1;
        const qint64 leidos = m_fichero.read(datos, maximo);
        if (leidos < 0) {
            m_estado = Estado::Danada;
            return -1;
        }
        if (leidos == 0)
            m_agotada = true;
        m_total += leidos;
        if (m_total > MaximoParteDescomprimida)
            m_estado = Estado::Grande;
        else if (m_total > DescomprimidoSinRazon && m_total / m_comprimido > RazonCompresionMaxima)
            m_estado = Estado::Razon;
        return m_estado == Estado::Bien ? leidos : -1;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QuaZipFile &m_fichero;
    qint64 m_comprimido;
    qint64 m_total = 0;
    bool m_agotada = false;
    Estado m_estado = Estado::Bien;
};

ParteXml::ParteXml() = default;

ParteXml::~ParteXml()
{
    m_xml.setDevice(nullptr);
}

bool ParteXml::abrir(ArchivoZip &archivo, const QString &nombre, Fallo *fallo)
{
    m_nombre = nombre;
    m_xml.setDevice(nullptr);
    m_entrada.reset();
    m_fichero.reset();
    if (!archivo.contiene(nombre))
        return fallar(fallo, Texto::ParteIlegible, {nombre});
    m_fichero = std::make_unique<QuaZipFile>(&archivo.zip());
    if (!m_fichero->open(QIODevice::ReadOnly))
        return fallar(fallo, Texto::ParteIlegible, {nombre});
    m_entrada = std::make_unique<Entrada>(*m_fichero);
    m_xml.setDevice(m_entrada.get());
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return fallar(fallo, Texto::ParteConDtd, {nombre});
        case QXmlStreamReader::StartElement:
            return true;
        default:
            break;
        }
    }
    return fallarPorError(fallo);
}

bool ParteXml::fallarPorError(Fallo *fallo)
{
    switch (m_entrada ? m_entrada->estado() : Entrada::Estado::Danada) {
    case Entrada::Estado::Danada:
        return fallar(fallo, Texto::ParteIlegible, {m_nombre});
    case Entrada::Estado::Grande:
        return fallar(fallo, Texto::ParteDemasiadoGrande, {m_nombre, QString::number(MaximoParteDescomprimida >> 20)});
    case Entrada::Estado::Razon:
        return fallar(fallo, Texto::ParteCompresionAnomala, {m_nombre, QString::number(RazonCompresionMaxima)});
    case Entrada::Estado::Bien:
        break;
    }
    // A part cut short inside its deflate stream ends without a zip error.
    if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError && m_fichero->getZipError() != UNZ_OK)
        return fallar(fallo, Texto::ParteIlegible, {m_nombre});
    return fallar(fallo, Texto::ParteXmlNoValido,
                  {m_nombre, QString::number(m_xml.lineNumber()), QString::number(m_xml.columnNumber())});
}

bool ParteXml::terminar(Fallo *fallo)
{
    while (!m_xml.atEnd())
        m_xml.readNext();
    if (m_xml.hasError())
        return fallarPorError(fallo);
    char resto[4096];
    while (m_entrada->estado() == Entrada::Estado::Bien && !m_entrada->agotada())
        if (m_entrada->read(resto, sizeof resto) < 0)
            break;
    if (m_entrada->estado() != Entrada::Estado::Bien)
        return fallarPorError(fallo);
    m_xml.setDevice(nullptr);
    m_fichero->close();
    if (m_fichero->getZipError() != UNZ_OK)
        return fallar(fallo, Texto::ParteIlegible, {m_nombre});
    return true;
}

LectorLibro::LectorLibro(QIODevice &lista)
    : m_archivo(lista)
{
}

LectorLibro::~LectorLibro() = default;

bool LectorLibro::acabarFilas(Fallo *fallo)
{
    m_terminado = true;
    if (m_parte.xml().hasError())
        return m_parte.fallarPorError(fallo);
    if (!m_algunaFila)
        return fallar(fallo, Texto::HojaVacia, {m_nombreHoja});
    return true;
}

std::unique_ptr<LectorTabla> abrirLibro(std::unique_ptr<LectorLibro> lector, const QString &hoja, Fallo *fallo)
{
    if (!lector->abrir(hoja, fallo))
        return nullptr;
    return lector;
}

} // namespace torxal
