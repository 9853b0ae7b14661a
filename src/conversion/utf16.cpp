// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "utf16.h"

#include "utf8.h"

#include <QChar>

#include <algorithm>
#include <cstring>

namespace torxal {

namespace {

constexpr qsizetype TamanoCrudo = 128 * 1024;
// Enough of the first line to tell, and never more than a short read gives.
constexpr size_t UnidadesMiradas = 64;

} // namespace

std::optional<OrdenUtf16> reconocerUtf16(std::string_view comienzo, qsizetype *marca)
{
    *marca = 0;
    if (comienzo.starts_with("\xFF\xFE") || comienzo.starts_with("\xFE\xFF")) {
        *marca = 2;
        return comienzo.front() == '\xFF' ? OrdenUtf16::LE : OrdenUtf16::BE;
    }
    return reconocerUtf16SinMarca(comienzo);
}

std::optional<OrdenUtf16> reconocerUtf16SinMarca(std::string_view comienzo)
{
    size_t unidades = 0;
    int nulosPares = 0;
    int nulosImpares = 0;
    for (size_t i = 0; i + 1 < comienzo.size() && unidades < UnidadesMiradas; i += 2, ++unidades) {
        const bool primeroNulo = comienzo[i] == '\0';
        const bool segundoNulo = comienzo[i + 1] == '\0';
        // A unit with both bytes NUL, or neither, is no Latin character in UTF-16.
        if (primeroNulo == segundoNulo)
            return std::nullopt;
        nulosPares += primeroNulo;
        nulosImpares += segundoNulo;
        if ((primeroNulo && comienzo[i + 1] == '\n') || (segundoNulo && comienzo[i] == '\n')) {
            ++unidades;
            break;
        }
    }
    if (unidades < 2 || (nulosPares != 0 && nulosImpares != 0))
        return std::nullopt;
    return nulosImpares != 0 ? OrdenUtf16::LE : OrdenUtf16::BE;
}

DescodificadorUtf16::DescodificadorUtf16(QIODevice &origen, OrdenUtf16 orden, QByteArray yaLeidos)
    : m_origen(origen)
    , m_bigEndian(orden == OrdenUtf16::BE)
    , m_pendientes(std::move(yaLeidos))
    , m_crudo(TamanoCrudo, Qt::Uninitialized)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 DescodificadorUtf16::readData(char *datos, qint64 maximo)
{
    if (m_salidaDesde == qsizetype(m_salida.size()) && !descodificarTramo())
        return -1;
    const qsizetype n = std::min<qsizetype>(qsizetype(maximo), qsizetype(m_salida.size()) - m_salidaDesde);
    std::memcpy(datos, m_salida.data() + m_salidaDesde, size_t(n));
    m_salidaDesde += n;
    return n;
}

bool DescodificadorUtf16::descodificarTramo()
{
    // A read that gives only half a unit, or half a pair, gives nothing yet: it reads on,
    // so an empty answer always means the end.
    for (;;) {
        const qint64 leidos = leerTramo();
        if (leidos < 0)
            return false;
        if (!m_salida.empty() || leidos == 0)
            return true;
    }
}

qint64 DescodificadorUtf16::leerTramo()
{
    const qint64 leidos = m_pendientes.size() > 0 ? qint64(m_pendientes.size()) : m_origen.read(m_crudo.data(), m_crudo.size());
    if (leidos < 0) {
        setErrorString(m_origen.errorString());
        return -1;
    }
    const char *crudo = m_pendientes.size() > 0 ? m_pendientes.constData() : m_crudo.constData();
    // Two bytes in give at most three out, and the end may add two replacement characters.
    m_salida.resize(size_t(leidos) / 2 * 3 + 8);
    char *p = m_salida.data();
    auto unidad = [&](char16_t u) {
        if (m_alto) {
            if (QChar::isLowSurrogate(u)) {
                p = anadirUtf8(p, QChar::surrogateToUcs4(m_alto, u));
                m_alto = 0;
                return;
            }
            p = anadirUtf8(p, U'\uFFFD');
            m_alto = 0;
        }
        if (QChar::isHighSurrogate(u))
            m_alto = u;
        else
            p = anadirUtf8(p, QChar::isLowSurrogate(u) ? U'\uFFFD' : char32_t(u));
    };
    if (leidos == 0) {
        if (m_alto)
            p = anadirUtf8(p, U'\uFFFD');
        if (m_byteSuelto >= 0)
            p = anadirUtf8(p, U'\uFFFD');
        m_alto = 0;
        m_byteSuelto = -1;
    }
    const auto *q = reinterpret_cast<const unsigned char *>(crudo);
    const auto *qfin = q + leidos;
    while (q < qfin) {
        unsigned char a;
        if (m_byteSuelto >= 0) {
            a = static_cast<unsigned char>(m_byteSuelto);
            m_byteSuelto = -1;
        } else {
            a = *q++;
            if (q == qfin) {
                m_byteSuelto = a;
                break;
            }
        }
        const unsigned char b = *q++;
        unidad(m_bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a));
    }
    m_pendientes.clear();
    m_salida.resize(size_t(p - m_salida.data()));
    m_salidaDesde = 0;
    return leidos;
}

} // namespace torxal
