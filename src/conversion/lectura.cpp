// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "lectura.h"

#include "sistema.h"

#include <QIODevice>
#include <QString>

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace torxal {

namespace {

// Large blocks keep the system calls few; a record never exceeds half a block.
constexpr qsizetype TamanoBloque = 1 << 20;
// A list smaller than a block starts with a block of about its size, so a short list
// costs no megabyte; the block doubles up to its full size when a record or a line needs
// the room. Powers of two, so that doubling ends on the full size.
constexpr qsizetype BloqueMinimo = 4096;
static_assert(std::has_single_bit(quint64(TamanoBloque)) && std::has_single_bit(quint64(BloqueMinimo)));
// Composed, one character stands for at most nine bytes of UTF-8 (a Hangul syllable
// typed as three jamo), so a record of more bytes than that is too long however it reads.
constexpr qsizetype BytesPorCaracterComoMucho = 9;
constexpr qsizetype LimiteBytesUtf8 = BytesPorCaracterComoMucho * LongitudMaximaRegistro;
static_assert(LimiteBytesUtf8 < TamanoBloque / 2);
// What the start of a list must hold to tell a mark or a UTF-16 first line.
constexpr qsizetype BytesDelComienzo = 128;

// The first of `parada`, CR or LF in [p, fin), or fin.
inline const char *buscarParada(const char *p, const char *fin, char parada)
{
#ifdef __SSE2__
    // Sixteen at a time where the processor has it (every x86-64 does).
    const __m128i a16 = _mm_set1_epi8(parada);
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    while (fin - p >= 16) {
        const __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i iguales = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(dieciseis, a16), _mm_cmpeq_epi8(dieciseis, cr16)),
                                             _mm_cmpeq_epi8(dieciseis, lf16));
        const int mascara = _mm_movemask_epi8(iguales);
        if (mascara != 0)
            return p + std::countr_zero(unsigned(mascara));
        p += 16;
    }
#endif
    while (p < fin && *p != parada && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// What the look for a line's end learns of the bytes before it, across the reads the
// line may need: a plain ASCII line needs no more looking at, a line with letters but
// no continuation byte cannot be UTF-8 (every sequence has one), a line of ASCII and
// two-byte letters of U+0080 to U+00FF (C2 or C3 and one continuation byte, the whole
// of most Spanish text) is UTF-8, any other is validated from its first letter, and a
// line without a comma is its own record.
struct Vistazo {
    const char *primerAlto = nullptr;  // the first byte of 0x80 or more, in this read
    const char *primeraComa = nullptr; // the first comma, in this read
    bool continuacion = false;         // a byte from 0x80 to 0xBF
    bool latino = true;                // only ASCII and whole letters of C2 or C3
    unsigned arrastre = 0;             // the last byte looked at started such a letter
};

// The first CR or LF in [p, fin), or fin.
inline const char *buscarFinDeLinea(const char *p, const char *fin, Vistazo &v)
{
#ifdef __SSE2__
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    const __m128i coma16 = _mm_set1_epi8(',');
    const __m128i c016 = _mm_set1_epi8(char(0xC0)); // signed, 0x80..0xBF lie below it
    const __m128i c216 = _mm_set1_epi8(char(0xC2));
    const __m128i c316 = _mm_set1_epi8(char(0xC3));
    while (fin - p >= 16) {
        const __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const unsigned finales
            = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(dieciseis, cr16), _mm_cmpeq_epi8(dieciseis, lf16))));
        const unsigned antes = finales != 0 ? (1u << std::countr_zero(finales)) - 1 : 0xFFFFu;
        const unsigned altos = unsigned(_mm_movemask_epi8(dieciseis)) & antes;
        const unsigned comas = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(dieciseis, coma16))) & antes;
        // Sixteen ASCII bytes with no letter left open before them change nothing below.
        if (altos != 0 || v.arrastre != 0) {
            const unsigned continuaciones = unsigned(_mm_movemask_epi8(_mm_cmplt_epi8(dieciseis, c016))) & antes;
            const unsigned iniciales = unsigned(_mm_movemask_epi8(
                                           _mm_or_si128(_mm_cmpeq_epi8(dieciseis, c216), _mm_cmpeq_epi8(dieciseis, c316))))
                & antes;
            // Every high byte starts or continues a letter, and every continuation follows a
            // start; a start at the line's end has none.
            const unsigned esperadas = (iniciales << 1) | v.arrastre;
            v.latino &= (altos ^ iniciales ^ continuaciones) == 0 && continuaciones == (esperadas & antes)
                && (finales == 0 || (esperadas & ~antes & 0x1FFFFu) == 0);
            v.arrastre = iniciales >> 15;
            v.continuacion |= continuaciones != 0;
            if (altos != 0 && !v.primerAlto)
                v.primerAlto = p + std::countr_zero(altos);
        }
        if (comas != 0 && !v.primeraComa)
            v.primeraComa = p + std::countr_zero(comas);
        if (finales != 0)
            return p + std::countr_zero(finales);
        p += 16;
    }
