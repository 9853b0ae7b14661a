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
// 15, and one more for every letter after it. 0 for anything else.
int valorRC(const char *&p, const char *fin, bool *valido)
{
    const char c = *p++;
    if (esCifra(c))
        return c - '0';
    if (c >= 'A' && c <= 'N')
        return c - 'A' + 1;
    if (esLetra(c))
        return c - 'A' + 2;
    if (c == '\xC3' && p < fin && *p == '\x91') {
        ++p;
        return 15;
    }
    *valido = false;
    while (p < fin && (static_cast<unsigned char>(*p) & 0xC0) == 0x80)
        ++p;
    return 0;
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

bool calcularControlRC(std::string_view dieciocho, std::array<char, 3> *control)
{
    static constexpr int Pesos[] = {13, 15, 12, 5, 4, 17, 9, 21, 3, 7, 1};
    static constexpr char Letras[] = "MQWERTYUIOPASDFGHJKLBZX";
    int valores[18];
    bool valido = true;
    const char *p = dieciocho.data();
    const char *fin = p + dieciocho.size();
    int n = 0;
    for (; p < fin && n < 18; ++n)
        valores[n] = valorRC(p, fin, &valido);
    if (!valido || n != 18 || p != fin)
        return false;
    for (int tramo : {0, 7}) {
        int suma = 0;
        for (int i = 0; i < 7; ++i)
            suma += valores[tramo + i] * Pesos[i];
        for (int i = 0; i < 4; ++i)
            suma += valores[14 + i] * Pesos[7 + i];
        (*control)[tramo == 0 ? 0 : 1] = Letras[suma % 23];
    }
    (*control)[2] = '\0';
    return true;
}

AvisosRC comprobarRC(std::string_view rc)
{
    AvisosRC avisos;
    const char *p = rc.data();
    const char *fin = p + rc.size();
    bool valido = true;
    const char *tras18 = nullptr;
    while (p < fin) {
        valorRC(p, fin, &valido);
        if (++avisos.caracteres == 18)
            tras18 = p;
    }
    avisos.forma = !valido;
    avisos.longitud = avisos.caracteres != 14 && avisos.caracteres != 18 && avisos.caracteres != 20;
    if (valido && avisos.caracteres == 20) {
        calcularControlRC(std::string_view(rc.data(), size_t(tras18 - rc.data())), &avisos.esperado);
        // The last two characters are letters or digits of one byte each, or not the right ones.
        avisos.control = std::string_view(tras18, size_t(fin - tras18)) != std::string_view(avisos.esperado.data(), 2);
    }
    return avisos;
}

} // namespace torxal
