// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "identificadores.h"

namespace torxal {

using namespace identificadores;

namespace {

using enum CodigoAviso;

constexpr char LetrasDNI[] = "TRWAGMYFPDXBNJZSQVHLCKE";
constexpr char LetrasEntidad[] = "JABCDEFGHI";
constexpr std::string_view PrimerasEntidad = "ABCDEFGHJNPQRSUVW";

// A reference is plain ASCII but for Ñ, which weighs its place in the Spanish alphabet:
// 15, and one more for every letter after it. By byte: the weight of a one-byte
// character, or -1 for any other byte.
constexpr std::array<signed char, 256> construirPesosRC()
{
    std::array<signed char, 256> pesos{};
    for (int b = 0; b < 256; ++b) {
        const char c = char(b);
        pesos[size_t(b)] = esCifra(c)               ? static_cast<signed char>(c - '0')
            : c >= 'A' && c <= 'N'                  ? static_cast<signed char>(c - 'A' + 1)
            : esLetra(c)                            ? static_cast<signed char>(c - 'A' + 2)
                                                    : static_cast<signed char>(-1);
    }
    return pesos;
}

constexpr std::array<signed char, 256> PesosRC = construirPesosRC();

// Ñ, or a byte that is no character of a reference (and the continuation bytes behind it).
int valorRCLargo(const char *&p, const char *fin, bool *valido)
{
    if (p[-1] == '\xC3' && p < fin && *p == '\x91') {
        ++p;
        return 15;
    }
    *valido = false;
    while (p < fin && (static_cast<unsigned char>(*p) & 0xC0) == 0x80)
        ++p;
    return 0;
}

inline int valorRC(const char *&p, const char *fin, bool *valido)
{
    const int peso = PesosRC[static_cast<unsigned char>(*p++)];
    return peso >= 0 ? peso : valorRCLargo(p, fin, valido);
}

// The two control letters of the first eighteen characters' weights.
void controlDeValores(const int (&valores)[18], std::array<char, 3> *control)
{
    static constexpr int Pesos[] = {13, 15, 12, 5, 4, 17, 9, 21, 3, 7, 1};
    static constexpr char Letras[] = "MQWERTYUIOPASDFGHJKLBZX";
    // Both letters weigh the last four characters the same way.
    int cola = 0;
    for (int i = 0; i < 4; ++i)
        cola += valores[14 + i] * Pesos[7 + i];
    int primera = cola;
    int segunda = cola;
    for (int i = 0; i < 7; ++i) {
        primera += valores[i] * Pesos[i];
        segunda += valores[7 + i] * Pesos[i];
    }
    *control = {Letras[primera % 23], Letras[segunda % 23], '\0'};
}

} // namespace

QString textoControlNIF(const std::array<char, 3> &esperado)
{
    if (esperado[1] == '\0')
        return QString(QLatin1Char(esperado[0]));
    return textoDe(Texto::ControlDigitoOLetra, {QString(QLatin1Char(esperado[0])), QString(QLatin1Char(esperado[1]))});
}

std::optional<CodigoAviso> comprobarNIF(std::string_view nif, std::array<char, 3> *esperado)
{
    if (nif.size() != 9 || !sonCifras(nif.substr(1, 7), 7))
        return NifForma;
    // The common case first: a DNI, eight digits and its letter.
    if (esCifra(nif[0]) && nif[8] == LetrasDNI[numero(nif.substr(0, 8)) % 23])
        return std::nullopt;
    const char primero = nif[0];
    const char control = nif[8];
    std::array<char, 3> correcto{};
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
        correcto[0] = LetrasDNI[cuenta % 23];
    } else {
        if (PrimerasEntidad.find(primero) == std::string_view::npos)
            return NifForma;
        if (!esCifra(control) && !(control >= 'A' && control <= 'J'))
            return NifForma;
        int suma = 0;
        for (int i = 1; i <= 7; ++i) {
            const int cifra = nif[size_t(i)] - '0';
            suma += i % 2 == 0 ? cifra : (2 * cifra) / 10 + (2 * cifra) % 10;
        }
        const int c = (10 - suma % 10) % 10;
        // Either form of the control is accepted: the digit or its letter.
        if (control == char('0' + c) || control == LetrasEntidad[c])
            return std::nullopt;
        correcto = {char('0' + c), LetrasEntidad[c], '\0'};
    }
    if (esperado)
        *esperado = correcto;
    return NifControl;
}

AvisosRC comprobarRC(std::string_view rc)
{
    AvisosRC avisos;
    if (rc.size() == 20) {
        // Almost every reference: twenty characters of one byte each, weighed without
        // a branch; a weight of -1 anywhere sends it the general way.
        int valores[18];
        int negativo = 0;
        for (size_t i = 0; i < 18; ++i) {
            valores[i] = PesosRC[static_cast<unsigned char>(rc[i])];
            negativo |= valores[i];
        }
        negativo |= PesosRC[static_cast<unsigned char>(rc[18])] | PesosRC[static_cast<unsigned char>(rc[19])];
        if (negativo >= 0) {
            avisos.caracteres = 20;
            controlDeValores(valores, &avisos.esperado);
            avisos.control = rc.substr(18) != std::string_view(avisos.esperado.data(), 2);
            return avisos;
        }
    }
    const char *p = rc.data();
    const char *fin = p + rc.size();
    bool valido = true;
    const char *tras18 = nullptr;
    int valores[18];
    while (p < fin) {
        const int valor = valorRC(p, fin, &valido);
        if (avisos.caracteres < 18)
            valores[avisos.caracteres] = valor;
        if (++avisos.caracteres == 18)
            tras18 = p;
    }
    avisos.forma = !valido;
    avisos.longitud = avisos.caracteres != 14 && avisos.caracteres != 18 && avisos.caracteres != 20;
    if (valido && avisos.caracteres == 20) {
        controlDeValores(valores, &avisos.esperado);
        // The last two characters are letters or digits of one byte each, or not the right ones.
        avisos.control = std::string_view(tras18, size_t(fin - tras18)) != std::string_view(avisos.esperado.data(), 2);
    }
    return avisos;
}

} // namespace torxal