#endif
    for (; p < fin && *p != '\r' && *p != '\n'; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (!v.primerAlto && byte >= 0x80)
            v.primerAlto = p;
        v.continuacion |= byte >= 0x80 && byte < 0xC0;
        // The few bytes looked at one by one leave the line to the validator.
        v.latino &= byte < 0x80 && v.arrastre == 0;
        if (!v.primeraComa && *p == ',')
            v.primeraComa = p;
    }
    return p;
}

qsizetype tamanoInicial(const QIODevice &entrada)
{
    if (entrada.isSequential())
        return TamanoBloque;
    // Room past the last byte, so that the read after it finds the end of the file.
    const qint64 quedan = std::max<qint64>(entrada.size() - entrada.pos(), 0) + 16;
    return qsizetype(std::bit_ceil(quint64(std::clamp<qint64>(quedan, BloqueMinimo, TamanoBloque))));
}

inline const unsigned char *sinSigno(const char *p)
{
    return reinterpret_cast<const unsigned char *>(p);
}

} // namespace

bool abrirEntrada(const QString &ruta, std::unique_ptr<QIODevice> *entrada, Fallo *fallo)
{
    TipoEntrada hallado = TipoEntrada::Nada;
    int error = 0;
    if (abrirParaLeer(ruta, entrada, &hallado, &error))
        return true;
    if (hallado == TipoEntrada::Directorio)
        return fallarPorMotivo(fallo, Texto::NoAbreEntrada, {ruta}, Texto::MotivoEsDirectorio);
    if (hallado != TipoEntrada::Nada)
        return fallar(fallo, Texto::EntradaNoNormal, {ruta});
    return fallar(fallo, Texto::NoAbreEntrada, {ruta}, error);
}

LectorRegistros::LectorRegistros(QIODevice &entrada, const QString &ruta)
    : m_entrada(&entrada)
    , m_ruta(ruta)
    , m_bloque(tamanoInicial(entrada), Qt::Uninitialized)
{
}

LectorRegistros::~LectorRegistros() = default;

std::u32string &LectorRegistros::texto()
{
    if (!m_decodificado) {
        m_texto.clear();
        decodificar(m_bytes, m_codificacionLinea, m_texto);
        normalizarNFC(m_texto);
        m_decodificado = true;
    }
    return m_texto;
}

bool LectorRegistros::fallarLectura(Fallo *fallo) const
{
    return fallarPorRazon(fallo, Texto::NoLeeEntrada, {m_ruta}, m_razon);
}

bool LectorRegistros::fallarLargo(Fallo *fallo) const
{
    return fallar(fallo, Texto::RegistroLargo,
                  {QString::number(m_lineaRegistro), m_ruta, QString::number(LongitudMaximaRegistro)});
}

bool LectorRegistros::rellenar(qsizetype &inicio)
{
    // Keeps the bytes from `inicio` on (the record or line being cut) and reads behind them.
    const qsizetype conservados = m_fin - inicio;
    char *datos = m_bloque.data();
    if (inicio > 0 && conservados > 0)
        std::memmove(datos, datos + inicio, size_t(conservados));
    m_base += inicio;
    if (conservados > m_bloque.size() / 2 && m_bloque.size() < TamanoBloque) {
        m_bloque.resize(m_bloque.size() * 2);
        datos = m_bloque.data();
    }
    m_pos -= inicio;
    m_fin = conservados;
    inicio = 0;
    const qint64 leidos = m_entrada->read(datos + m_fin, m_bloque.size() - m_fin);
    if (leidos < 0) {
        m_razon = m_entrada->errorString();
        return false;
    }
    if (leidos == 0)
        m_agotado = true;
    m_fin += qsizetype(leidos);
    return true;
}

