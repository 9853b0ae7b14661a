#include "lectura.h"

#include "documento.h"
#include "mensajes.h"
#include "ochoalavez.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
constexpr qsizetype TamanoCrudo = 256 * 1024;

// Windows-1252 at 0x80..0x9F; the five bytes the code page leaves undefined keep their own code.
constexpr std::array<char16_t, 32> Windows1252Alto = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

using namespace ochoalavez;

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

// The first CR or LF in [p, fin), or fin. Before it, `primerAlto` learns where the first
// byte of 0x80 or more stands and `primeraComa` where the first comma does, if none had
// been found yet: a plain ASCII line needs no more looking at, a line with letters is
// validated from its first one, and a line without a comma is its own record.
inline const char *buscarFinDeLinea(const char *p, const char *fin, const char *&primerAlto, const char *&primeraComa)
{
#ifdef __SSE2__
    const __m128i cr16 = _mm_set1_epi8('\r');
    const __m128i lf16 = _mm_set1_epi8('\n');
    const __m128i coma16 = _mm_set1_epi8(',');
    while (fin - p >= 16) {
        const __m128i dieciseis = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const int finales = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(dieciseis, cr16), _mm_cmpeq_epi8(dieciseis, lf16)));
        int conAlto = _mm_movemask_epi8(dieciseis);
        int comas = _mm_movemask_epi8(_mm_cmpeq_epi8(dieciseis, coma16));
        if (finales != 0) {
            const int antes = (1 << std::countr_zero(unsigned(finales))) - 1;
            conAlto &= antes;
            comas &= antes;
        }
        if (conAlto != 0 && !primerAlto)
            primerAlto = p + std::countr_zero(unsigned(conAlto));
        if (comas != 0 && !primeraComa)
            primeraComa = p + std::countr_zero(unsigned(comas));
        if (finales != 0)
            return p + std::countr_zero(unsigned(finales));
        p += 16;
    }
#endif
    for (; p < fin && *p != '\r' && *p != '\n'; ++p) {
        if (!primerAlto && static_cast<unsigned char>(*p) >= 0x80)
            primerAlto = p;
        if (!primeraComa && *p == ',')
            primeraComa = p;
    }
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

// The first byte of 0x80 or more in [p, fin), or fin.
inline const unsigned char *saltarAscii(const unsigned char *p, const unsigned char *fin)
{
#ifdef __SSE2__
    while (fin - p >= 16) {
        const int altos = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
        if (altos != 0)
            return p + std::countr_zero(unsigned(altos));
        p += 16;
    }
#endif
    while (p < fin && *p < 0x80)
        ++p;
    return p;
}

// Validates bytes fed in pieces, so a sequence may straddle two reads. Past the first
// invalid byte it goes on only while asked to find a well-formed multi-byte sequence.
class ValidadorUtf8 {
public:
    explicit ValidadorUtf8(bool buscarMultibyte) : m_buscarMultibyte(buscarMultibyte) {}

    void anadir(const unsigned char *p, const unsigned char *fin)
    {
        // The state lives in locals while the bytes are read: a store through a char
        // pointer could alias the members, which would keep them out of registers.
        int pendientes = m_pendientes;
        unsigned char minimo = m_minimo;
        unsigned char maximo = m_maximo;
        bool invalido = m_invalido;
        bool multibyte = m_multibyte;
        const auto decidido = [&] { return invalido && (multibyte || !m_buscarMultibyte); };
        while (p < fin && !decidido()) {
            if (pendientes == 0) {
                p = saltarAscii(p, fin);
                if (p == fin)
                    break;
                const unsigned char c = *p++;
                // Accented Latin letters, the bulk of a Spanish list's non-ASCII text, are
                // two-byte sequences: checked whole when both bytes are at hand.
                if (c >= 0xC2 && c <= 0xDF && p < fin && (*p & 0xC0) == 0x80) {
                    ++p;
                    multibyte = true;
                    continue;
                }
                const Inicial inicial = clasificarInicial(c);
                if (inicial.continuaciones < 0) {
                    invalido = true;
                    continue;
                }
                pendientes = inicial.continuaciones;
                minimo = inicial.minimo;
                maximo = inicial.maximo;
            } else {
                const unsigned char c = *p;
                if (c < minimo || c > maximo) {
                    // The byte that broke a sequence may start the next one.
                    invalido = true;
                    pendientes = 0;
                    continue;
                }
                ++p;
                minimo = 0x80;
                maximo = 0xBF;
                if (--pendientes == 0)
                    multibyte = true;
            }
        }
        m_pendientes = pendientes;
        m_minimo = minimo;
        m_maximo = maximo;
        m_invalido = invalido;
        m_multibyte = multibyte;
    }

