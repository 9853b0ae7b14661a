// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "claves.h"

#include "empaquetado.h"
#include "limpieza.h"
#include "ordenarclaves.h"
#include "tramos.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <utility>

namespace torxal {

using namespace empaquetado;

namespace {

inline quint32 cubeta(quint64 x)
{
    return quint32((x * 0x9E3779B97F4A7C15ULL) >> 58);
}

quint64 mezclarBytes(std::string_view bytes)
{
    quint64 h = 0xCBF29CE484222325ULL;
    for (char b : bytes)
        h = (h ^ static_cast<unsigned char>(b)) * 0x100000001B3ULL;
    return h;
}

quint32 acotarLinea(qint64 linea)
{
    return quint32(std::min<qint64>(linea, std::numeric_limits<quint32>::max()));
}

// The words of a NIF (one, of nine characters) or of a reference (two, of ten), when
// every character is of the alphabet; one-byte characters the common way.
template<size_t Caracteres>
bool empaquetarClave(std::string_view valor, quint64 (&palabras)[2])
{
    constexpr size_t cuantas = Caracteres > 10 ? 2 : 1;
    constexpr size_t porPalabra = Caracteres / cuantas;
    bool todos = valor.size() == Caracteres;
    for (size_t i = 0; i < cuantas && todos; ++i)
        todos = palabraDeBytes(valor.data() + i * porPalabra, porPalabra, &palabras[i]);
    if (todos)
        return true;
    quint8 codigos[20];
    size_t cuantos = 0;
    if (!empaquetar(valor, Caracteres, codigos, &cuantos))
        return false;
    for (size_t i = 0; i < cuantas; ++i)
        palabras[i] = palabra(codigos, i * porPalabra, cuantos, porPalabra);
    return true;
}

// In a reference's word of its last ten characters, the four that complete the first 14.
constexpr quint64 Prefijo14 = 0xFFFFFFULL << 36;

quint32 cubetaDeReferencia(quint64 alto, quint64 bajo)
{
    return cubeta(alto ^ ((bajo & Prefijo14) * 0xD6E8FEB86659FD93ULL));
}

// An identifier with characters outside the alphabet, as bytes in the arena; a
// reference as its ordered bytes (codificarReferencia), so they sort as references do.
struct Lateral {
    quint32 desde;
    quint32 longitud;
    quint32 ordinal;
    quint32 linea;
};

struct HallazgoGuardado {
    quint32 ordinal;
    quint32 linea;
    quint32 nombrada;
    CodigoAviso codigo;
    bool lateral;
    quint32 indice; // into the arena, for a lateral key
    quint32 longitud;
    quint64 alto;
    quint64 bajo;
};

constexpr size_t Cubetas = 64;

} // namespace

struct Claves::Estado {
    Bloques bloques; // first, so it outlives the buckets that point into it
    std::array<Tramos<Entrada64>, Cubetas> cortas;
    std::array<Tramos<Entrada128>, Cubetas> largas;
    std::array<Tramos<Lateral>, Cubetas> laterales;
    std::string arena;
    std::vector<HallazgoGuardado> hallazgos;

