// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "comprobaciones.h"

#include "identificadores.h"
#include "limpieza.h"
#include "ochoalavez.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace torxal {

using namespace identificadores;

namespace {

using enum CodigoAviso;

QLatin1StringView nombreDeCampo(Campo Campos::*campo)
{
    if (campo == &Campos::NIF)
        return QLatin1StringView("NIF");
    if (campo == &Campos::APE)
        return QLatin1StringView("APE");
    if (campo == &Campos::RC)
        return QLatin1StringView("RC");
    if (campo == &Campos::PRO)
        return QLatin1StringView("PRO");
    if (campo == &Campos::MUN)
        return QLatin1StringView("MUN");
    return campo == &Campos::POL ? QLatin1StringView("POL") : QLatin1StringView("PAR");
}

} // namespace

QString textoDeAviso(const Aviso &aviso)
{
    // A cell cut to its field is not text past a line's last column.
    if (aviso.codigo == CodigoAviso::TextoSobrante && !aviso.campo.isEmpty())
        return textoDe(Texto::CeldaCortada, {aviso.campo});
    QString texto = QString::fromUtf16(describir(aviso.codigo).texto);
    if (aviso.fila && aviso.codigo == CodigoAviso::Duplicado)
        texto = textoDe(Texto::DuplicadoFila);
    else if (aviso.fila && aviso.codigo == CodigoAviso::RcIncluida)
        texto = textoDe(Texto::RcIncluidaFila);
    if (texto.contains(u"%1"))
        texto.replace(QStringLiteral("%1"), QString::fromUtf8(aviso.detalle.data(), qsizetype(aviso.detalle.size())));
    return texto;
}

Comprobador::Comprobador(TipoConsulta tipo, ReceptorAvisos &receptor)
    : m_tipo(tipo)
    , m_receptor(receptor)
    , m_claves(tipo)
{
}

void Comprobador::avisarCelda(const Campos &campos, CodigoAviso codigo, qint64 linea, QLatin1StringView campo,
                              std::string_view valor)
{
    avisar(codigo, linea, campo, valor);
    if (campos.escribible)
        marcar(m_escritos - 1, m_escritos);
}

void Comprobador::avisar(CodigoAviso codigo, qint64 linea, QLatin1StringView campo, std::string_view valor,
                         std::string_view detalle)
{
    m_receptor.recibirAviso(Aviso{codigo, linea, campo, valor, detalle, m_filas});
    ++m_avisos;
}

void Comprobador::marcar(quint32 desde, quint32 hasta)
{
    if (m_conAvisos.size() * 64 < hasta)
        m_conAvisos.resize((size_t(hasta) + 63) / 64 + m_conAvisos.size() / 4, 0);
    for (quint32 i = desde; i < hasta; ++i)
        m_conAvisos[i / 64] |= quint64(1) << (i % 64);
}

qint64 Comprobador::registrosConAvisos() const
{
    qint64 total = 0;
    for (quint64 palabra : m_conAvisos)
        total += std::popcount(palabra);
    return total;
}

void Comprobador::comprobarCodigo(const Campo &campo, CodigoAviso numerico, size_t cifras, QLatin1StringView nombre,
                                  qint64 linea)
{
    const std::string_view valor = campo.vista();
    if (valor.empty())
        return;
    if (!sonCifras(valor, cifras)) {
        avisar(numerico, linea, nombre, valor);
        return;
    }
    if (numerico != ProNoNumerico)
        return;
    const int provincia = numero(valor);
    if (provincia > 52)
        avisar(ProInexistente, linea, nombre, valor, valor);
    else if (provincia == 1 || provincia == 20 || provincia == 31 || provincia == 48) {
        const Texto nombreProvincia = provincia == 1 ? Texto::ProvinciaAlava
            : provincia == 20                        ? Texto::ProvinciaGipuzkoa
            : provincia == 31                        ? Texto::ProvinciaNavarra
                                                     : Texto::ProvinciaBizkaia;
        m_texto = textoDe(Texto::ProvinciaConNombre,
                          {QString::fromLatin1(valor.data(), qsizetype(valor.size())), textoDe(nombreProvincia)})
                      .toStdString();
        avisar(ProSinServicio, linea, nombre, valor, m_texto);
    }
}

