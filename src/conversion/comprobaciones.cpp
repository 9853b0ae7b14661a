#include "comprobaciones.h"

#include "documento.h"
#include "limpieza.h"
#include "rutas.h"

#include <QHashFunctions>

#include <algorithm>
#include <array>
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
    return texto.size() == cuantas && std::all_of(texto.begin(), texto.end(), esCifra);
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
// and the line it was first seen on. Two different keys share a hash with a chance of
// about one in 10^7 on a list of a million records.
class TablaClaves {
public:
    /// The line an equal key was first seen on, or 0 (and `linea` kept for it).
    qint64 buscarOAnadir(std::string_view clave, qint64 linea) { return recorrer(clave, linea); }
    /// The line an equal key was first seen on, or 0.
    qint64 buscar(std::string_view clave) { return recorrer(clave, 0); }

private:
    // Many small tables instead of one large: growing one never needs the old and the new
    // copy of the whole set at once, which keeps the peak of memory down.
    struct Subtabla {
        std::vector<quint64> hashes;
        std::vector<qint64> lineas;
        size_t usados = 0;
    };

    static quint64 hashDe(std::string_view clave)
    {
        const quint64 h = qHashBits(clave.data(), clave.size(), 0x746f7278616cULL);
        return h == 0 ? 1 : h;
    }

    static void crecer(Subtabla &t)
    {
        const size_t capacidad = t.hashes.empty() ? 16 : t.hashes.size() * 2;
        std::vector<quint64> hashes(capacidad, 0);
        std::vector<qint64> lineas(capacidad, 0);
        for (size_t i = 0; i < t.hashes.size(); ++i) {
            if (!t.hashes[i])
                continue;
            size_t j = t.hashes[i] & (capacidad - 1);
            while (hashes[j])
                j = (j + 1) & (capacidad - 1);
            hashes[j] = t.hashes[i];
            lineas[j] = t.lineas[i];
        }
        t.hashes = std::move(hashes);
        t.lineas = std::move(lineas);
    }

    qint64 recorrer(std::string_view clave, qint64 linea)
    {
        const quint64 h = hashDe(clave);
        Subtabla &t = m_subtablas[h >> 56];
        if (linea && (t.usados + 1) * 4 > t.hashes.size() * 3)
            crecer(t);
        if (t.hashes.empty())
            return 0;
        const size_t mascara = t.hashes.size() - 1;
        for (size_t i = h & mascara;; i = (i + 1) & mascara) {
            if (t.hashes[i] == h)
                return t.lineas[i];
            if (!t.hashes[i]) {
                if (linea) {
                    t.hashes[i] = h;
                    t.lineas[i] = linea;
                    ++t.usados;
                }
                return 0;
            }
        }
    }

