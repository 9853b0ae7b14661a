#include "lectura.h"

#include "ochoalavez.h"

#include <QIODevice>

#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace torxal {

namespace {

// Large blocks keep the system calls few; a record never exceeds a block (4 bytes a character at most).
constexpr qsizetype TamanoBloque = 1 << 20;
static_assert(4 * LongitudMaximaRegistro < TamanoBloque / 2);

// Windows-1252 at 0x80..0x9F; the five bytes the code page leaves undefined keep their own code.
constexpr std::array<char16_t, 32> Windows1252Alto = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

using namespace ochoalavez;

// A byte equal to `b` makes (x ^ b) hold a zero byte, which bytesCero finds.
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
    const quint64 a = Unos * static_cast<unsigned char>(parada);
    const quint64 cr = Unos * static_cast<unsigned char>('\r');
    const quint64 lf = Unos * static_cast<unsigned char>('\n');
    while (fin - p >= 8) {
        const quint64 ocho = leer(p);
        if (bytesCero(ocho ^ a) | bytesCero(ocho ^ cr) | bytesCero(ocho ^ lf))
            break;
        p += 8;
    }
    while (p < fin && *p != parada && *p != '\r' && *p != '\n')
        ++p;
    return p;
}

// The first continuation byte narrows for some lead bytes: that is what rules out
// overlong forms, the surrogates (ED A0..BF) and values past U+10FFFF (F4 90..).
struct Inicial {
    int continuaciones; // -1: not a lead byte
    unsigned char minimo;
    unsigned char maximo;
};

inline Inicial clasificarInicial(unsigned char c)
{
    if (c >= 0xC2 && c <= 0xDF) return {1, 0x80, 0xBF};
    if (c == 0xE0) return {2, 0xA0, 0xBF};
    if (c == 0xED) return {2, 0x80, 0x9F};
    if (c >= 0xE1 && c <= 0xEF) return {2, 0x80, 0xBF};
    if (c == 0xF0) return {3, 0x90, 0xBF};
    if (c >= 0xF1 && c <= 0xF3) return {3, 0x80, 0xBF};
    if (c == 0xF4) return {3, 0x80, 0x8F};
    return {-1, 0, 0};
}

// Validates a stream fed in pieces, so a sequence may straddle two blocks.
class ValidadorUtf8 {
public:
    void anadir(const unsigned char *p, const unsigned char *fin)
    {
        while (p < fin && m_valido) {
            if (m_pendientes == 0) {
                while (fin - p >= 8 && todoAscii(leer(p)))
                    p += 8;
                if (p == fin)
                    break;
                const unsigned char c = *p++;
                if (c < 0x80)
                    continue;
                // Accented Latin letters, the bulk of a Spanish list's non-ASCII text,
                // are two-byte sequences: checked whole when both bytes are at hand.
                if (c >= 0xC2 && c <= 0xDF && p < fin && (*p & 0xC0) == 0x80) {
                    ++p;
                    continue;
                }
                const Inicial inicial = clasificarInicial(c);
                if (inicial.continuaciones < 0) {
                    m_valido = false;
                    break;
                }
                m_pendientes = inicial.continuaciones;
                m_minimo = inicial.minimo;
                m_maximo = inicial.maximo;
            } else {
                const unsigned char c = *p++;
                if (c < m_minimo || c > m_maximo) {
                    m_valido = false;
                    break;
                }
                --m_pendientes;
                m_minimo = 0x80;
                m_maximo = 0xBF;
            }
        }
    }

    bool terminar() const { return m_valido && m_pendientes == 0; }
    bool invalido() const { return !m_valido; }

private:
    int m_pendientes = 0;
    unsigned char m_minimo = 0x80;
    unsigned char m_maximo = 0xBF;
    bool m_valido = true;
};

bool empiezaConMarcaUtf8(const char *p, qsizetype n)
{
    return n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0;
}

} // namespace

bool esUtf8Valido(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    ValidadorUtf8 validador;
    validador.anadir(p, p + bytes.size());
    return validador.terminar();
}

Deteccion detectarCodificacion(QIODevice &entrada)
{
    Deteccion deteccion;
    QByteArray bloque(TamanoBloque, Qt::Uninitialized);
    ValidadorUtf8 validador;
    qint64 leidos = 0;
    qint64 total = 0;
    bool marca = false;
    while ((leidos = entrada.read(bloque.data(), bloque.size())) > 0) {
        // A mark counts only at the very start of the file; a short first read
        // cannot split it, since files hand over whole blocks.
        if (total == 0 && empiezaConMarcaUtf8(bloque.constData(), leidos)) {
            marca = true;
            break;
        }
        total += leidos;
        const auto *p = reinterpret_cast<const unsigned char *>(bloque.constData());
        validador.anadir(p, p + leidos);
        if (validador.invalido())
            break; // once invalid, the rest cannot change the answer
    }
    if (leidos < 0) {
        deteccion.razon = entrada.errorString();
        return deteccion;
    }
    if (!entrada.seek(0)) {
        deteccion.razon = entrada.errorString();
        return deteccion;
    }
    deteccion.leido = true;
    deteccion.codificacion = (marca || validador.terminar()) ? Codificacion::UTF8 : Codificacion::Windows1252;
    return deteccion;
}

