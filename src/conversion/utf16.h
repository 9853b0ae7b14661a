// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QByteArray>
#include <QIODevice>

#include <optional>
#include <string>
#include <string_view>

namespace torxal {

/// The byte order of a UTF-16 list.
enum class OrdenUtf16 { LE, BE };

/// The order of a list without a byte-order mark that is UTF-16 all the same: its first
/// line has a NUL byte in every other position (Latin letters and digits saved as
/// "Unicode"), LE when the NULs come second. Nothing for any other start.
std::optional<OrdenUtf16> reconocerUtf16SinMarca(std::string_view comienzo);
/// The byte order of a text that starts with `comienzo`, by its mark (whose length goes in
/// `marca`) or, without one, by its first line; nothing when it is not UTF-16.
std::optional<OrdenUtf16> reconocerUtf16(std::string_view comienzo, qsizetype *marca);

/// A UTF-16 list handed on as UTF-8, so the reader knows one encoding; unpaired
/// surrogates and a final odd byte become U+FFFD. It starts with the bytes already taken
/// from `origen` (those behind the mark), then reads on, never seeking back.
class DescodificadorUtf16 final : public QIODevice {
public:
    DescodificadorUtf16(QIODevice &origen, OrdenUtf16 orden, QByteArray yaLeidos);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *datos, qint64 maximo) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool descodificarTramo();
    qint64 leerTramo();

    QIODevice &m_origen;
    bool m_bigEndian;
    QByteArray m_pendientes; // read before the decoder took over, decoded first
    QByteArray m_crudo;
    std::string m_salida;    // decoded, not yet handed out
    qsizetype m_salidaDesde = 0;
    char16_t m_alto = 0;   // a high surrogate waiting for its pair
    int m_byteSuelto = -1; // the first byte of a unit split between two reads
};

} // namespace torxal