// Controls, format characters (a zero-width space, a byte-order mark, a direction mark)
// and line separators show nothing, but go into the document and make a value another.
void Comprobador::comprobarInvisibles(const Campo &campo, QLatin1StringView nombre, qint64 linea)
{
    const std::string_view valor = campo.vista();
    const auto *p = reinterpret_cast<const unsigned char *>(valor.data());
    const auto *fin = p + valor.size();
    for (; p < fin; ++p) {
        while (fin - p >= 8 && ochoalavez::todoAsciiVisibleOControl(ochoalavez::leer(p)))
            p += 8;
        if (p == fin)
            break;
        if (*p < 0x7F)
            continue;
        // Cleaned fields are valid UTF-8, so the sequence is decoded in place: a
        // string per accented letter would cost more than the rest of the check.
        char32_t c = *p;
        if (c >= 0xC0) {
            const int continuaciones = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
            c &= 0x3F >> continuaciones;
            for (int i = 0; i < continuaciones && p + 1 < fin; ++i)
                c = (c << 6) | (*++p & 0x3F);
        }
        if (esInvisible(c)) {
            const QByteArray codigo = QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper().toLatin1();
            avisar(Invisible, linea, nombre, valor, std::string_view(codigo.constData(), size_t(codigo.size())));
            return;
        }
    }
}

// A written record's own warnings, in the order the summary and the report give them;
// true when it had any.
bool Comprobador::comprobarCampos(const Campos &campos, qint64 linea)
{
    const qint64 antes = m_avisos;
    bool deOtroTipo = false;
    switch (m_tipo) {
    case TipoConsulta::NIF: {
        std::array<char, 3> esperado{};
        if (const auto aviso = comprobarNIF(campos.NIF.vista(), &esperado)) {
            m_texto.clear();
            if (*aviso == NifControl)
                m_texto = textoControlNIF(esperado).toStdString();
            avisar(*aviso, linea, QLatin1StringView("NIF"), campos.NIF.vista(), m_texto);
            deOtroTipo = *aviso == NifForma;
        }
        break;
    }
    case TipoConsulta::RC: {
        const std::string_view rc = campos.RC.vista();
        const AvisosRC avisos = comprobarRC(rc);
        const QLatin1StringView nombre("RC");
        if (avisos.forma)
            avisar(RcForma, linea, nombre, rc);
        if (avisos.longitud) {
            const auto [fin, error] = std::to_chars(m_numero, m_numero + sizeof m_numero, avisos.caracteres);
            Q_UNUSED(error);
            avisar(RcLongitud, linea, nombre, rc, std::string_view(m_numero, size_t(fin - m_numero)));
        }
        if (avisos.control)
            avisar(RcControl, linea, nombre, rc, avisos.esperado.data());
        deOtroTipo = avisos.forma || avisos.longitud;
        break;
    }
    case TipoConsulta::PP:
        break;
    }
    comprobarCodigo(campos.PRO, ProNoNumerico, 2, QLatin1StringView("PRO"), linea);
    comprobarCodigo(campos.MUN, MunNoNumerico, 3, QLatin1StringView("MUN"), linea);
    if (m_tipo == TipoConsulta::PP) {
        comprobarCodigo(campos.POL, PolNoNumerico, 3, QLatin1StringView("POL"), linea);
        comprobarCodigo(campos.PAR, ParNoNumerico, 5, QLatin1StringView("PAR"), linea);
    }
    recorrerColumnas(m_tipo, [&](const Columna &columna) {
        // Most fields were cut on bytes, which found no invisible character already.
        const Campo &campo = campos.*(columna.campo);
        if (!campo.sinInvisibles)
            comprobarInvisibles(campo, nombreDeCampo(columna.campo), linea);
    });
    if (campos.tabulador) {
        m_texto.clear();
        textoLimpio(campos, 0, m_texto);
        avisar(Tabulador, linea, {}, m_texto);
    }
    if (campos.sobrante) {
        m_texto.clear();
        textoLimpio(campos, finDeColumnas(m_tipo) - 1, m_texto);
        avisar(TextoSobrante, linea, {}, m_texto);
        deOtroTipo = true;
    }
    if (deOtroTipo) {
        ++m_registrosDeOtroTipo;
        votarTipo(campos);
    }
    return m_avisos > antes;
}

// What the start of a record that does not fit its kind looks like: a NIF, thirteen
// digits of codes, or a reference of a right length and form.
void Comprobador::votarTipo(const Campos &campos)
{
    m_texto.clear();
    textoLimpio(campos, 0, m_texto);
    const std::string_view texto = m_texto;
    const auto nif = comprobarNIF(texto.substr(0, 9));
    if (texto.size() >= 9 && nif != NifForma)
        ++m_votos[size_t(TipoConsulta::NIF)];
    if (sonCifras(texto.substr(0, 13), 13))
        ++m_votos[size_t(TipoConsulta::PP)];
    // A parcel's reference: seven digits, two letters, four digits and a letter in a town,
    // five digits, a letter and eight digits in the country.
    const auto patron = [&texto](std::string_view forma) {
        if (texto.size() < forma.size())
            return false;
        for (size_t i = 0; i < forma.size(); ++i)
            if (forma[i] == '9' ? !esCifra(texto[i]) : !esLetra(texto[i]))
                return false;
        return true;
    };
    if (patron("9999999AA9999A") || patron("99999A99999999"))
        ++m_votos[size_t(TipoConsulta::RC)];
}

