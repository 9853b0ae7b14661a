#include "comprobaciones.h"

#include "documento.h"
#include "limpieza.h"


#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace torxal {

namespace {

using enum CodigoAviso;

constexpr DescripcionAviso Descripciones[] = {
    {NifForma, "nif-forma", u"NIF sin la forma de un DNI, un NIE ni un NIF de entidad",
     u"El NIF no tiene la forma de un DNI (8 cifras y una letra), un NIE (X, Y o Z, 7 cifras y una letra), un NIF "
     u"que empieza por K, L o M ni el de una entidad (letra, 7 cifras y una cifra o letra de control)."},
    {NifControl, "nif-control", u"NIF con el carácter de control equivocado",
     u"El carácter de control del NIF no es el que corresponde a sus cifras (sería %1)."},
    {RcForma, "rc-forma", u"Referencias catastrales con caracteres que no son cifras ni letras",
     u"La referencia catastral tiene caracteres que no son cifras ni letras (un espacio, un guion...)."},
    {RcLongitud, "rc-longitud", u"Referencias catastrales de una longitud que no es 14, 18 ni 20",
     u"La referencia catastral tiene %1 caracteres; una de parcela tiene 14, y una de inmueble 18, o 20 con sus "
     u"caracteres de control."},
    {RcControl, "rc-control", u"Referencias catastrales con los caracteres de control equivocados",
     u"Los dos últimos caracteres de la referencia catastral no son los que corresponden al resto (serían %1)."},
    {ProNoNumerico, "pro-no-numerico", u"Códigos de provincia que no son dos cifras",
     u"El código de provincia no son dos cifras."},
    {ProInexistente, "pro-inexistente", u"Códigos de provincia que no existen",
     u"No hay ninguna provincia con el código %1: van del 01 al 52."},
    {ProSinServicio, "pro-sin-servicio", u"Provincias con catastro propio, que el servicio no cubre",
     u"La provincia %1 tiene un catastro propio (Álava, Gipuzkoa, Navarra y Bizkaia), que este servicio no cubre."},
    {MunNoNumerico, "mun-no-numerico", u"Códigos de municipio que no son tres cifras",
     u"El código de municipio no son tres cifras."},
    {PolNoNumerico, "pol-no-numerico", u"Polígonos que no son tres cifras", u"El polígono no son tres cifras."},
    {ParNoNumerico, "par-no-numerico", u"Parcelas que no son cinco cifras", u"La parcela no son cinco cifras."},
    {Duplicado, "duplicado", u"Registros repetidos", u"Repite el registro de la línea %1."},
    {RcIncluida, "rc-incluida", u"Referencias incluidas en otra de la lista",
     u"Esta referencia y la de la línea %1 se solapan: una empieza por la otra, y la de parcela ya consulta todos "
     u"sus inmuebles."},
    {Coma, "coma", u"Líneas partidas por una coma",
     u"Una coma fuera de comillas partió la línea en varios registros; si la coma es parte de un dato, escriba el "
     u"dato entre comillas."},
    {Tabulador, "tabulador", u"Registros con un tabulador que desplazó las columnas",
     u"Al quitar un tabulador de dentro del registro, las columnas que lo seguían se han desplazado."},
    {TextoSobrante, "texto-sobrante", u"Registros con texto después de la última columna",
     u"Hay texto después de la última columna del formato; quizá la lista es de otro tipo de consulta."},
    {Codificacion, "codificacion", u"Líneas leídas como Windows-1252 en una lista UTF-8",
     u"La línea no es UTF-8 válido y se ha leído como Windows-1252; compruebe sus letras acentuadas."},
};

QString desdeUtf8(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

bool esCifra(char c)
{
    return c >= '0' && c <= '9';
}

bool esLetra(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool sonCifras(std::string_view texto, size_t cuantas)
{
    if (texto.size() != cuantas)
        return false;
    for (char c : texto)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int numero(std::string_view cifras)
{
    int n = 0;
    for (char c : cifras)
        n = n * 10 + (c - '0');
    return n;
}

constexpr char LetrasDNI[] = "TRWAGMYFPDXBNJZSQVHLCKE";
constexpr char LetrasEntidad[] = "JABCDEFGHI";
constexpr std::string_view PrimerasEntidad = "ABCDEFGHJNPQRSUVW";

// Letters weigh their place in the Spanish alphabet, Ñ included.
int valorRC(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c == U'Ñ')
        return 15;
    if (c >= U'A' && c <= U'N')
        return int(c - U'A') + 1;
    return int(c - U'A') + 2;
}

// A key of the record that may be kept for each of a million records: its 64-bit hash
// and the line it was first seen on, twelve bytes. Two different keys share a hash with
// a chance of about one in 10^7 on a list of a million records.
class TablaClaves {
public:
    // Keys are short (a NIF, a reference, four codes): eight bytes at a time through a
    // 128-bit multiply, the mix that wyhash and its kin use, with the length folded in.
    static quint64 hashDe(std::string_view clave)
    {
        const auto mezclar = [](quint64 a, quint64 b) {
            __extension__ using Doble = unsigned __int128; // GCC and Clang have it; ISO C++ does not
            const Doble producto = static_cast<Doble>(a) * b;
            return quint64(producto) ^ quint64(producto >> 64);
        };
        quint64 h = 0x9E3779B97F4A7C15ULL ^ clave.size();
        size_t i = 0;
        for (; i + 8 <= clave.size(); i += 8) {
            quint64 ocho;
            std::memcpy(&ocho, clave.data() + i, 8);
            h = mezclar(h ^ ocho, 0xA0761D6478BD642FULL);
        }
        quint64 resto = 0;
        std::memcpy(&resto, clave.data() + i, clave.size() - i);
        h = mezclar(h ^ resto, 0xE7037ED1A0B428DBULL);
        h = mezclar(h, 0x8EBC6AF09C88C6E3ULL);
        return h == 0 ? 1 : h;
    }

    /// Asks the processor for the slot of `h` now, so it is at hand when the record's
    /// check ends: a table this size lives far from the cache.
    void precargar(quint64 h) const
    {
        const Subtabla &t = m_subtablas[h >> DesplazamientoSubtabla];
        // Unconditional on purpose: GCC 12 drops a prefetch that stands inside a branch.
        __builtin_prefetch(t.entradas.get() + (h & (t.capacidad - 1)));
    }

    /// The line an equal key was first seen on, or 0 (and `linea` kept for it).
    qint64 buscarOAnadir(quint64 h, qint64 linea) { return recorrer(h, linea); }
    /// The line an equal key was first seen on, or 0.
    qint64 buscar(quint64 h) { return recorrer(h, 0); }

private:
#pragma pack(push, 4)
    struct Entrada {
        quint64 hash = 0;   // 0: free
        quint32 linea = 0;  // a list of more lines than this names the last one it can
    };
#pragma pack(pop)
    static_assert(sizeof(Entrada) == 12);

    struct Liberar {
        void operator()(Entrada *entradas) const { std::free(entradas); }
    };
    using Entradas = std::unique_ptr<Entrada[], Liberar>;

    // Sixteen tables instead of one: growing one never needs the old and the new copy of
    // the whole set at once, which keeps the peak of memory down.
    static constexpr int DesplazamientoSubtabla = 60;
    struct Subtabla {
        size_t capacidad = 16; // a power of two, never 0, so a slot can always be named
        Entradas entradas = reservar(capacidad);
        size_t usados = 0;
    };

    static Entradas reservar(size_t capacidad)
    {
        void *memoria = std::calloc(capacidad, sizeof(Entrada));
        if (!memoria)
            throw std::bad_alloc();
        return Entradas(static_cast<Entrada *>(memoria));
    }

    static void crecer(Subtabla &t)
    {
        const size_t capacidad = t.capacidad * 2;
        Entradas nuevas = reservar(capacidad);
        for (size_t i = 0; i < t.capacidad; ++i) {
            const Entrada &entrada = t.entradas[i];
            if (!entrada.hash)
                continue;
            size_t j = entrada.hash & (capacidad - 1);
            while (nuevas[j].hash)
                j = (j + 1) & (capacidad - 1);
            nuevas[j] = entrada;
        }
        t.entradas = std::move(nuevas);
        t.capacidad = capacidad;
    }

    qint64 recorrer(quint64 h, qint64 linea)
    {
        Subtabla &t = m_subtablas[h >> DesplazamientoSubtabla];
        if (linea && (t.usados + 1) * 2 > t.capacidad)
            crecer(t);
        const size_t mascara = t.capacidad - 1;
        for (size_t i = h & mascara;; i = (i + 1) & mascara) {
            Entrada &entrada = t.entradas[i];
            if (entrada.hash == h)
                return entrada.linea;
            if (!entrada.hash) {
                if (linea) {
                    entrada.hash = h;
                    entrada.linea = quint32(std::min<qint64>(linea, std::numeric_limits<quint32>::max()));
                    ++t.usados;
                }
                return 0;
            }
        }
    }

    std::array<Subtabla, 16> m_subtablas;
};

size_t contarCaracteres(std::string_view utf8)
{
    return size_t(std::count_if(utf8.begin(), utf8.end(),
                                [](char b) { return (static_cast<unsigned char>(b) & 0xC0) != 0x80; }));
}

// The byte offset of character `n` of a UTF-8 text (its length when shorter).
size_t desplazamientoDe(std::string_view texto, int n)
{
    size_t i = 0;
    for (int c = 0; c < n && i < texto.size(); ++c) {
        ++i;
        while (i < texto.size() && (static_cast<unsigned char>(texto[i]) & 0xC0) == 0x80)
            ++i;
    }
    return i;
}

} // namespace

std::span<const DescripcionAviso> descripcionesAvisos()
{
    return Descripciones;
}

const DescripcionAviso &describir(CodigoAviso codigo)
{
    return Descripciones[int(codigo)];
}

namespace {

// The NIF check without a single allocation: it runs on every record of a NIF list.
// `esperado` receives the right control character(s) as text: "Z", or "8 o H".
std::optional<CodigoAviso> comprobarNifSinTexto(std::string_view nif, std::array<char, 6> &esperado)
{
    if (nif.size() != 9 || !sonCifras(nif.substr(1, 7), 7))
        return NifForma;
    // The common case first: a DNI, eight digits and its letter.
    if (esCifra(nif[0]) && nif[8] == LetrasDNI[numero(nif.substr(0, 8)) % 23])
        return std::nullopt;
    const char primero = nif[0];
    const char control = nif[8];
    esperado = {};
    if (esCifra(primero) || primero == 'X' || primero == 'Y' || primero == 'Z' || primero == 'K' || primero == 'L'
        || primero == 'M') {
        if (!esLetra(control))
            return NifForma;
        int cuenta = numero(nif.substr(1, 7));
        if (esCifra(primero))
            cuenta += (primero - '0') * 10000000;
        else if (primero == 'Y' || primero == 'Z')
            cuenta += (primero == 'Y' ? 1 : 2) * 10000000;
        if (control == LetrasDNI[cuenta % 23])
            return std::nullopt;
        esperado[0] = LetrasDNI[cuenta % 23];
        return NifControl;
    }
    if (PrimerasEntidad.find(primero) == std::string_view::npos)
        return NifForma;
    if (!esCifra(control) && !(control >= 'A' && control <= 'J'))
        return NifForma;
    int pares = 0;
    int impares = 0;
    for (int i = 1; i <= 7; ++i) {
        const int cifra = nif[size_t(i)] - '0';
        if (i % 2 == 0)
            pares += cifra;
        else
            impares += (2 * cifra) / 10 + (2 * cifra) % 10;
    }
    const int c = (10 - (pares + impares) % 10) % 10;
    // Either form of the control is accepted: the digit or its letter.
    if (control == char('0' + c) || control == LetrasEntidad[c])
        return std::nullopt;
    esperado = {char('0' + c), ' ', 'o', ' ', LetrasEntidad[c], '\0'};
    return NifControl;
}

} // namespace

std::optional<CodigoAviso> comprobarNIF(std::string_view nif, QString *esperado)
{
    std::array<char, 6> correcto{};
    const std::optional<CodigoAviso> aviso = comprobarNifSinTexto(nif, correcto);
    if (aviso == NifControl && esperado)
        *esperado = QString::fromLatin1(correcto.data());
    return aviso;
}

QString calcularControlRC(std::u32string_view dieciocho)
{
    static constexpr int Pesos[] = {13, 15, 12, 5, 4, 17, 9, 21, 3, 7, 1};
    static constexpr char Letras[] = "MQWERTYUIOPASDFGHJKLBZX";
    QString control;
    for (int tramo : {0, 7}) {
        int suma = 0;
        for (int i = 0; i < 7; ++i)
            suma += valorRC(dieciocho[size_t(tramo + i)]) * Pesos[i];
        for (int i = 0; i < 4; ++i)
            suma += valorRC(dieciocho[size_t(14 + i)]) * Pesos[7 + i];
        control += QLatin1Char(Letras[suma % 23]);
    }
    return control;
}

QList<CodigoAviso> comprobarRC(std::string_view rc, QString *esperado)
{
    QList<CodigoAviso> avisos;
    // A reference is plain ASCII but for Ñ, so it is read on its bytes.
    std::array<char32_t, 20> caracteres{};
    size_t cuantos = 0;
    bool forma = true;
    for (size_t i = 0; i < rc.size(); ++cuantos) {
        char32_t c = static_cast<unsigned char>(rc[i]);
        if (rc.substr(i, 2) == "\xC3\x91") {
            c = U'Ñ';
            i += 2;
        } else {
            if (c >= 0x80) {
                forma = false;
                while (++i < rc.size() && (static_cast<unsigned char>(rc[i]) & 0xC0) == 0x80) {
                }
                continue;
            }
            forma &= esCifra(char(c)) || esLetra(char(c));
            ++i;
        }
        if (cuantos < caracteres.size())
            caracteres[cuantos] = c;
    }
    if (!forma)
        avisos.append(RcForma);
    if (cuantos != 14 && cuantos != 18 && cuantos != 20)
        avisos.append(RcLongitud);
    if (forma && cuantos == 20) {
        const QString control = calcularControlRC(std::u32string_view(caracteres.data(), 18));
        if (control != QString::fromUcs4(caracteres.data() + 18, 2)) {
            avisos.append(RcControl);
            if (esperado)
                *esperado = control;
        }
    }
    return avisos;
}

// A warning kept until its record is finished.
struct AvisoGuardado {
    CodigoAviso codigo;
    QLatin1StringView campo;
    std::string valor;
    std::string detalle;
};

// A field's document form as the reading thread hands it over: codes take at most five
// characters of five bytes, an identifier twenty.
template<size_t N>
struct Copia {
    std::array<char, N> bytes;
    quint8 longitud = 0;
    void poner(std::string_view valor)
    {
        longitud = quint8(std::min(valor.size(), N));
        std::memcpy(bytes.data(), valor.data(), longitud);
    }
    std::string_view vista() const { return std::string_view(bytes.data(), longitud); }
};

// One record as the checks need it, copied out of the reading thread's fields.
struct Comprobador::Pieza {
    enum class Clase : quint8 { Registro, Fin, Abandono };
    Clase clase = Clase::Registro;
    bool escrito = false;
    bool primeroDeSuLinea = false;
    bool enBlanco = true;
    bool tabulador = false;
    bool sobrante = false;
    bool windows1252 = false;
    bool listaUtf8 = false;
    qint64 linea = 0;
    Copia<104> identificador; // the NIF or the reference
    Copia<32> PRO, MUN, POL, PAR;
    std::string texto;        // the cleaned record, when a tab or a comma may be quoted
    std::string textoSobrante; // what stands past the last column, when something does
};

// The records on their way from the reading thread to the checks', in order. One writer
// and one reader, each on its own cache line. Both sides hand over in batches: a shared
// counter written on every record would bounce between the two cores, and waking a
// sleeping side is a system call. Each side spins a little before it sleeps. Eight
// batches of room are enough to ride out a stall; more is paid for by every list, short
// ones too, in zeroed pages.
struct Comprobador::Cola {
    static constexpr quint64 Capacidad = 256;
    static constexpr quint64 Tanda = 32;
    std::array<Pieza, Capacidad> piezas;
    alignas(64) std::atomic<quint64> escritas{0};
    std::atomic<bool> lectorDuerme{false};
    alignas(64) std::atomic<quint64> leidas{0};
    std::atomic<bool> escritorDuerme{false};
    // Each side's own view: what it has done, and what it last saw of the other.
    alignas(64) quint64 propiasEscritas = 0;
    quint64 vistasLeidas = 0;
    alignas(64) quint64 propiasLeidas = 0;
    quint64 vistasEscritas = 0;

    // Waits until `valor` differs from `visto`, which the other side changes.
    static quint64 esperar(std::atomic<quint64> &valor, quint64 visto, std::atomic<bool> &duerme)
    {
        for (int vuelta = 0; vuelta < 4000; ++vuelta) {
            const quint64 ahora = valor.load(std::memory_order_acquire);
            if (ahora != visto)
                return ahora;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        // Said before looking again, and looked at after the other side's change is seen
        // (both sequentially consistent): one of the two always notices the other.
        duerme.store(true);
        quint64 ahora;
        while ((ahora = valor.load()) == visto)
            valor.wait(visto);
        duerme.store(false);
        return ahora;
    }

    Pieza &reservar()
    {
        while (propiasEscritas - vistasLeidas == Capacidad)
            vistasLeidas = esperar(leidas, vistasLeidas, escritorDuerme);
        return piezas[propiasEscritas % Capacidad];
    }
    void publicar(bool ahora = false)
    {
        ++propiasEscritas;
        if (!ahora && propiasEscritas % Tanda != 0 && propiasEscritas - vistasLeidas < Capacidad)
            return;
        escritas.store(propiasEscritas);
        if (lectorDuerme.load())
            escritas.notify_one();
        vistasLeidas = leidas.load(std::memory_order_acquire);
    }
    const Pieza &siguiente()
    {
        if (propiasLeidas == vistasEscritas) {
            // Whatever was read so far goes back to the writer before this side waits.
            leidas.store(propiasLeidas);
            if (escritorDuerme.load())
                leidas.notify_one();
            vistasEscritas = esperar(escritas, propiasLeidas, lectorDuerme);
        }
        return piezas[propiasLeidas % Capacidad];
    }
    void liberar()
    {
        ++propiasLeidas;
        if (propiasLeidas % Tanda == 0) {
            leidas.store(propiasLeidas);
            if (escritorDuerme.load())
                leidas.notify_one();
        }
    }
};

// A step of the checks that waits in the queue: a written record whose key is being
// fetched from the table, or the end of a line, whose own warnings follow its records'.
struct Comprobador::Paso {
    bool finDeLinea = false;
    bool abreLinea = false; // the first written record of its line
    qint64 linea = 0;
    // A record.
    quint64 hash = 0;
    // The record's identifier as its key: the NIF or the reference as written, or the four
    // codes with a separator no value can hold, in their document form (each character in
    // at most five bytes) or, for a reference, as text.
    static constexpr size_t MaximoClave = 128;
    std::array<char, MaximoClave> clave;
    size_t longitudClave = 0;
    std::string_view vistaClave() const { return std::string_view(clave.data(), longitudClave); }
    void ponerClave(std::string_view valor)
    {
        longitudClave = std::min(valor.size(), MaximoClave);
        std::memcpy(clave.data(), valor.data(), longitudClave);
    }
    void anadirAClave(std::string_view valor)
    {
        const size_t n = std::min(valor.size(), MaximoClave - longitudClave);
        std::memcpy(clave.data() + longitudClave, valor.data(), n);
        longitudClave += n;
    }
    // A reference of 14, 18 or 20 characters: the hashes of its first 14 and 18, when
    // it has them, for rc-incluida; 0 where there is none.
    bool incluible = false;
    std::array<quint64, 2> prefijos{};
    bool deOtroTipo = false;
    std::vector<AvisoGuardado> antes;   // its fields' warnings
    std::vector<AvisoGuardado> despues; // a tab, text past the columns
    // The end of a line.
    qint64 noEnBlanco = 0;
    qint64 escritos = 0;
    bool windows1252 = false;
    bool listaUtf8 = false;
    std::string trasLaComa;
};

struct Comprobador::Estado {
    TablaClaves claves;
    TablaClaves prefijos; // the first 14 and 18 characters of every reference seen, for rc-incluida
    std::string almacen;

    // A record's key is looked up this many steps after it was read, once the table's slot
    // has come from memory: a table of a million keys lives far from the cache. The steps
    // leave the queue in order, so the warnings keep the order of the lines.
    static constexpr size_t Distancia = 16;
    // Room for a line's end and the next line's first record before the queue is trimmed.
    std::array<Paso, Distancia + 2> cola;
    size_t primero = 0;
    size_t cuantos = 0;
    qint64 sinAvisoEnLinea = 0; // written records of the line being retired that had no warning

    // The line being read.
    qint64 linea = 0;
    bool lineaAbierta = false;
    bool quizaPendientes = false; // a Windows-1252 line was closed before the list showed itself UTF-8
    bool windows1252 = false;
    qint64 noEnBlanco = 0;
    qint64 escritos = 0;
    std::string trasLaComa;

    Paso &nuevoPaso()
    {
        Q_ASSERT(cuantos < cola.size());
        Paso &paso = cola[(primero + cuantos++) % cola.size()];
        paso.antes.clear();
        paso.despues.clear();
        return paso;
    }

    // Windows-1252 lines met before the list showed itself to be UTF-8: reported once it
    // does, forgotten if it never does. A list that is Windows-1252 throughout has one for
    // almost every line, so each is kept in a few bytes: the step from the line before and
    // its written records without another warning, as variable-length numbers.
    std::vector<quint8> pendientes;
    qint64 ultimaPendiente = 0;

    void anadirNumero(quint64 n)
    {
        for (; n >= 0x80; n >>= 7)
            pendientes.push_back(quint8(n | 0x80));
        pendientes.push_back(quint8(n));
    }
    static quint64 leerNumero(const quint8 *&p)
    {
        quint64 n = 0;
        for (int desplazamiento = 0;; desplazamiento += 7) {
            const quint8 b = *p++;
            n |= quint64(b & 0x7F) << desplazamiento;
            if (!(b & 0x80))
                return n;
        }
    }
};

Comprobador::Comprobador(TipoConsulta tipo, ReceptorAvisos &receptor)
    : m_tipo(tipo)
    , m_receptor(receptor)
    , m_estado(std::make_unique<Estado>())
    , m_cola(std::make_unique<Cola>())
    , m_hilo(&Comprobador::trabajar, this)
{
}

Comprobador::~Comprobador()
{
    if (m_hilo.joinable())
        acabar(false, false);
}

void Comprobador::acabar(bool completo, bool listaUtf8)
{
    Pieza &pieza = m_cola->reservar();
    pieza.clase = completo ? Pieza::Clase::Fin : Pieza::Clase::Abandono;
    pieza.listaUtf8 = listaUtf8;
    m_cola->publicar(true);
    m_hilo.join();
}

void Comprobador::trabajar()
{
    for (;;) {
        const Pieza &pieza = m_cola->siguiente();
        const Pieza::Clase clase = pieza.clase;
        if (clase == Pieza::Clase::Fin) {
            Estado &e = *m_estado;
            cerrarLinea(pieza.listaUtf8);
            while (e.cuantos > 0)
                retirar(e.cola[e.primero]);
            e.pendientes.clear();
            e.ultimaPendiente = 0;
        } else if (clase == Pieza::Clase::Registro) {
            procesar(pieza);
        }
        m_cola->liberar();
        if (clase != Pieza::Clase::Registro)
            return;
    }
}

QString textoDeAviso(const Aviso &aviso)
{
    QString texto = QString::fromUtf16(describir(aviso.codigo).texto);
    if (texto.contains(u"%1"))
        texto.replace(QStringLiteral("%1"), desdeUtf8(aviso.detalle));
    return texto;
}

void Comprobador::avisar(CodigoAviso codigo, qint64 linea, QLatin1StringView campo, std::string_view valor,
                         std::string_view detalle)
{
    m_receptor.recibirAviso(Aviso{codigo, linea, campo, valor, detalle});
    ++m_avisos;
}

void Comprobador::comprobarRegistro(const Campos &campos, bool escrito, qint64 linea, bool primeroDeSuLinea,
                                    torxal::Codificacion codificacion, bool listaUtf8)
{
    Pieza &pieza = m_cola->reservar();
    pieza.clase = Pieza::Clase::Registro;
    pieza.escrito = escrito;
    pieza.primeroDeSuLinea = primeroDeSuLinea;
    pieza.enBlanco = campos.enBlanco;
    pieza.tabulador = campos.tabulador;
    pieza.sobrante = campos.sobrante;
    pieza.windows1252 = codificacion == torxal::Codificacion::Windows1252;
    pieza.listaUtf8 = listaUtf8;
    pieza.linea = linea;
    if (primeroDeSuLinea)
        m_noEnBlancoEnLinea = 0;
    const bool segundoDeLaLinea = !campos.enBlanco && ++m_noEnBlancoEnLinea == 2;
    // The record's text is made here, where the cleaned record is at hand, and only when a
    // warning may quote it.
    pieza.texto.clear();
    if (segundoDeLaLinea || (escrito && campos.tabulador))
        pieza.texto = textoLimpio(campos).toStdString();
    pieza.textoSobrante.clear();
    if (escrito) {
        switch (m_tipo) {
        case TipoConsulta::NIF:
            pieza.identificador.poner(campos.NIF.vista());
            break;
        case TipoConsulta::RC:
            pieza.identificador.poner(campos.RC.vista());
            break;
        case TipoConsulta::PP:
            pieza.POL.poner(campos.POL.vista());
            pieza.PAR.poner(campos.PAR.vista());
            break;
        }
        pieza.PRO.poner(campos.PRO.vista());
        pieza.MUN.poner(campos.MUN.vista());
        if (campos.sobrante)
            pieza.textoSobrante = textoLimpio(campos, finDeColumnas(m_tipo) - 1).toStdString();
    }
    m_cola->publicar();
}

void Comprobador::procesar(const Pieza &pieza)
{
    Estado &e = *m_estado;
    if (pieza.primeroDeSuLinea) {
        cerrarLinea(pieza.listaUtf8);
        e.lineaAbierta = true;
        e.linea = pieza.linea;
        e.windows1252 = pieza.windows1252;
    }
    if (!pieza.enBlanco && ++e.noEnBlanco == 2)
        e.trasLaComa = pieza.texto;
    if (pieza.escrito) {
        ++e.escritos;
        Paso &paso = e.nuevoPaso();
        paso.finDeLinea = false;
        paso.abreLinea = e.escritos == 1;
        paso.linea = pieza.linea;
        comprobarCampos(pieza, paso);
    }
    while (e.cuantos > Estado::Distancia)
        retirar(e.cola[e.primero]);
}

void Comprobador::comprobarCampos(const Pieza &campos, Paso &paso)
{
    Estado &e = *m_estado;
    paso.deOtroTipo = false;
    const auto guardar = [&](std::vector<AvisoGuardado> &donde, CodigoAviso codigo, QLatin1StringView campo,
                             std::string_view valor, std::string_view detalle = {}) {
        donde.push_back(AvisoGuardado{codigo, campo, std::string(valor), std::string(detalle)});
    };
    // Digits are checked on the document form, where a digit is itself: only a warning
    // needs the value undone.
    const auto codigo = [&](CodigoAviso numerico, CodigoAviso inexistente, const Copia<32> &campo, size_t cifras,
                            QLatin1StringView nombre) {
        const std::string_view documento = campo.vista();
        if (documento.empty())
            return;
        if (!sonCifras(documento, cifras)) {
            guardar(paso.antes, numerico, nombre, descodificarValor(documento, e.almacen));
            return;
        }
        if (numerico != ProNoNumerico)
            return;
        const int provincia = numero(documento);
        if (provincia > 52)
            guardar(paso.antes, inexistente, nombre, documento, documento);
        else if (provincia == 1 || provincia == 20 || provincia == 31 || provincia == 48)
            guardar(paso.antes, ProSinServicio, nombre, documento, documento);
    };

    switch (m_tipo) {
    case TipoConsulta::NIF: {
        // Two NIFs are equal when their document forms are: no need to undo the escapes.
        paso.ponerClave(campos.identificador.vista());
        std::array<char, 6> esperado{};
        if (const auto aviso = comprobarNifSinTexto(paso.vistaClave(), esperado)) {
            guardar(paso.antes, *aviso, QLatin1StringView("NIF"), descodificarValor(paso.vistaClave(), e.almacen),
                    esperado.data());
            paso.deOtroTipo = *aviso == NifForma;
        }
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QLatin1StringView("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QLatin1StringView("MUN"));
        break;
    }
    case TipoConsulta::RC: {
        // A reference is cut into prefixes by characters, so it is kept as text.
        paso.ponerClave(descodificarValor(campos.identificador.vista(), e.almacen));
        const std::string_view clave = paso.vistaClave();
        QString esperado;
        for (CodigoAviso aviso : comprobarRC(clave, &esperado)) {
            guardar(paso.antes, aviso, QLatin1StringView("RC"), clave,
                    aviso == RcLongitud ? std::to_string(contarCaracteres(clave)) : esperado.toStdString());
            paso.deOtroTipo |= aviso == RcForma || aviso == RcLongitud;
        }
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QLatin1StringView("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QLatin1StringView("MUN"));
        break;
    }
    case TipoConsulta::PP: {
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QLatin1StringView("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QLatin1StringView("MUN"));
        codigo(PolNoNumerico, PolNoNumerico, campos.POL, 3, QLatin1StringView("POL"));
        codigo(ParNoNumerico, ParNoNumerico, campos.PAR, 5, QLatin1StringView("PAR"));
        paso.longitudClave = 0;
        for (const Copia<32> *campo : {&campos.PRO, &campos.MUN, &campos.POL, &campos.PAR}) {
            paso.anadirAClave(campo->vista());
            paso.anadirAClave("\x1F");
        }
        break;
    }
    }
    const std::string_view clave = paso.vistaClave();
    paso.hash = TablaClaves::hashDe(clave);
    e.claves.precargar(paso.hash);
    paso.incluible = false;
    if (m_tipo == TipoConsulta::RC) {
        const size_t caracteres = contarCaracteres(clave);
        paso.incluible = caracteres == 14 || caracteres == 18 || caracteres == 20;
        if (paso.incluible) {
            e.prefijos.precargar(paso.hash);
            for (size_t i = 0; i < 2; ++i) {
                const int corte = i == 0 ? 14 : 18;
                paso.prefijos[i] = size_t(corte) < caracteres ? TablaClaves::hashDe(clave.substr(0, desplazamientoDe(clave, corte)))
                                                              : 0;
                if (paso.prefijos[i]) {
                    e.claves.precargar(paso.prefijos[i]);
                    e.prefijos.precargar(paso.prefijos[i]);
                }
            }
        }
    }
    if (campos.tabulador)
        guardar(paso.despues, Tabulador, {}, campos.texto);
    if (campos.sobrante) {
        guardar(paso.despues, TextoSobrante, {}, campos.textoSobrante);
        paso.deOtroTipo = true;
    }
}

void Comprobador::retirar(Paso &paso)
{
    Estado &e = *m_estado;
    e.primero = (e.primero + 1) % e.cola.size();
    --e.cuantos;
    if (paso.finDeLinea)
        retirarFinDeLinea(paso);
    else
        retirarRegistro(paso);
}

void Comprobador::retirarRegistro(Paso &paso)
{
    Estado &e = *m_estado;
    if (paso.abreLinea)
        e.sinAvisoEnLinea = 0;
    const qint64 avisosAntes = m_avisos;
    for (const AvisoGuardado &aviso : paso.antes)
        avisar(aviso.codigo, paso.linea, aviso.campo, aviso.valor, aviso.detalle);
    const QLatin1StringView nombreClave = m_tipo == TipoConsulta::NIF ? QLatin1StringView("NIF")
        : m_tipo == TipoConsulta::RC                                  ? QLatin1StringView("RC")
                                                                      : QLatin1StringView("PRO MUN POL PAR");
    // Only a warning needs the key as the user wrote it.
    const auto valorClave = [&] {
        std::string valor(descodificarValor(paso.vistaClave(), e.almacen));
        if (m_tipo != TipoConsulta::PP)
            return valor;
        std::replace(valor.begin(), valor.end(), '\x1F', ' ');
        return valor.substr(0, valor.find_last_not_of(' ') + 1);
    };
    if (const qint64 anterior = e.claves.buscarOAnadir(paso.hash, paso.linea)) {
        avisar(Duplicado, paso.linea, nombreClave, valorClave(), std::to_string(anterior));
    } else if (paso.incluible) {
        qint64 incluida = e.prefijos.buscar(paso.hash);
        for (quint64 prefijo : paso.prefijos) {
            if (!prefijo)
                continue;
            if (!incluida)
                incluida = e.claves.buscar(prefijo);
            e.prefijos.buscarOAnadir(prefijo, paso.linea);
        }
        if (incluida)
            avisar(RcIncluida, paso.linea, nombreClave, valorClave(), std::to_string(incluida));
    }
    for (const AvisoGuardado &aviso : paso.despues)
        avisar(aviso.codigo, paso.linea, aviso.campo, aviso.valor, aviso.detalle);
    if (paso.deOtroTipo)
        ++m_registrosDeOtroTipo;
    if (m_avisos > avisosAntes)
        ++m_registrosConAvisos;
    else
        ++e.sinAvisoEnLinea;
}

// The line's records have all been retired before it: its own warnings follow theirs.
void Comprobador::retirarFinDeLinea(Paso &paso)
{
    Estado &e = *m_estado;
    if (paso.listaUtf8 && !e.pendientes.empty()) {
        qint64 linea = 0;
        for (const quint8 *p = e.pendientes.data(); p < e.pendientes.data() + e.pendientes.size();) {
            linea += qint64(Estado::leerNumero(p));
            avisar(CodigoAviso::Codificacion, linea, {}, {});
            m_registrosConAvisos += qint64(Estado::leerNumero(p));
        }
        e.pendientes.clear();
        e.pendientes.shrink_to_fit();
        e.ultimaPendiente = 0;
    }
    if (paso.escritos > 0) {
        if (paso.noEnBlanco >= 2) {
            avisar(Coma, paso.linea, {}, paso.trasLaComa);
            m_registrosConAvisos += e.sinAvisoEnLinea;
            e.sinAvisoEnLinea = 0;
        }
        if (paso.windows1252) {
            if (paso.listaUtf8) {
                avisar(CodigoAviso::Codificacion, paso.linea, {}, {});
                m_registrosConAvisos += e.sinAvisoEnLinea;
            } else {
                e.anadirNumero(quint64(paso.linea - e.ultimaPendiente));
                e.anadirNumero(quint64(e.sinAvisoEnLinea));
                e.ultimaPendiente = paso.linea;
            }
        }
    }
    e.sinAvisoEnLinea = 0;
}

void Comprobador::cerrarLinea(bool listaUtf8)
{
    Estado &e = *m_estado;
    if (!e.lineaAbierta)
        return;
    // Most lines can say nothing of their own: they take no step in the queue.
    const bool avisaLaLinea = e.escritos > 0 && (e.noEnBlanco >= 2 || e.windows1252);
    const bool vuelcaPendientes = listaUtf8 && e.quizaPendientes;
    e.lineaAbierta = false;
    if (avisaLaLinea || vuelcaPendientes) {
        e.quizaPendientes = listaUtf8 ? false : e.quizaPendientes || (e.escritos > 0 && e.windows1252);
        Paso &paso = e.nuevoPaso();
        paso.finDeLinea = true;
        paso.linea = e.linea;
        paso.noEnBlanco = e.noEnBlanco;
        paso.escritos = e.escritos;
        paso.windows1252 = e.windows1252;
        paso.listaUtf8 = listaUtf8;
        paso.trasLaComa = std::move(e.trasLaComa);
    }
    e.noEnBlanco = 0;
    e.escritos = 0;
    e.windows1252 = false;
    e.trasLaComa.clear();
}

void Comprobador::terminar(bool listaUtf8)
{
    if (m_hilo.joinable())
        acabar(true, listaUtf8);
}

} // namespace torxal