void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *fin = p + bytes.size();
    // One byte gives at most one character in both encodings, so the room is known beforehand.
    const size_t base = destino.size();
    destino.resize(base + bytes.size());
    char32_t *salida = destino.data() + base;
    if (codificacion == Codificacion::Windows1252) {
        for (; p < fin; ++p) {
            const unsigned char c = *p;
            *salida++ = (c >= 0x80 && c <= 0x9F) ? char32_t(Windows1252Alto[c - 0x80]) : char32_t(c);
        }
    } else {
        while (p < fin) {
            const unsigned char c = *p;
            if (c < 0x80) {
                *salida++ = c;
                ++p;
                continue;
            }
            Inicial inicial = clasificarInicial(c);
            ++p;
            if (inicial.continuaciones < 0) {
                *salida++ = U'\uFFFD';
                continue;
            }
            char32_t punto = c & (0x3F >> inicial.continuaciones);
            int i = 0;
            for (; i < inicial.continuaciones; ++i) {
                if (p == fin || *p < inicial.minimo || *p > inicial.maximo)
                    break;
                punto = (punto << 6) | (*p & 0x3F);
                ++p;
                inicial.minimo = 0x80;
                inicial.maximo = 0xBF;
            }
            // An ill-formed sequence ends before the byte that broke it, which starts afresh.
            *salida++ = (i == inicial.continuaciones) ? punto : U'\uFFFD';
        }
    }
    destino.resize(salida - destino.data());
}

LectorRegistros::LectorRegistros(QIODevice &entrada, Codificacion codificacion)
    : m_entrada(&entrada)
    , m_codificacion(codificacion)
    , m_bloque(TamanoBloque, Qt::Uninitialized)
{
    m_registro.reserve(4 * LongitudMaximaRegistro + 1);
}

std::u32string &LectorRegistros::registro()
{
    if (!m_decodificado) {
        m_registro.clear();
        decodificar(m_bytes, m_codificacion, m_registro);
        m_decodificado = true;
    }
    return m_registro;
}

bool LectorRegistros::rellenar(qsizetype &inicio)
{
    // Keeps the bytes from `inicio` on (the record being cut) and reads behind them.
    const qsizetype conservados = m_fin - inicio;
    char *datos = m_bloque.data();
    if (inicio > 0 && conservados > 0)
        std::memmove(datos, datos + inicio, conservados);
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
    m_fin += leidos;
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

void LectorRegistros::consumirDelimitador()
{
    if (m_pos >= m_fin)
        return;
    switch (m_bloque.at(m_pos)) {
    case '\r':
        m_saltarLF = true;
        ++m_linea;
        break;
    case '\n':
        ++m_linea;
        break;
    default:
        break;
    }
    ++m_pos;
}

LectorRegistros::Resultado LectorRegistros::leerRegistro()
{
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

    if (!m_empezado) {
        m_empezado = true;
        if (!asegurar(3))
            return Resultado::ErrorLectura;
        if (m_codificacion == Codificacion::UTF8 && empiezaConMarcaUtf8(m_bloque.constData() + m_pos, m_fin - m_pos))
            m_pos += 3;
    }
    if (m_saltarLF) {
        // A CR just ended a line: an LF right behind it belongs to the same line end.
        if (!asegurar(1))
            return Resultado::ErrorLectura;
        if (m_pos < m_fin && m_bloque.at(m_pos) == '\n')
            ++m_pos;
        m_saltarLF = false;
    }
    if (!asegurar(1))
        return Resultado::ErrorLectura;
    if (m_pos == m_fin)
        return Resultado::Fin;

    m_lineaRegistro = m_linea;
    m_registro.clear();
    m_bytes = {};
    m_hayBytes = false;
    m_decodificado = true;
    const qsizetype limite = (m_codificacion == Codificacion::UTF8 ? 4 : 1) * LongitudMaximaRegistro;
    const bool entreComillas = m_bloque.at(m_pos) == '"';
    if (entreComillas)
        ++m_pos;
    inicio = m_pos;
    Busqueda busqueda = buscar(entreComillas ? '"' : ',', inicio, limite);
    if (busqueda == Busqueda::Error)
        return Resultado::ErrorLectura;
    if (busqueda == Busqueda::DemasiadoLargo)
        return Resultado::DemasiadoLargo;
    m_bytes = std::string_view(m_bloque.constData() + inicio, m_pos - inicio);
    m_hayBytes = true;
    m_decodificado = false;
    // No more bytes than the limit cannot make more characters; only a longer UTF-8
    // record has to be decoded to be counted.
    if (qsizetype(m_bytes.size()) > LongitudMaximaRegistro && qsizetype(registro().size()) > LongitudMaximaRegistro)
        return Resultado::DemasiadoLargo;

    if (entreComillas && m_pos < m_fin && m_bloque.at(m_pos) == '"') {
        // What follows the closing quote up to the delimiter is not part of the record.
        // Skipping it may refill the block under the bytes, so they are decoded first.
        registro();
        m_hayBytes = false;
        m_bytes = {};
        ++m_pos;
        inicio = m_pos;
        if (buscar(',', inicio, -1) == Busqueda::Error)
            return Resultado::ErrorLectura;
    }
    consumirDelimitador();
    return Resultado::Registro;
}

} // namespace torxal
