// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// Writes a list such as an office sends for a bulk query: fixed columns, one item a
// line, CR LF, with a little of the noise real lists carry (blank lines, stray tabs,
// quoted items with commas, items missing a mandatory code). The same seed gives the
// same characters whatever the encoding, so a Windows-1252 list and its UTF-8 twin
// differ only in how the letters are stored.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class Tipo { NIF, RC, PP };
enum class Codificacion { Windows1252, UTF8 };

// splitmix64: tiny, fast, and the same sequence on every platform and compiler.
class Azar {
public:
    explicit Azar(std::uint64_t semilla) : m_estado(semilla) {}
    std::uint64_t siguiente()
    {
        std::uint64_t z = (m_estado += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform enough for test data; the modulo bias is irrelevant here.
    unsigned entre(unsigned n) { return unsigned(siguiente() % n); }
    bool probabilidad(unsigned porMil) { return entre(1000) < porMil; }

private:
    std::uint64_t m_estado;
};

// Names are written in Latin-1 code points (all of them below 0x100), which are the same
// bytes in Windows-1252; the UTF-8 writer expands them.
const char *const Apellidos[] = {
    "GARC\xCD" "A", "L\xD3PEZ", "MART\xCDNEZ", "S\xC1NCHEZ", "P\xC9REZ", "G\xD3MEZ", "FERN\xC1NDEZ",
    "MU\xD1OZ", "IB\xC1\xD1" "EZ", "NU\xD1" "EZ", "CASTRO", "VILLAR", "O'NEILL", "ROURA", "PE\xD1" "A",
    "DE LA PE\xD1" "A", "GU\xDC" "ELL", "ARG\xDC" "ELLES", "BARCEL\xD3", "GON\xC7" "ALVES", "ECHEVERR\xCD" "A",
    "IRIBARREN", "DEL R\xCDO", "ORDU\xD1" "A", "CA\xD1" "ETE", "R\xDA" "A", "ALONSO", "MORENO", "SANTIAGO",
};
const char *const Nombres[] = {
    "MAR\xCD" "A", "JOS\xC9", "\xC1NGEL", "BEGO\xD1" "A", "I\xD1" "AKI", "\xDARSULA", "JORDI", "NURIA",
    "JES\xDAS", "LUC\xCD" "A", "RA\xDAL", "MONTSE", "XO\xC1N", "AINHOA", "JOAQU\xCDN", "IN\xC9S",
    "FRANCESC", "CONCEPCI\xD3N", "AGUST\xCDN", "ROC\xCDO", "MAR\xCD" "A JOS\xC9",
};
const char *const Empresas[] = {
    "CONSTRUCCIONES ", "INVERSIONES ", "AGR\xCD" "COLA ", "PROMOCIONES ", "HERMANOS ",
};
const char *const FormasEmpresa[] = {" SL", " SA", " SLU", " SCOOP", " CB"};

constexpr char LetrasNIF[] = "TRWAGMYFPDXBNJZSQVHLCKE";
constexpr char LetrasMayusculas[] = "ABCDEFGHJKLMNPQRSTUVWXYZ";

class Lista {
public:
    Lista(Tipo tipo, Codificacion codificacion, std::uint64_t semilla)
        : m_tipo(tipo), m_codificacion(codificacion), m_azar(semilla)
    {
    }

    // One line (without its line end) in Latin-1 code points, one char per column.
    const std::string &linea()
    {
        m_linea.clear();
        if (m_azar.probabilidad(20)) {
            ruido();
            return m_linea;
        }
        lineaDelTipo();
        return m_linea;
    }

    void escribir(const std::string &linea, std::string &salida) const
    {
        if (m_codificacion == Codificacion::Windows1252) {
            salida += linea;
        } else {
            for (unsigned char c : linea) {
                if (c < 0x80) {
                    salida += char(c);
                } else {
                    salida += char(0xC0 | (c >> 6));
                    salida += char(0x80 | (c & 0x3F));
                }
            }
        }
        salida += "\r\n";
    }

private:
    void cifras(int n)
    {
        for (int i = 0; i < n; ++i)
            m_linea += char('0' + m_azar.entre(10));
    }
    void numero(unsigned valor, int ancho)
    {
        char texto[16];
        std::snprintf(texto, sizeof texto, "%0*u", ancho, valor);
        m_linea += texto;
    }
    void rellenarHasta(size_t columna)
    {
        if (m_linea.size() < columna)
            m_linea.append(columna - m_linea.size(), ' ');
        else
            m_linea.resize(columna);
    }
    template<size_t N>
    const char *uno(const char *const (&lista)[N])
    {
        return lista[m_azar.entre(N)];
    }

    void nif()
    {
        // DNI: eight digits and the letter of their remainder by 23; NIE: X, Y or Z
        // standing for 0, 1 or 2 in front of seven digits; companies: a letter, seven
        // digits and their control digit.
        const unsigned clase = m_azar.entre(20);
        if (clase < 16) {
            const unsigned n = m_azar.entre(100000000);
            numero(n, 8);
            m_linea += LetrasNIF[n % 23];
        } else if (clase < 18) {
            const unsigned prefijo = m_azar.entre(3);
            const unsigned n = m_azar.entre(10000000);
            m_linea += "XYZ"[prefijo];
            numero(n, 7);
            m_linea += LetrasNIF[(prefijo * 10000000 + n) % 23];
        } else {
            m_linea += "ABCEFGHJ"[m_azar.entre(8)];
            const unsigned n = m_azar.entre(10000000);
            numero(n, 7);
            unsigned suma = 0;
            for (unsigned i = 0, resto = n; i < 7; ++i, resto /= 10) {
                // Digits are taken from the right: the seventh is at an odd place.
                const unsigned cifra = resto % 10;
                suma += i % 2 == 0 ? (2 * cifra) / 10 + (2 * cifra) % 10 : cifra;
            }
            m_linea += char('0' + (10 - suma % 10) % 10);
        }
    }

    void apellidosYNombre()
    {
        if (m_azar.probabilidad(80)) {
            m_linea += uno(Empresas);
            m_linea += uno(Apellidos);
            m_linea += uno(FormasEmpresa);
            return;
        }
        m_linea += uno(Apellidos);
        m_linea += ' ';
        m_linea += uno(Apellidos);
        m_linea += ' ';
        m_linea += uno(Nombres);
        if (m_azar.probabilidad(100)) {
            // Some offices type names in mixed case; the conversion upper-cases them.
            for (size_t i = 9; i < m_linea.size(); ++i) {
                const unsigned char c = m_linea[i];
                if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
                    if (i > 9 && m_linea[i - 1] != ' ')
                        m_linea[i] = char(c + 0x20);
            }
        }
    }

    void codigosProvinciaMunicipio()
    {
        // The 48 provinces the service covers: Álava, Gipuzkoa, Navarra and Bizkaia keep
        // cadastres of their own, and an office's list for the service has none of theirs.
        unsigned provincia = 1 + m_azar.entre(48);
        for (unsigned propia : {1u, 20u, 31u, 48u})
            provincia += provincia >= propia;
        numero(provincia, 2);
        numero(1 + m_azar.entre(900), 3);
    }

    void lineaDelTipo()
    {
        switch (m_tipo) {
        case Tipo::NIF:
            lineaNIF();
            break;
        case Tipo::RC:
            lineaRC();
            break;
        case Tipo::PP:
            lineaPP();
            break;
        }
    }

    void lineaNIF()
    {
        nif();
        apellidosYNombre();
        rellenarHasta(71);
        if (m_azar.probabilidad(30)) {
            m_linea += "     "; // no codes: the writer leaves PRO and MUN out
        } else {
            codigosProvinciaMunicipio();
        }
    }

    void lineaRC()
    {
        // Seven digits of the plot, seven of the map sheet (two letters, four digits and
        // a letter); urban items add four digits and two control letters.
        cifras(7);
        m_linea += LetrasMayusculas[m_azar.entre(24)];
        m_linea += LetrasMayusculas[m_azar.entre(24)];
        cifras(4);
        m_linea += LetrasMayusculas[m_azar.entre(24)];
        if (m_azar.probabilidad(800)) {
            cifras(4);
            controlRC();
        }
        rellenarHasta(20);
        codigosProvinciaMunicipio();
    }

    // The two check characters of a property's reference, from its first eighteen.
    void controlRC()
    {
        static constexpr int Pesos[] = {13, 15, 12, 5, 4, 17, 9, 21, 3, 7, 1};
        const std::string_view referencia = std::string_view(m_linea).substr(m_linea.size() - 18);
        const auto valor = [](char c) { return c <= '9' ? c - '0' : c - 'A' + (c > 'N' ? 2 : 1); };
        for (size_t tramo : {size_t(0), size_t(7)}) {
            int suma = 0;
            for (size_t i = 0; i < 7; ++i)
                suma += valor(referencia[tramo + i]) * Pesos[i];
            for (size_t i = 0; i < 4; ++i)
                suma += valor(referencia[14 + i]) * Pesos[7 + i];
            m_linea += "MQWERTYUIOPASDFGHJKLBZX"[suma % 23];
        }
    }

    void lineaPP()
    {
        codigosProvinciaMunicipio();
        if (m_azar.probabilidad(10)) {
            m_linea += "000"; // no polygon: the record is not written
        } else {
            numero(1 + m_azar.entre(120), 3);
        }
        numero(1 + m_azar.entre(9999), 5);
    }

    void ruido()
    {
        switch (m_azar.entre(6)) {
        case 0: // a blank line
            break;
        case 1: // only spaces
            m_linea.assign(1 + m_azar.entre(80), ' ');
            break;
        case 2: // a tab and a form feed where someone pasted the line
            lineaDelTipo();
            m_linea = '\t' + m_linea + '\f';
            break;
        case 3: // a quoted item holding a comma
            m_linea += '"';
            if (m_tipo == Tipo::NIF) {
                nif();
                m_linea += uno(Apellidos);
                m_linea += ", ";
                m_linea += uno(Nombres);
            } else {
                cifras(7);
                m_linea += ",";
                cifras(5);
            }
            m_linea += '"';
            break;
        case 4: // two short items on one line, split by a comma
            cifras(5);
            m_linea += ',';
            cifras(3);
            break;
        case 5: // a heading left over from the spreadsheet the list came from
            m_linea += "RELACI\xD3N DE FINCAS - A\xD1O ";
            numero(1990 + m_azar.entre(35), 4);
            break;
        }
    }

    Tipo m_tipo;
    Codificacion m_codificacion;
    Azar m_azar;
    std::string m_linea;
};

int uso()
{
    std::fputs("Uso: torxal-generar --tipo nif|rc|pp --registros N [--codificacion cp1252|utf8]\n"
               "                    [--semilla S] [--salida FICHERO]\n",
               stderr);
    return 2;
}

bool leerNumero(const char *texto, std::uint64_t &valor)
{
    const char *fin = texto + std::strlen(texto);
    const auto [p, error] = std::from_chars(texto, fin, valor);
    return error == std::errc() && p == fin;
}

} // namespace

int main(int argc, char **argv)
{
    Tipo tipo = Tipo::NIF;
    bool hayTipo = false;
    Codificacion codificacion = Codificacion::Windows1252;
    std::uint64_t registros = 0;
    bool hayRegistros = false;
    std::uint64_t semilla = 2008;
    const char *rutaSalida = nullptr;

    for (int i = 1; i < argc; ++i) {
        const std::string_view opcion = argv[i];
        if (i + 1 == argc)
            return uso();
        const char *valor = argv[++i];
        const std::string_view v = valor;
        if (opcion == "--tipo") {
            hayTipo = true;
            if (v == "nif")
                tipo = Tipo::NIF;
            else if (v == "rc")
                tipo = Tipo::RC;
            else if (v == "pp")
                tipo = Tipo::PP;
            else
                return uso();
        } else if (opcion == "--registros") {
            if (!leerNumero(valor, registros))
                return uso();
            hayRegistros = true;
        } else if (opcion == "--codificacion") {
            if (v == "cp1252")
                codificacion = Codificacion::Windows1252;
            else if (v == "utf8")
                codificacion = Codificacion::UTF8;
            else
                return uso();
        } else if (opcion == "--semilla") {
            if (!leerNumero(valor, semilla))
                return uso();
        } else if (opcion == "--salida") {
            rutaSalida = valor;
        } else {
            return uso();
        }
    }
    if (!hayTipo || !hayRegistros)
        return uso();

    std::FILE *salida = rutaSalida ? std::fopen(rutaSalida, "wb") : stdout;
    if (!salida) {
        std::perror(rutaSalida);
        return 1;
    }
    // The kind goes into the seed so the three lists do not share their digits.
    Lista lista(tipo, codificacion, semilla * 3 + std::uint64_t(tipo));
    std::string bloque;
    bloque.reserve(1 << 20);
    for (std::uint64_t i = 0; i < registros; ++i) {
        lista.escribir(lista.linea(), bloque);
        if (bloque.size() >= (1 << 20) - 512) {
            if (std::fwrite(bloque.data(), 1, bloque.size(), salida) != bloque.size())
                break;
            bloque.clear();
        }
    }
    std::fwrite(bloque.data(), 1, bloque.size(), salida);
    const bool bien = std::fflush(salida) == 0 && !std::ferror(salida);
    if (rutaSalida && std::fclose(salida) != 0)
        return 1;
    if (!bien) {
        std::perror(rutaSalida ? rutaSalida : "stdout");
        return 1;
    }
    return 0;
}