// Advances m_pos to the first stop byte, reading more as needed; stops early when
// the kept bytes pass `limite` (a negative limit keeps nothing and has no bound).
LectorRegistros::Busqueda LectorRegistros::buscar(char parada, qsizetype &inicio, qsizetype limite)
{
    for (;;) {
        const char *datos = m_bloque.constData();
        m_pos = buscarParada(datos + m_pos, datos + m_fin, parada) - datos;
        if (limite >= 0 && m_pos - inicio > limite)
            return Busqueda::DemasiadoLargo;
        if (m_pos < m_fin)
            return Busqueda::Encontrado;
        if (m_agotado)
            return Busqueda::FinDeFichero;
        if (limite < 0)
            inicio = m_pos;
        if (!rellenar(inicio))
            return Busqueda::Error;
    }
}

bool LectorRegistros::empezar()
{
    m_empezado = true;
    qsizetype inicio = m_pos;
    while (m_fin - m_pos < BytesDelComienzo && !m_agotado)
        if (!rellenar(inicio))
            return false;
    const char *p = m_bloque.constData() + m_pos;
    const qsizetype n = m_fin - m_pos;
    std::optional<OrdenUtf16> orden;
    qsizetype marca = 0;
    if (n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
        m_pos += 3;
        m_listaUtf8 = true;
    } else if (n >= 2 && (std::memcmp(p, "\xFF\xFE", 2) == 0 || std::memcmp(p, "\xFE\xFF", 2) == 0)) {
        orden = p[0] == '\xFF' ? OrdenUtf16::LE : OrdenUtf16::BE;
        marca = 2;
    } else if ((orden = reconocerUtf16SinMarca(std::string_view(p, size_t(n))))) {
        m_utf16SinMarca = orden;
    }
    if (orden) {
        // What was read behind the mark is UTF-16 too: the decoder starts with it.
        m_utf16 = std::make_unique<DescodificadorUtf16>(*m_entrada, *orden, QByteArray(p + marca, n - marca));
        m_entrada = m_utf16.get();
        m_listaUtf8 = true;
        m_pos = m_fin = 0;
        m_base = 0;
        m_agotado = false;
    }
    return true;
}

LectorRegistros::Busqueda LectorRegistros::decidirLinea()
{
    qsizetype buscado = 0; // how far past m_pos the line end has been looked for
    qsizetype alto = -1;   // where the first byte of 0x80 or more stands, past m_pos
    qsizetype coma = -1;   // where the first comma stands, past m_pos
    Vistazo vistazo;
    m_finPrimerRegistro = -1;
    for (;;) {
        const char *datos = m_bloque.constData();
        vistazo.primerAlto = nullptr;
        vistazo.primeraComa = nullptr;
        const char *fin = buscarFinDeLinea(datos + m_pos + buscado, datos + m_fin, vistazo);
        if (alto < 0 && vistazo.primerAlto)
            alto = vistazo.primerAlto - (datos + m_pos);
        if (coma < 0 && vistazo.primeraComa)
            coma = vistazo.primeraComa - (datos + m_pos);
        if (fin < datos + m_fin || m_agotado) {
            // Unless it is quoted, the line's first record ends at its first comma or its end.
            if (m_bloque.at(m_pos) != '"')
                m_finPrimerRegistro = coma >= 0 ? m_pos + coma : fin - datos;
            m_lineaAscii = alto < 0;
            m_codificacionLinea = Codificacion::UTF8;
            if (alto >= 0 && !m_utf16) {
                if (!vistazo.continuacion) {
                    m_codificacionLinea = Codificacion::Windows1252;
                } else if (vistazo.latino && vistazo.arrastre == 0) {
                    // A start still pending is a letter the line ends in the middle of.
                    m_listaUtf8 = true;
                } else {
                    ValidadorUtf8 validador(!m_listaUtf8);
                    validador.anadir(sinSigno(datos + m_pos + alto), sinSigno(fin));
                    m_listaUtf8 |= validador.multibyte();
                    if (!validador.valido())
                        m_codificacionLinea = Codificacion::Windows1252;
                }
            }
            return Busqueda::Encontrado;
        }
        buscado = m_fin - m_pos;
        // A whole block without a line end: no list of records has such a line.
        if (m_pos == 0 && m_bloque.size() == TamanoBloque && m_fin == m_bloque.size())
            return Busqueda::DemasiadoLargo;
        qsizetype inicio = m_pos;
        if (!rellenar(inicio))
            return Busqueda::Error;
    }
}