std::optional<TipoConsulta> Comprobador::tipoAparente() const
{
    std::optional<TipoConsulta> aparente;
    for (TipoConsulta tipo : {TipoConsulta::NIF, TipoConsulta::RC, TipoConsulta::PP}) {
        const qint64 votos = m_votos[size_t(tipo)];
        if (tipo != m_tipo && 2 * votos > m_registrosDeOtroTipo
            && (!aparente || votos > m_votos[size_t(*aparente)]))
            aparente = tipo;
    }
    return aparente;
}

void Comprobador::comprobarRegistro(const Campos &campos, qint64 linea, bool primeroDeSuLinea,
                                    torxal::Codificacion codificacion, bool listaUtf8)
{
    if (primeroDeSuLinea) {
        cerrarLinea(listaUtf8);
        m_lineaAbierta = true;
        m_linea = linea;
        m_windows1252 = codificacion == torxal::Codificacion::Windows1252;
        m_primerEscritoDeLinea = m_escritos;
    }
    if (!campos.enBlanco && ++m_noEnBlanco == 2) {
        m_trasLaComa.clear();
        textoLimpio(campos, 0, m_trasLaComa);
    }
    if (!campos.escribible)
        return;
    const quint32 ordinal = m_escritos++;
    if (comprobarCampos(campos, linea))
        marcar(ordinal, ordinal + 1);
    m_claves.anadir(campos, ordinal, linea);
}

void Comprobador::anadirPendiente(quint64 n)
{
    for (; n >= 0x80; n >>= 7)
        m_pendientes.push_back(quint8(n | 0x80));
    m_pendientes.push_back(quint8(n));
}

void Comprobador::cerrarLinea(bool listaUtf8)
{
    if (!m_lineaAbierta)
        return;
    m_lineaAbierta = false;
    if (listaUtf8 && !m_pendientes.empty()) {
        const auto leerNumero = [](auto &p) {
            quint64 n = 0;
            for (int desplazamiento = 0;; desplazamiento += 7) {
                const quint8 b = *p++;
                n |= quint64(b & 0x7F) << desplazamiento;
                if (!(b & 0x80))
                    return n;
            }
        };
        qint64 linea = 0;
        quint32 primero = 0;
        for (auto p = m_pendientes.cbegin(); p != m_pendientes.cend();) {
            linea += qint64(leerNumero(p));
            primero += quint32(leerNumero(p));
            const auto escritos = quint32(leerNumero(p));
            avisar(CodigoAviso::Codificacion, linea, {}, {});
            marcar(primero, primero + escritos);
        }
        std::deque<quint8>().swap(m_pendientes);
        m_ultimaPendiente = 0;
        m_primeroPendiente = 0;
    }
    const quint32 escritos = m_escritos - m_primerEscritoDeLinea;
    if (escritos > 0) {
        if (m_noEnBlanco >= 2) {
            avisar(Coma, m_linea, {}, m_trasLaComa);
            marcar(m_primerEscritoDeLinea, m_escritos);
        }
        if (m_windows1252) {
            if (listaUtf8) {
                avisar(CodigoAviso::Codificacion, m_linea, {}, {});
                marcar(m_primerEscritoDeLinea, m_escritos);
            } else {
                // The first record is kept as the step from the last pending line's.
                anadirPendiente(quint64(m_linea - m_ultimaPendiente));
                anadirPendiente(quint64(m_primerEscritoDeLinea - m_primeroPendiente));
                anadirPendiente(escritos);
                m_ultimaPendiente = m_linea;
                m_primeroPendiente = m_primerEscritoDeLinea;
            }
        }
    }
    m_noEnBlanco = 0;
    m_windows1252 = false;
}

void Comprobador::terminar(bool listaUtf8)
{
    cerrarLinea(listaUtf8);
    std::deque<quint8>().swap(m_pendientes);
    m_claves.buscar([&](const Hallazgo &hallazgo) {
        const auto [fin, error] = std::to_chars(m_numero, m_numero + sizeof m_numero, hallazgo.nombrada);
        Q_UNUSED(error);
        const QLatin1StringView campo = m_tipo == TipoConsulta::NIF ? QLatin1StringView("NIF")
            : m_tipo == TipoConsulta::RC                            ? QLatin1StringView("RC")
                                                                    : QLatin1StringView("PRO MUN POL PAR");
        avisar(hallazgo.codigo, hallazgo.linea, campo, hallazgo.valor, std::string_view(m_numero, size_t(fin - m_numero)));
        marcar(hallazgo.ordinal, hallazgo.ordinal + 1);
    });
}

} // namespace torxal