    std::array<Subtabla, 256> m_subtablas;
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

std::optional<CodigoAviso> comprobarNIF(std::string_view nif, QString *esperado)
{
    if (nif.size() != 9 || !sonCifras(nif.substr(1, 7), 7))
        return NifForma;
    const char primero = nif[0];
    const char control = nif[8];
    QString correcto;
    if (esCifra(primero) || primero == 'X' || primero == 'Y' || primero == 'Z' || primero == 'K' || primero == 'L'
        || primero == 'M') {
        if (!esLetra(control))
            return NifForma;
        int cuenta = numero(nif.substr(1, 7));
        if (esCifra(primero))
            cuenta += (primero - '0') * 10000000;
        else if (primero == 'Y' || primero == 'Z')
            cuenta += (primero == 'Y' ? 1 : 2) * 10000000;
        correcto = QChar(QLatin1Char(LetrasDNI[cuenta % 23]));
        if (control == LetrasDNI[cuenta % 23])
            return std::nullopt;
    } else if (PrimerasEntidad.find(primero) != std::string_view::npos) {
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
        correcto = QString(QLatin1Char(char('0' + c))) + QStringLiteral(" o ") + QLatin1Char(LetrasEntidad[c]);
    } else {
        return NifForma;
    }
    if (esperado)
        *esperado = correcto;
    return NifControl;
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

struct Comprobador::Estado {
    TablaClaves claves;
    TablaClaves prefijos; // the first 14 and 18 characters of every reference seen, for rc-incluida
    std::string almacen;
    std::string clave; // kept from record to record, so a key past the small-string size allocates once

    // The line being read.
    qint64 linea = 0;
    bool windows1252 = false;
    qint64 noEnBlanco = 0;
    qint64 escritos = 0;
    qint64 escritosSinAviso = 0;
    QString trasLaComa;
    QString primerEscrito;

    // Windows-1252 lines met before the list showed itself to be UTF-8: reported once it
    // does, forgotten if it never does.
    struct Pendiente {
        qint64 linea;
        QString valor;
        qint64 escritosSinAviso;
    };
    std::vector<Pendiente> pendientes;
};

Comprobador::Comprobador(TipoConsulta tipo, ReceptorAvisos &receptor)
    : m_tipo(tipo)
    , m_receptor(receptor)
    , m_estado(std::make_unique<Estado>())
{
}

Comprobador::~Comprobador() = default;

void Comprobador::avisar(CodigoAviso codigo, qint64 linea, const QString &campo, const QString &valor,
                         const QString &detalle)
{
    QString texto = QString::fromUtf16(describir(codigo).texto);
    if (!detalle.isEmpty())
        texto.replace(QStringLiteral("%1"), detalle);
    m_receptor.recibirAviso(Aviso{codigo, linea, campo, valor, texto});
    ++m_avisos;
    ++m_avisosDelRegistro;
}

void Comprobador::comprobarRegistro(const Campos &campos, bool escrito, qint64 linea, bool primeroDeSuLinea,
                                    torxal::Codificacion codificacion, bool listaUtf8)
{
    Estado &e = *m_estado;
    if (primeroDeSuLinea) {
        cerrarLinea(listaUtf8);
        e.linea = linea;
        e.windows1252 = codificacion == torxal::Codificacion::Windows1252;
    }
    if (!campos.enBlanco && ++e.noEnBlanco == 2)
        e.trasLaComa = recortarEspacios(textoLimpio(campos));
    if (!escrito)
        return;
    if (e.escritos++ == 0 && e.windows1252)
        e.primerEscrito = recortarEspacios(textoLimpio(campos));
    m_avisosDelRegistro = 0;
    comprobarCampos(campos, linea);
    if (m_avisosDelRegistro > 0)
        ++m_registrosConAvisos;
    else
        ++e.escritosSinAviso;
}

void Comprobador::comprobarCampos(const Campos &campos, qint64 linea)
{
    Estado &e = *m_estado;
    bool deOtroTipo = false;
    const auto codigo = [&](CodigoAviso numerico, CodigoAviso inexistente, const CampoXml &campo, size_t cifras,
                            const QString &nombre) {
        const std::string_view valor = descodificarValor(campo.vista(), e.almacen);
        if (valor.empty())
            return;
        if (!sonCifras(valor, cifras)) {
            avisar(numerico, linea, nombre, desdeUtf8(valor));
            return;
        }
        if (numerico != ProNoNumerico)
            return;
        const int provincia = numero(valor);
        if (provincia > 52)
            avisar(inexistente, linea, nombre, desdeUtf8(valor), desdeUtf8(valor));
        else if (provincia == 1 || provincia == 20 || provincia == 31 || provincia == 48)
            avisar(ProSinServicio, linea, nombre, desdeUtf8(valor), desdeUtf8(valor));
    };

    std::string &clave = e.clave;
    clave.clear();
    switch (m_tipo) {
    case TipoConsulta::NIF: {
        clave = descodificarValor(campos.NIF.vista(), e.almacen);
        QString esperado;
        if (const auto aviso = comprobarNIF(clave, &esperado)) {
            avisar(*aviso, linea, QStringLiteral("NIF"), desdeUtf8(clave), esperado);
            deOtroTipo = *aviso == NifForma;
        }
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QStringLiteral("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QStringLiteral("MUN"));
        break;
    }
    case TipoConsulta::RC: {
        clave = descodificarValor(campos.RC.vista(), e.almacen);
        QString esperado;
        for (CodigoAviso aviso : comprobarRC(clave, &esperado)) {
            avisar(aviso, linea, QStringLiteral("RC"), desdeUtf8(clave),
                   aviso == RcLongitud ? QString::number(contarCaracteres(clave)) : esperado);
            deOtroTipo |= aviso == RcForma || aviso == RcLongitud;
        }
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QStringLiteral("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QStringLiteral("MUN"));
        break;
    }
    case TipoConsulta::PP: {
        codigo(ProNoNumerico, ProInexistente, campos.PRO, 2, QStringLiteral("PRO"));
        codigo(MunNoNumerico, MunNoNumerico, campos.MUN, 3, QStringLiteral("MUN"));
        codigo(PolNoNumerico, PolNoNumerico, campos.POL, 3, QStringLiteral("POL"));
        codigo(ParNoNumerico, ParNoNumerico, campos.PAR, 5, QStringLiteral("PAR"));
        for (const CampoXml *campo : {&campos.PRO, &campos.MUN, &campos.POL, &campos.PAR}) {
            clave += descodificarValor(campo->vista(), e.almacen);
            clave += '\x1F';
        }
        break;
    }
    }

    const QString nombreClave = m_tipo == TipoConsulta::NIF ? QStringLiteral("NIF")
        : m_tipo == TipoConsulta::RC                        ? QStringLiteral("RC")
                                                            : QStringLiteral("PRO MUN POL PAR");
    // Only a warning needs the key as text: most records have none.
    const auto valorClave = [&] {
        return m_tipo == TipoConsulta::PP ? desdeUtf8(clave).replace(u'\x1F', u' ').trimmed() : desdeUtf8(clave);
    };
    if (const qint64 anterior = e.claves.buscarOAnadir(clave, linea)) {
        avisar(Duplicado, linea, nombreClave, valorClave(), QString::number(anterior));
    } else if (m_tipo == TipoConsulta::RC) {
        const size_t caracteres = contarCaracteres(clave);
        if (caracteres == 14 || caracteres == 18 || caracteres == 20) {
            qint64 incluida = e.prefijos.buscar(clave);
            for (int corte : {14, 18}) {
                if (size_t(corte) >= caracteres)
                    continue;
                const std::string_view prefijo = std::string_view(clave).substr(0, desplazamientoDe(clave, corte));
                if (!incluida)
                    incluida = e.claves.buscar(prefijo);
                e.prefijos.buscarOAnadir(prefijo, linea);
            }
            if (incluida)
                avisar(RcIncluida, linea, nombreClave, valorClave(), QString::number(incluida));
        }
    }

    if (campos.tabulador)
        avisar(Tabulador, linea, QString(), recortarEspacios(textoLimpio(campos)));
    if (campos.sobrante) {
        avisar(TextoSobrante, linea, QString(), recortarEspacios(textoLimpio(campos, finDeColumnas(m_tipo) - 1)));
        deOtroTipo = true;
    }
    if (deOtroTipo)
        ++m_registrosDeOtroTipo;
}

void Comprobador::cerrarLinea(bool listaUtf8)
{
    Estado &e = *m_estado;
    if (listaUtf8 && !e.pendientes.empty()) {
        for (const Estado::Pendiente &pendiente : e.pendientes) {
            avisar(CodigoAviso::Codificacion, pendiente.linea, QString(), pendiente.valor);
            m_registrosConAvisos += pendiente.escritosSinAviso;
        }
        e.pendientes.clear();
    }
    if (e.escritos > 0) {
        if (e.noEnBlanco >= 2) {
            avisar(Coma, e.linea, QString(), e.trasLaComa);
            m_registrosConAvisos += e.escritosSinAviso;
            e.escritosSinAviso = 0;
        }
        if (e.windows1252) {
            if (listaUtf8) {
                avisar(CodigoAviso::Codificacion, e.linea, QString(), e.primerEscrito);
                m_registrosConAvisos += e.escritosSinAviso;
            } else {
                e.pendientes.push_back({e.linea, e.primerEscrito, e.escritosSinAviso});
            }
        }
    }
    e.noEnBlanco = 0;
    e.escritos = 0;
    e.escritosSinAviso = 0;
    e.windows1252 = false;
}

void Comprobador::terminar(bool listaUtf8)
{
    cerrarLinea(listaUtf8);
    m_estado->pendientes.clear();
}

} // namespace torxal