void LectorRegistros::consumirDelimitador()
{
    if (m_pos >= m_fin)
        return;
    switch (m_bloque.at(m_pos)) {
    case '\r':
        m_saltarLF = true;
        m_inicioDeLinea = true;
        ++m_linea;
        break;
    case '\n':
        m_inicioDeLinea = true;
        ++m_linea;
        break;
    default:
        break;
    }
    ++m_pos;
}

// Whether the record goes on after a look: false, with the failure, when it stopped short.
bool LectorRegistros::seguirTras(Busqueda busqueda, Fallo *fallo) const
{
    switch (busqueda) {
    case Busqueda::Encontrado:
    case Busqueda::FinDeFichero:
        break;
    case Busqueda::DemasiadoLargo:
        return fallarLargo(fallo);
    case Busqueda::Error:
        return fallarLectura(fallo);
    }
    return true;
}

bool LectorRegistros::leerRegistro(Fallo *fallo)
{
    if (!m_empezado && !empezar())
        return fallarLectura(fallo);
    qsizetype inicio = m_pos;
    // Reads until `n` bytes stand ahead of m_pos or the file ends.
    auto asegurar = [&](qsizetype n) {
        while (m_fin - m_pos < n && !m_agotado) {
            inicio = m_pos;
            if (!rellenar(inicio))
                return false;
        }
        return true;
    };
    if (m_saltarLF) {
        // A CR just ended a line: an LF right behind it belongs to the same line end.
        if (!asegurar(1))
            return fallarLectura(fallo);
        if (m_pos < m_fin && m_bloque.at(m_pos) == '\n')
            ++m_pos;
        m_saltarLF = false;
    }
    if (!asegurar(1))
        return fallarLectura(fallo);
    if (m_pos == m_fin)
        return false;

    m_primeroDeSuLinea = m_inicioDeLinea;
    m_lineaRegistro = m_linea;
    if (m_inicioDeLinea) {
        m_inicioLinea = m_base + m_pos;
        if (!seguirTras(decidirLinea(), fallo))
            return false;
        m_inicioDeLinea = false;
    }
    m_bytes = {};
    m_decodificado = false;
    // In Windows-1252 a byte is a character; UTF-8 is counted once decoded.
    const qsizetype limite = m_codificacionLinea == Codificacion::UTF8 ? LimiteBytesUtf8 : LongitudMaximaRegistro;
    const bool entreComillas = m_bloque.at(m_pos) == '"';
    if (entreComillas)
        ++m_pos;
    inicio = m_pos;
    if (m_primeroDeSuLinea && m_finPrimerRegistro >= 0) {
        // Where the line's first record ends is known from the look for the line's end.
        m_pos = m_finPrimerRegistro;
        if (m_pos - inicio > limite)
            return fallarLargo(fallo);
    } else {
        if (!seguirTras(buscar(entreComillas ? '"' : ',', inicio, limite), fallo))
            return false;
    }
    m_bytes = std::string_view(m_bloque.constData() + inicio, size_t(m_pos - inicio));
    if (qsizetype(m_bytes.size()) > LongitudMaximaRegistro && qsizetype(texto().size()) > LongitudMaximaRegistro)
        return fallarLargo(fallo);

    if (entreComillas && m_pos < m_fin && m_bloque.at(m_pos) == '"') {
        // What follows the closing quote up to the delimiter is not part of the record.
        // Skipping it may refill the block under the bytes, so they are kept aside first.
        m_copia.assign(m_bytes);
        m_bytes = m_copia;
        ++m_pos;
        inicio = m_pos;
        if (buscar(',', inicio, -1) == Busqueda::Error)
            return fallarLectura(fallo);
    }
    consumirDelimitador();
    return true;
}

} // namespace torxal