    /// The answer cannot change any more.
    bool decidido() const { return m_invalido && (m_multibyte || !m_buscarMultibyte); }
    /// Valid UTF-8 if the bytes end here.
    bool valido() const { return !m_invalido && m_pendientes == 0; }
    bool multibyte() const { return m_multibyte; }

private:
    bool m_buscarMultibyte;
    int m_pendientes = 0;
    unsigned char m_minimo = 0x80;
    unsigned char m_maximo = 0xBF;
    bool m_invalido = false;
    bool m_multibyte = false;
};

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

// A list read straight from its descriptor, so a failure keeps the system's reason.
class FicheroEntrada final : public QIODevice {
public:
    explicit FicheroEntrada(int fd) : m_fd(fd) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    ~FicheroEntrada() override { ::close(m_fd); }

    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        struct stat datos;
        return ::fstat(m_fd, &datos) == 0 ? qint64(datos.st_size) : 0;
    }
    bool seek(qint64 posicion) override
    {
        if (::lseek(m_fd, off_t(posicion), SEEK_SET) < 0) {
            setErrorString(razonDelSistema(errno));
            return false;
        }
        return QIODevice::seek(posicion);
    }

protected:
    qint64 readData(char *datos, qint64 maximo) override
    {
        for (;;) {
            const ssize_t leidos = ::read(m_fd, datos, size_t(maximo));
            if (leidos >= 0)
                return leidos;
            if (errno != EINTR) {
                setErrorString(razonDelSistema(errno));
                return -1;
            }
        }
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    int m_fd;
};

} // namespace

