// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "indicelista.h"

#include "bucle.h"
#include "comprobaciones.h"
#include "csv.h"
#include "formatolista.h"
#include "informe.h"
#include "lectura.h"
#include "limpieza.h"
#include "limpiezabytes.h"
#include "rutas.h"
#include "tabla.h"

#include <QBuffer>
#include <QStringDecoder>

#include <cerrno>

#include <algorithm>
#include <memory>

namespace torxal {

namespace {

// A list read from its start, each record handed over as read and cut, its checks run.
template<typename Funcion>
bool recorrerLista(QIODevice &entrada, const QString &ruta, TipoConsulta tipo, Comprobador &comprobador,
                   Funcion &&registro, Fallo *fallo)
{
    *fallo = Fallo{};
    LectorRegistros lector(entrada, ruta);
    auto campos = std::make_unique<Campos>();
    std::string latin1;
    while (lector.leerRegistro(fallo)) {
        cortarLeido(lector, tipo, Camino::ElMasRapido, *campos, latin1);
        registro(lector, *campos);
        comprobador.comprobarRegistro(*campos, lector.linea(), lector.primeroDeSuLinea(), lector.codificacion(),
                                      lector.esListaUtf8());
    }
    if (fallo->que != Texto::Ninguno)
        return false;
    comprobador.terminar(lector.esListaUtf8());
    return true;
}

QString desdeUtf8(std::string_view texto)
{
    return QString::fromUtf8(texto.data(), qsizetype(texto.size()));
}

} // namespace

// Gives each warning to the record it is about: the one being checked when it is about
// that record's line, else the first record of its line (a line's own warnings come when
// the next line starts, duplicates at the end).
class IndexadorAvisos final : public ReceptorAvisos {
public:
    explicit IndexadorAvisos(IndiceLista &indice) : m_indice(indice)
    {
        for (const QString &nombre : IndiceLista::nombresColumnas(indice.tipo()))
            m_nombres.push_back(nombre.toLatin1());
    }

    void recibirAviso(const Aviso &aviso) override
    {
        auto &registros = m_indice.m_registros;
        qint64 registro = qint64(registros.size()) - 1;
        if (registro < 0)
            return;
        if (qint64(registros[size_t(registro)].linea) != aviso.linea) {
            const auto suyo = std::lower_bound(registros.begin(), registros.end(), aviso.linea,
                                               [](const IndiceLista::Entrada &e, qint64 l) { return qint64(e.linea) < l; });
            if (suyo == registros.end() || qint64(suyo->linea) != aviso.linea)
                return;
            registro = suyo - registros.begin();
        }
        IndiceLista::Entrada &entrada = registros[size_t(registro)];
        entrada.codigos = entrada.codigos | (1u << unsigned(aviso.codigo));
        if (entrada.estado == quint8(EstadoRegistro::Escrito))
            entrada.estado = quint8(EstadoRegistro::ConAvisos);
        ++m_indice.m_porCodigo[size_t(aviso.codigo)];
        // A warning on several fields (a duplicate parcel) marks the first of them.
        int columna = -1;
        for (size_t i = 0; i < m_nombres.size() && columna < 0; ++i) {
            const QLatin1StringView nombre(m_nombres[i]);
            if (aviso.campo.startsWith(nombre)
                && (aviso.campo.size() == nombre.size() || aviso.campo.at(nombre.size()) == QLatin1Char(' ')))
                columna = int(i);
        }
        const quint32 detalle = quint32(m_indice.m_detalles.size());
        const auto longitud = std::min<size_t>(aviso.detalle.size(), 255);
        m_indice.m_detalles.append(char(longitud));
        m_indice.m_detalles.append(aviso.detalle.data(), qsizetype(longitud));
        m_indice.m_avisos.push_back({quint32(registro), aviso.codigo, qint8(columna), detalle});
    }

private:
    IndiceLista &m_indice;
    std::vector<QByteArray> m_nombres;
};

QStringList IndiceLista::nombresColumnas(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return {QStringLiteral("NIF"), QStringLiteral("APE"), QStringLiteral("PRO"), QStringLiteral("MUN")};
    case TipoConsulta::RC:
        return {QStringLiteral("RC"), QStringLiteral("PRO"), QStringLiteral("MUN")};
    case TipoConsulta::PP:
        break;
    }
    return {QStringLiteral("PRO"), QStringLiteral("MUN"), QStringLiteral("POL"), QStringLiteral("PAR")};
}