    void anadirLateral(quint32 cubeta, std::string_view bytes, quint32 ordinal, quint32 linea)
    {
        laterales[cubeta].anadir(Lateral{quint32(arena.size()), quint32(bytes.size()), ordinal, linea}, bloques);
        arena.append(bytes);
    }
    std::string_view bytesDe(const Lateral &l) const { return std::string_view(arena).substr(l.desde, l.longitud); }
};

namespace {

// How many characters a packed reference has: its codes stand from the highest bits
// down, ended by the first zero.
size_t caracteresEmpaquetados(const Entrada128 &clave)
{
    const auto enPalabra = [](quint64 x) { return x == 0 ? 0 : 10 - size_t(std::countr_zero(x)) / 6; };
    return clave.bajo == 0 ? enPalabra(clave.alto) : 10 + enPalabra(clave.bajo);
}

// Whether `clave` starts with the first `caracteres` characters of `prefijo` (14 or 18).
bool empiezaPorEmpaquetada(const Entrada128 &clave, const Entrada128 &prefijo, size_t caracteres)
{
    const quint64 mascara = ~quint64(0) << (6 * (20 - caracteres));
    return clave.alto == prefijo.alto && (clave.bajo & mascara) == prefijo.bajo;
}

bool menorPorBytes(std::string_view a, quint32 ordinalA, std::string_view b, quint32 ordinalB)
{
    const int orden = a.compare(b);
    return orden != 0 ? orden < 0 : ordinalA < ordinalB;
}

// One distinct reference of a bucket, in sorted order, for the inclusions.
struct Grupo {
    quint32 ordinal; // its first record
    quint32 linea;
    size_t caracteres;
    const Entrada128 *larga; // its key: packed, or aside
    const Lateral *lateral;
    quint32 ordinalExtension = std::numeric_limits<quint32>::max(); // the first record that extends it
    quint32 lineaExtension = 0;
    qsizetype de14 = -1; // the groups equal to its first 14 and 18 characters
    qsizetype de18 = -1;
};

} // namespace

Claves::Claves(TipoConsulta tipo) : m_tipo(tipo), m_estado(std::make_unique<Estado>()) {}

Claves::~Claves() = default;

void Claves::anadir(const Campos &campos, quint32 ordinal, qint64 linea)
{
    Estado &e = *m_estado;
    const quint32 enLinea = acotarLinea(linea);
    switch (m_tipo) {
    case TipoConsulta::NIF: {
        const std::string_view nif = campos.NIF.vista();
        if (quint64 palabras[2]; empaquetarClave<9>(nif, palabras)) {
            e.cortas[cubeta(palabras[0])].anadir(Entrada64{palabras[0], ordinal, enLinea}, e.bloques);
        } else {
            e.anadirLateral(cubeta(mezclarBytes(nif)), nif, ordinal, enLinea);
        }
        break;
    }
    case TipoConsulta::RC: {
        const std::string_view rc = campos.RC.vista();
        if (quint64 palabras[2]; empaquetarClave<20>(rc, palabras)) {
            const auto [alto, bajo] = palabras;
            e.largas[cubetaDeReferencia(alto, bajo)].anadir(Entrada128{alto, bajo, ordinal, enLinea}, e.bloques);
            break;
        }
        std::string bytes;
        const size_t caracteres = codificarReferencia(rc, bytes);
        // Its bucket is that of its first 14 characters, where any reference it may
        // include or extend also lies: the packed ones' when those are of the alphabet.
        size_t enAlfabeto = 0;
        while (enAlfabeto < bytes.size() && enAlfabeto < 14 && static_cast<unsigned char>(bytes[enAlfabeto]) != 0x40)
            ++enAlfabeto;
        quint32 donde;
        if (enAlfabeto == 14) {
            const auto *c = reinterpret_cast<const quint8 *>(bytes.data());
            donde = cubetaDeReferencia(palabra(c, 0, 14, 10), palabra(c, 10, 14, 10));
        } else {
            size_t hasta = 0;
            for (size_t n = 0; hasta < bytes.size() && n < std::min<size_t>(14, caracteres); ++n)
                hasta += static_cast<unsigned char>(bytes[hasta]) == 0x40 ? 4 : 1;
            donde = cubeta(mezclarBytes(std::string_view(bytes).substr(0, hasta)));
        }
        e.anadirLateral(donde, bytes, ordinal, enLinea);
        break;
    }
    case TipoConsulta::PP: {
        const Campo *cuatro[] = {&campos.PRO, &campos.MUN, &campos.POL, &campos.PAR};
        constexpr size_t Cifras[] = {2, 3, 3, 5};
        constexpr quint64 Potencias[] = {100, 1000, 1000, 100000};
        quint64 clave = 0;
        bool cifras = true;
        for (size_t i = 0; i < 4 && cifras; ++i) {
            const std::string_view v = cuatro[i]->vista();
            // An absent parcel counts as none, which a parcel of zeros also is.
            cifras = v.size() == Cifras[i] || (i == 3 && v.empty());
            quint64 valor = 0;
            for (char c : v) {
                cifras &= c >= '0' && c <= '9';
                valor = valor * 10 + quint64(c - '0');
            }
            clave = clave * Potencias[i] + valor;
        }
        if (cifras) {
            e.cortas[cubeta(clave)].anadir(Entrada64{clave, ordinal, enLinea}, e.bloques);
            break;
        }
        std::string texto;
        for (const Campo *campo : cuatro) {
            texto.append(campo->vista());
            texto += '\x1F';
        }
        e.anadirLateral(cubeta(mezclarBytes(texto)), texto, ordinal, enLinea);
        break;
    }
    }
}

void Claves::buscar(const std::function<void(const Hallazgo &)> &cada)
{
    Estado &e = *m_estado;
    const auto guardar = [&e](CodigoAviso codigo, quint32 ordinal, quint32 linea, quint32 nombrada, bool lateral,
                              quint32 indice, quint32 longitud, quint64 alto, quint64 bajo) {
        anadirEn(e.hallazgos, HallazgoGuardado{ordinal, linea, nombrada, codigo, lateral, indice, longitud, alto, bajo});
    };
    std::string expandido;
    std::vector<Grupo> grupos;
    std::vector<Entrada64> cortas;
    std::vector<Entrada64> auxiliar;
    std::vector<Entrada128> largas;
    std::vector<Entrada128> auxiliarLargas;
    std::vector<Lateral> laterales;
    for (size_t c = 0; c < Cubetas; ++c) {
        e.laterales[c].volcar(laterales);
        std::sort(laterales.begin(), laterales.end(), [&e](const Lateral &a, const Lateral &b) {
            return menorPorBytes(e.bytesDe(a), a.ordinal, e.bytesDe(b), b.ordinal);
        });
        if (m_tipo != TipoConsulta::RC) {
            e.cortas[c].volcar(cortas);
            ordenarPorClave(cortas, auxiliar);
            for (size_t i = 1; i < cortas.size(); ++i) {
                const Entrada64 *primera = &cortas[i - 1];
                while (i < cortas.size() && cortas[i].clave == primera->clave) {
                    guardar(CodigoAviso::Duplicado, cortas[i].ordinal, cortas[i].linea, primera->linea, false, 0, 0,
                            cortas[i].clave, 0);
                    ++i;
                }
            }
            for (size_t i = 1; i < laterales.size(); ++i) {
                const Lateral *primera = &laterales[i - 1];
                while (i < laterales.size() && e.bytesDe(laterales[i]) == e.bytesDe(*primera)) {
                    guardar(CodigoAviso::Duplicado, laterales[i].ordinal, laterales[i].linea, primera->linea, true,
                            laterales[i].desde, laterales[i].longitud, 0, 0);
                    ++i;
                }
            }
            continue;
        }

        // References: the packed ones and those aside merged into one sorted walk. A stack
        // holds the walk's groups of 14 and 18 characters that start the current one.
        e.largas[c].volcar(largas);
        ordenarPorClave(largas, auxiliarLargas);
        grupos.clear();
        // A group whose key starts the current one. Packed keys are compared on their
        // words; only a reference aside needs the others' bytes, spelt out then.
        struct EnPila {
            qsizetype grupo;
            size_t caracteres;
            const Entrada128 *larga;
            std::string bytes; // for a key aside
        };
        const auto empiezaPor = [&](const Entrada128 *larga, std::string_view bytes, const EnPila &antes) {
            if (larga && antes.larga)
                return empiezaPorEmpaquetada(*larga, *antes.larga, antes.caracteres);
            if (larga)
                return false; // a key aside holds a character no packed key has
            if (antes.larga)
                expandir(antes.larga->alto, antes.larga->bajo, expandido);
            return bytes.starts_with(antes.larga ? std::string_view(expandido) : std::string_view(antes.bytes));
        };
        std::vector<EnPila> pila;
        std::string actual;
        size_t i = 0;
        size_t j = 0;
        while (i < largas.size() || j < laterales.size()) {
            bool deLargas = j == laterales.size();
            if (!deLargas && i < largas.size()) {
                expandir(largas[i].alto, largas[i].bajo, expandido);
                deLargas = menorPorBytes(expandido, largas[i].ordinal, e.bytesDe(laterales[j]), laterales[j].ordinal);
            }
            // The group: the first record of one key and its repetitions.
            quint32 ordinal;
            quint32 linea;
            size_t caracteres;
            const Entrada128 *larga = nullptr;
            const Lateral *lateral = nullptr;
            if (deLargas) {
                const Entrada128 &primera = largas[i++];
                larga = &primera;
                ordinal = primera.ordinal;
                linea = primera.linea;
                caracteres = caracteresEmpaquetados(primera);
                for (; i < largas.size() && largas[i].alto == primera.alto && largas[i].bajo == primera.bajo; ++i)
                    guardar(CodigoAviso::Duplicado, largas[i].ordinal, largas[i].linea, linea, false, 0, 0,
                            largas[i].alto, largas[i].bajo);
            } else {
                const Lateral &primera = laterales[j++];
                lateral = &primera;
                ordinal = primera.ordinal;
                linea = primera.linea;
                actual.assign(e.bytesDe(primera));
                caracteres = caracteresDe(actual);
                for (; j < laterales.size() && e.bytesDe(laterales[j]) == actual; ++j)
                    guardar(CodigoAviso::Duplicado, laterales[j].ordinal, laterales[j].linea, linea, true,
                            laterales[j].desde, laterales[j].longitud, 0, 0);
            }
            while (!pila.empty() && !empiezaPor(larga, actual, pila.back()))
                pila.pop_back();
            if (caracteres != 14 && caracteres != 18 && caracteres != 20)
                continue;
            // A whole reference that nothing starts can neither be included nor include
            // another later: most of a list, kept out of the judged groups.
            if (caracteres == 20 && pila.empty())
                continue;
            Grupo grupo{ordinal, linea, caracteres, larga, lateral};
            for (const EnPila &antes : pila) {
                Grupo &prefijo = grupos[size_t(antes.grupo)];
                if (ordinal < prefijo.ordinalExtension) {
                    prefijo.ordinalExtension = ordinal;
                    prefijo.lineaExtension = linea;
                }
                (prefijo.caracteres == 14 ? grupo.de14 : grupo.de18) = antes.grupo;
            }
            grupos.push_back(grupo);
            if (caracteres != 20)
                pila.push_back(EnPila{qsizetype(grupos.size()) - 1, caracteres, larga, larga ? std::string() : actual});
        }
        // Now that every group knows what extends it, each first record is judged as the
        // list's order would: an earlier reference that starts with it, else an earlier
        // one it starts with (its first 14 characters before its first 18).
        for (const Grupo &grupo : grupos) {
            quint32 nombrada = 0;
            if (grupo.ordinalExtension < grupo.ordinal)
                nombrada = grupo.lineaExtension;
            else if (grupo.de14 >= 0 && grupos[size_t(grupo.de14)].ordinal < grupo.ordinal)
                nombrada = grupos[size_t(grupo.de14)].linea;
            else if (grupo.de18 >= 0 && grupos[size_t(grupo.de18)].ordinal < grupo.ordinal)
                nombrada = grupos[size_t(grupo.de18)].linea;
            else
                continue;
            if (grupo.larga)
                guardar(CodigoAviso::RcIncluida, grupo.ordinal, grupo.linea, nombrada, false, 0, 0, grupo.larga->alto,
                        grupo.larga->bajo);
            else
                guardar(CodigoAviso::RcIncluida, grupo.ordinal, grupo.linea, nombrada, true, grupo.lateral->desde,
                        grupo.lateral->longitud, 0, 0);
        }
    }

    std::sort(e.hallazgos.begin(), e.hallazgos.end(),
              [](const HallazgoGuardado &a, const HallazgoGuardado &b) { return a.ordinal < b.ordinal; });
    std::string valor;
    for (const HallazgoGuardado &h : e.hallazgos) {
        valor.clear();
        const std::string_view bytes = h.lateral ? std::string_view(e.arena).substr(h.indice, h.longitud)
                                                 : std::string_view();
        switch (m_tipo) {
        case TipoConsulta::NIF:
            if (h.lateral)
                valor = bytes;
            else
                desempaquetar(h.alto, 9, valor);
            break;
        case TipoConsulta::RC:
            if (h.lateral) {
                descodificarReferencia(bytes, valor);
            } else {
                desempaquetar(h.alto, 10, valor);
                desempaquetar(h.bajo, 10, valor);
            }
            break;
        case TipoConsulta::PP:
            if (h.lateral) {
                valor = bytes;
                std::replace(valor.begin(), valor.end(), '\x1F', ' ');
            } else {
                const std::string cifras = std::to_string(h.alto + 10000000000000ULL).substr(1);
                valor = cifras.substr(0, 2) + ' ' + cifras.substr(2, 3) + ' ' + cifras.substr(5, 3);
                if (h.alto % 100000 != 0)
                    valor += ' ' + cifras.substr(8, 5);
            }
            valor.erase(valor.find_last_not_of(' ') + 1);
            break;
        }
        cada(Hallazgo{h.codigo, h.ordinal, h.linea, h.nombrada, valor});
    }
    std::vector<HallazgoGuardado>().swap(e.hallazgos);
    std::string().swap(e.arena);
}

} // namespace torxal