Apertura abrirEntrada(const QString &ruta, std::unique_ptr<QIODevice> *entrada, QString *razon)
{
    const QByteArray nativa = QFile::encodeName(ruta);
    // O_NONBLOCK: opening a FIFO must not wait for a writer that never comes.
    const int fd = ::open(nativa.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat datos;
    if (fd < 0) {
        const int error = errno;
        // A socket cannot be opened at all; it is still "not a regular file" to the user.
        if (::stat(nativa.constData(), &datos) == 0 && !S_ISREG(datos.st_mode) && !S_ISDIR(datos.st_mode))
            return Apertura::NoEsNormal;
        *razon = razonDelSistema(error);
        return Apertura::NoSeAbre;
    }
    if (::fstat(fd, &datos) != 0) {
        *razon = razonDelSistema(errno);
        ::close(fd);
        return Apertura::NoSeAbre;
    }
    if (!S_ISREG(datos.st_mode)) {
        ::close(fd);
        return S_ISDIR(datos.st_mode) ? Apertura::EsDirectorio : Apertura::NoEsNormal;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    *entrada = std::make_unique<FicheroEntrada>(fd);
    return Apertura::Abierta;
}

bool esUtf8Valido(std::string_view bytes)
{
    ValidadorUtf8 validador(false);
    validador.anadir(sinSigno(bytes.data()), sinSigno(bytes.data() + bytes.size()));
    return validador.valido();
}

void decodificar(std::string_view bytes, Codificacion codificacion, std::u32string &destino)
{
    const auto *p = sinSigno(bytes.data());
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

void normalizarNFC(std::u32string &texto)
{
    // Below U+0300 nothing combines or decomposes: Latin-1 and the usual Latin letters
    // are already in form C.
    if (std::all_of(texto.begin(), texto.end(), [](char32_t c) { return c < 0x300; }))
        return;
    const QString normalizado = QString::fromUcs4(texto.data(), qsizetype(texto.size()))
                                    .normalized(QString::NormalizationForm_C);
    texto.clear();
    for (char32_t c : normalizado.toUcs4())
        texto.push_back(c);
}

LectorRegistros::LectorRegistros(QIODevice &entrada)
    : m_entrada(&entrada)
    , m_bloque(tamanoInicial(entrada), Qt::Uninitialized)
    , m_desplazamiento(entrada.pos())
{
}

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

qint64 LectorRegistros::leerBloque(char *destino, qint64 maximo)
{
    return m_utf16 ? leerUtf16(destino, maximo) : m_entrada->read(destino, maximo);
}

// UTF-16 is turned into UTF-8 as it is read, so the rest of the reader knows one
// encoding; unpaired surrogates and a final odd byte become U+FFFD.
qint64 LectorRegistros::leerUtf16(char *destino, qint64 maximo)
{
    char *p = destino;
    // Two bytes in give at most three out; a final mark needs room too.
    char *const fin = destino + maximo - 8;
    const bool bigEndian = m_utf16 == 2;
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
    while (fin - p >= 6) {
        const qint64 cabe = std::min<qint64>(m_crudo.size(), (fin - p) / 3 * 2);
        const qint64 leidos = m_entrada->read(m_crudo.data(), cabe);
        if (leidos < 0)
            return -1;
        if (leidos == 0) {
            if (m_alto) {
                p = anadirUtf8(p, U'\uFFFD');
                m_alto = 0;
            }
            if (m_byteSuelto >= 0) {
                p = anadirUtf8(p, U'\uFFFD');
                m_byteSuelto = -1;
            }
            break;
        }
        const auto *q = sinSigno(m_crudo.constData());
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
            unidad(bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a));
        }
        if (p > destino)
            break;
    }
    return p - destino;
}

bool LectorRegistros::rellenar(qsizetype &inicio)
{
    // Keeps the bytes from `inicio` on (the record or line being cut) and reads behind them.
    const qsizetype conservados = m_fin - inicio;
    char *datos = m_bloque.data();
    if (inicio > 0 && conservados > 0)
        std::memmove(datos, datos + inicio, conservados);
    if (conservados > m_bloque.size() / 2 && m_bloque.size() < TamanoBloque) {
        m_bloque.resize(m_bloque.size() * 2);
        datos = m_bloque.data();
    }
    m_desplazamiento += inicio;
    m_pos -= inicio;
    m_fin = conservados;
    inicio = 0;
    const qint64 leidos = leerBloque(datos + m_fin, m_bloque.size() - m_fin);
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

bool LectorRegistros::empezar()
{
    m_empezado = true;
    qsizetype inicio = m_pos;
    while (m_fin - m_pos < 3 && !m_agotado)
        if (!rellenar(inicio))
            return false;
    const char *p = m_bloque.constData() + m_pos;
    const qsizetype n = m_fin - m_pos;
    if (n >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0) {
        m_pos += 3;
        m_listaUtf8 = true;
    } else if (n >= 2 && (std::memcmp(p, "\xFF\xFE", 2) == 0 || std::memcmp(p, "\xFE\xFF", 2) == 0)) {
        m_utf16 = p[0] == '\xFF' ? 1 : 2;
        m_listaUtf8 = true;
        // More than the block could take in one read would never be used.
        m_crudo = QByteArray(std::min(TamanoCrudo, m_bloque.size()), Qt::Uninitialized);
        // What was read behind the mark is UTF-16 too: read it again through the decoder.
        if (n > 2) {
            if (!m_entrada->seek(m_desplazamiento + m_pos + 2)) {
                m_razon = m_entrada->errorString();
                return false;
            }
        }
        m_pos = m_fin = 0;
        m_agotado = false;
    }
    return true;
}

bool LectorRegistros::decidirLinea()
{
    qsizetype buscado = 0; // how far past m_pos the line end has been looked for
    qsizetype alto = -1;   // where the first byte of 0x80 or more stands, past m_pos
    qsizetype coma = -1;   // where the first comma stands, past m_pos
    m_finPrimerRegistro = -1;
    for (;;) {
        const char *datos = m_bloque.constData();
        const char *primerAlto = nullptr;
        const char *primeraComa = nullptr;
        const char *fin = buscarFinDeLinea(datos + m_pos + buscado, datos + m_fin, primerAlto, primeraComa);
        if (alto < 0 && primerAlto)
            alto = primerAlto - (datos + m_pos);
        if (coma < 0 && primeraComa)
            coma = primeraComa - (datos + m_pos);
        if (fin < datos + m_fin || m_agotado) {
            // Unless it is quoted, the line's first record ends at its first comma or its end.
            if (m_bloque.at(m_pos) != '"')
                m_finPrimerRegistro = coma >= 0 ? m_pos + coma : fin - datos;
            m_lineaAscii = alto < 0;
            m_codificacionLinea = Codificacion::UTF8;
            if (alto >= 0 && !m_utf16) {
                ValidadorUtf8 validador(!m_listaUtf8);
                validador.anadir(sinSigno(datos + m_pos + alto), sinSigno(fin));
                m_listaUtf8 |= validador.multibyte();
                if (!validador.valido())
                    m_codificacionLinea = Codificacion::Windows1252;
            }
            return true;
        }
        buscado = m_fin - m_pos;
        // A full block (bar the few bytes a decoder needs to make progress) holds no line end.
        if (m_pos == 0 && m_bloque.size() == TamanoBloque && m_bloque.size() - m_fin < 16)
            return decidirLineaLarga(buscado);
        qsizetype inicio = m_pos;
        if (!rellenar(inicio))
            return false;
    }
}

// A line longer than a block: it is read ahead to its end, without keeping it, to learn
// how to decode it, and then read again from its start.
bool LectorRegistros::decidirLineaLarga(qsizetype hasta)
{
    m_finPrimerRegistro = -1;
    m_lineaAscii = false;
    m_codificacionLinea = Codificacion::UTF8;
    if (m_utf16)
        return true;
    ValidadorUtf8 validador(!m_listaUtf8);
    const auto *datos = sinSigno(m_bloque.constData());
    validador.anadir(datos + m_pos, datos + m_pos + hasta);
    const qint64 inicioLinea = m_desplazamiento + m_pos;
    if (!m_entrada->isSequential()) {
        // A record longer than the limit stops the run whatever the line's encoding, so
        // the look ahead can stop there too (the only bound on a device that never ends).
        qsizetype tramo = 0;
        for (const unsigned char *p = datos + m_pos; p < datos + m_fin; ++p)
            tramo = *p == ',' ? 0 : tramo + 1;
        bool finDeLinea = false;
        while (!finDeLinea && !validador.decidido() && tramo <= LimiteBytesUtf8) {
            const qint64 leidos = m_entrada->read(m_bloque.data(), m_bloque.size());
            if (leidos < 0) {
                m_razon = m_entrada->errorString();
                return false;
            }
            if (leidos == 0)
                break;
            const auto *p = sinSigno(m_bloque.constData());
            const auto *fin = p + leidos;
            const auto *q = p;
            for (; q < fin && *q != '\r' && *q != '\n'; ++q)
                tramo = *q == ',' ? 0 : tramo + 1;
            finDeLinea = q < fin;
            validador.anadir(p, q);
        }
        if (!m_entrada->seek(inicioLinea)) {
            m_razon = m_entrada->errorString();
            return false;
        }
        m_desplazamiento = inicioLinea;
        m_pos = m_fin = 0;
        m_agotado = false;
        qsizetype inicio = 0;
        if (!rellenar(inicio))
            return false;
    }
    m_listaUtf8 |= validador.multibyte();
    if (!validador.valido())
        m_codificacionLinea = Codificacion::Windows1252;
    return true;
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

LectorRegistros::Resultado LectorRegistros::leerRegistro()
{
    if (!m_empezado && !empezar())
        return Resultado::ErrorLectura;
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
            return Resultado::ErrorLectura;
        if (m_pos < m_fin && m_bloque.at(m_pos) == '\n')
            ++m_pos;
        m_saltarLF = false;
    }
    if (!asegurar(1))
        return Resultado::ErrorLectura;
    if (m_pos == m_fin)
        return Resultado::Fin;

    m_primeroDeSuLinea = m_inicioDeLinea;
    if (m_inicioDeLinea) {
        if (!decidirLinea())
            return Resultado::ErrorLectura;
        m_inicioDeLinea = false;
    }
    m_lineaRegistro = m_linea;
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
            return Resultado::DemasiadoLargo;
    } else {
        const Busqueda busqueda = buscar(entreComillas ? '"' : ',', inicio, limite);
        if (busqueda == Busqueda::Error)
            return Resultado::ErrorLectura;
        if (busqueda == Busqueda::DemasiadoLargo)
            return Resultado::DemasiadoLargo;
    }
    m_bytes = std::string_view(m_bloque.constData() + inicio, size_t(m_pos - inicio));
    if (qsizetype(m_bytes.size()) > LongitudMaximaRegistro && qsizetype(texto().size()) > LongitudMaximaRegistro)
        return Resultado::DemasiadoLargo;

    if (entreComillas && m_pos < m_fin && m_bloque.at(m_pos) == '"') {
        // What follows the closing quote up to the delimiter is not part of the record.
        // Skipping it may refill the block under the bytes, so they are kept aside first.
        m_copia.assign(m_bytes);
        m_bytes = m_copia;
        ++m_pos;
        inicio = m_pos;
        if (buscar(',', inicio, -1) == Busqueda::Error)
            return Resultado::ErrorLectura;
    }
    consumirDelimitador();
    return Resultado::Registro;
}

} // namespace torxal