QList<std::pair<int, int>> IndiceLista::posicionesColumnas(TipoConsulta tipo)
{
    QList<std::pair<int, int>> posiciones;
    recorrerColumnas(tipo, [&posiciones](const Columna &c) { posiciones.append({c.inicio, c.longitud}); });
    return posiciones;
}

bool IndiceLista::construir(const QString &ruta, TipoConsulta tipo, Fallo *fallo)
{
    m_ruta = ruta;
    m_tipo = tipo;
    m_registros.clear();
    m_avisos.clear();
    m_detalles.clear();
    std::fill(m_porCodigo.begin(), m_porCodigo.end(), 0);
    m_fichero.close();
    std::unique_ptr<QIODevice> entrada;
    if (!abrirEntrada(ruta, &entrada, fallo))
        return false;
    m_celdas.clear();
    m_copiaUtf8.reset();
    m_columnas = Columnas{};
    m_opcionesTabla = OpcionesTabla{};
    m_formato = FormatoLista::Columnas;
    m_ordenUtf16.reset();
    m_marca = 0;
    // A UTF-16 text is a table when its first line, in UTF-8, names the identifier's column,
    // as the run tells it; any other list's format is told from its content.
    const QByteArray asomo = entrada->peek(64 * 1024);
    qsizetype marca = 0;
    const std::optional<OrdenUtf16> ordenTexto =
        reconocerUtf16(std::string_view(asomo.constData(), size_t(asomo.size())), &marca);
    if (ordenTexto) {
        QStringDecoder decodificador(ordenTexto == OrdenUtf16::LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QByteArray cabeza = QString(decodificador(asomo.sliced(marca))).toUtf8();
        QChar separador;
        if (pareceTablaCsv(cabeza, tipo, {}, &separador)) {
            m_formato = FormatoLista::Csv;
            m_opcionesTabla.separador = separador.isNull() ? QChar(u';') : separador;
            m_ordenUtf16 = ordenTexto;
            m_marca = marca;
        }
    } else if (!reconocerFormato(*entrada, tipo, {}, &m_formato, fallo)) {
        return false;
    }
    IndexadorAvisos indexador(*this);
    Comprobador comprobador(tipo, indexador);
    if (m_formato != FormatoLista::Columnas) {
        // A table is read as the run reads it: its header, then each row cut by the run's cutting.
        if (m_formato == FormatoLista::Csv && !m_ordenUtf16) {
            QChar separador;
            pareceTablaCsv(asomo, tipo, {}, &separador);
            m_opcionesTabla.separador = separador.isNull() ? QChar(u';') : separador;
        }
        std::unique_ptr<QIODevice> utf16;
        std::unique_ptr<LectorTabla> lector;
        if (!abrirFilas(textoDeTabla(*entrada, &utf16), &lector, &m_columnas, fallo))
            return false;
        comprobador.setFilas(esHoja());
        const bool hecho = recorrerFilas(*lector, m_columnas, tipo, &comprobador, [&](const FilaTabla &fila, const Campos &campos) {
            if (campos.enBlanco)
                return true;
            Entrada entrada{};
            entrada.inicio = quint64(m_formato == FormatoLista::Csv ? fila.inicio : qint64(m_celdas.size()));
            entrada.linea = quint64(fila.numero);
            entrada.estado = quint8(campos.escribible ? EstadoRegistro::Escrito : EstadoRegistro::Omitido);
            m_registros.push_back(entrada);
            if (m_formato != FormatoLista::Csv)
                guardarCeldas(fila);
            return true;
        }, fallo);
        if (!hecho)
            return false;
        std::stable_sort(m_avisos.begin(), m_avisos.end(),
                         [](const AvisoGuardado &a, const AvisoGuardado &b) { return a.registro < b.registro; });
        if (m_formato == FormatoLista::Csv && !m_ordenUtf16) {
            m_fichero.setFileName(ruta);
            m_fichero.open(QIODevice::ReadOnly);
        }
        return true;
    }
    QIODevice *lista = entrada.get();
    if (ordenTexto) {
        if (!copiarComoUtf8(*entrada, *ordenTexto, marca, fallo))
            return false;
        lista = m_copiaUtf8.get();
    }
    qint64 inicioAnterior = -1;
    quint32 orden = 0;
    const bool hecho = recorrerLista(*lista, ruta, tipo, comprobador, [&](const LectorRegistros &lector, const Campos &campos) {
        orden = lector.inicioDeLinea() == inicioAnterior ? orden + 1 : 0;
        inicioAnterior = lector.inicioDeLinea();
        // Blank records are the list's spacing: nothing became of them.
        if (campos.enBlanco)
            return;
        Entrada entrada{};
        entrada.inicio = quint64(lector.inicioDeLinea());
        entrada.orden = orden;
        entrada.linea = quint64(lector.linea());
        entrada.estado = quint8(campos.escribible ? EstadoRegistro::Escrito : EstadoRegistro::Omitido);
        m_registros.push_back(entrada);
    }, fallo);
    if (!hecho)
        return false;
    std::stable_sort(m_avisos.begin(), m_avisos.end(),
                     [](const AvisoGuardado &a, const AvisoGuardado &b) { return a.registro < b.registro; });
    if (!m_copiaUtf8) {
        m_fichero.setFileName(ruta);
        m_fichero.open(QIODevice::ReadOnly);
    }
    return true;
}

bool IndiceLista::copiarComoUtf8(QIODevice &entrada, OrdenUtf16 orden, qsizetype marca, Fallo *fallo)
{
    m_copiaUtf8 = std::make_unique<QTemporaryFile>();
    if (!m_copiaUtf8->open() || entrada.read(marca).size() != marca)
        return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
    DescodificadorUtf16 texto(entrada, orden, QByteArray());
    QByteArray trozo(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 leidos = texto.read(trozo.data(), trozo.size());
        if (leidos < 0 || (leidos > 0 && m_copiaUtf8->write(trozo.constData(), leidos) != leidos))
            return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
        if (leidos == 0)
            break;
    }
    return m_copiaUtf8->flush() && m_copiaUtf8->seek(0) ? true : fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
}

// The record as the cleaning left it, where the columns were counted, and its fields.
void IndiceLista::llenarCortado(const Campos &campos, TipoConsulta tipo, RegistroCortado *cortado)
{
    cortado->campos.clear();
    recorrerColumnas(tipo, [&](const Columna &c) { cortado->campos.append(desdeUtf8((campos.*(c.campo)).vista())); });
    cortado->limpio.clear();
    if (campos.tabla) {
        for (const char b : campos.limpioBytes) {
            const char32_t c = aMayuscula(campos.tabla->codigo[static_cast<unsigned char>(b)]);
            cortado->limpio.append(QString::fromUcs4(&c, 1));
        }
    } else {
        cortado->limpio = QString::fromUcs4(campos.limpioTexto.data(), qsizetype(campos.limpioTexto.size()));
    }
}

QList<AvisoDeRegistro> IndiceLista::avisos(qint64 registro) const
{
    QList<AvisoDeRegistro> suyos;
    auto it = std::lower_bound(m_avisos.begin(), m_avisos.end(), quint32(registro),
                               [](const AvisoGuardado &a, quint32 r) { return a.registro < r; });
    const QStringList nombres = nombresColumnas(m_tipo);
    QByteArray campo;
    for (; it != m_avisos.end() && it->registro == quint32(registro); ++it) {
        Aviso aviso{it->codigo, linea(registro), {}, {}, {}, esHoja()};
        // A table's text past its field is a cell cut to it, told by the field.
        if (m_formato != FormatoLista::Columnas && it->codigo == CodigoAviso::TextoSobrante && it->columna >= 0) {
            campo = nombres.value(it->columna).toLatin1();
            aviso.campo = QLatin1StringView(campo);
        }
        aviso.detalle = std::string_view(m_detalles.constData() + it->detalle + 1,
                                         size_t(static_cast<unsigned char>(m_detalles.at(it->detalle))));
        suyos.append({it->codigo, it->columna, textoDeAviso(aviso)});
    }
    return suyos;
}

bool IndiceLista::cortar(qint64 registro, RegistroCortado *cortado, Fallo *fallo) const
{
    if (m_formato != FormatoLista::Columnas)
        return cortarDeTabla(registro, cortado, fallo);
    const Entrada &entrada = m_registros[size_t(registro)];
    QByteArray bytes;
    std::unique_ptr<QIODevice> dispositivo;
    qint64 saltar = entrada.orden;
    QFile &leido = m_copiaUtf8 ? *m_copiaUtf8 : m_fichero;
    if (!leido.isOpen() || !leido.seek(qint64(entrada.inicio)))
        return fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
    // The line runs to where the next line starts, or to the end of the list.
    qint64 fin = leido.size();
    for (size_t i = size_t(registro) + 1; i < m_registros.size(); ++i)
        if (m_registros[i].inicio != entrada.inicio) {
            fin = qint64(m_registros[i].inicio);
            break;
        }
    bytes = leido.read(std::min<qint64>(fin - qint64(entrada.inicio), 1 << 20));
    dispositivo = std::make_unique<QBuffer>(&bytes);
    dispositivo->open(QIODevice::ReadOnly);
    LectorRegistros lector(*dispositivo, m_ruta);
    auto campos = std::make_unique<Campos>();
    std::string latin1;
    for (;;) {
        if (!lector.leerRegistro(fallo))
            return fallo->que != Texto::Ninguno ? false : fallar(fallo, Texto::NoLeeEntrada, {m_ruta}, EIO);
        if (saltar-- == 0)
            break;
    }
    cortarLeido(lector, m_tipo, Camino::ElMasRapido, *campos, latin1);
    llenarCortado(*campos, m_tipo, cortado);
    cortado->celdas.clear();
    // The whole line as its records were decoded.
    std::u32string linea;
    const QByteArray deLinea = bytes.left(bytes.indexOf('\n') < 0 ? bytes.size() : bytes.indexOf('\n'));
    decodificar(std::string_view(deLinea.constData(), size_t(deLinea.size())), lector.codificacion(), linea);
    while (!linea.empty() && (linea.back() == U'\r' || linea.back() == U'\n'))
        linea.pop_back();
    cortado->linea = QString::fromStdU32String(linea);
    return true;
}

bool IndiceLista::guardarAvisos(const QString &informe, bool reemplazar, Fallo *fallo, FabricaDestino fabrica) const
{
    PlanRutas plan;
    bool existe = false;
    if (!planificarRutas(m_ruta, {}, &plan, fallo) || !examinarInforme(informe, m_ruta, plan.nombres, &existe, fallo))
        return false;
    if (existe && !reemplazar)
        return fallar(fallo, Texto::YaExiste, {informe});
    std::unique_ptr<QIODevice> entrada;
    if (!abrirEntrada(m_ruta, &entrada, fallo))
        return false;
    Informe salida(std::move(fabrica), informe);
    if (!salida.abrir(fallo, esHoja()))
        return false;
    Comprobador comprobador(m_tipo, salida);
    comprobador.setFilas(esHoja());
    bool leida = false;
    if (m_formato == FormatoLista::Columnas) {
        leida = recorrerLista(*entrada, m_ruta, m_tipo, comprobador, [](const LectorRegistros &, const Campos &) {}, fallo);
    } else {
        std::unique_ptr<QIODevice> utf16;
        std::unique_ptr<LectorTabla> lector;
        Columnas columnas;
        leida = abrirFilas(textoDeTabla(*entrada, &utf16), &lector, &columnas, fallo)
            && recorrerFilas(*lector, columnas, m_tipo, &comprobador, [](const FilaTabla &, const Campos &) { return true; },
                             fallo);
    }
    if (!leida || !salida.preparar(fallo) || !salida.colocar(existe, fallo)) {
        salida.descartar();
        return false;
    }
    return true;
}

} // namespace torxal
