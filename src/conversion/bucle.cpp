// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "bucle.h"

#include "comprobaciones.h"
#include "escritorxml.h"
#include "lectura.h"
#include "limpieza.h"
#include "limpiezabytes.h"
#include "tabla.h"

#include <memory>
#include <utility>
#include <string>

namespace torxal {

namespace {

// Enough line numbers for the user to find the pattern without flooding the message.
constexpr qsizetype LineasOmitidasMostradas = 20;

CampoLista campoDeColumna(Campo Campos::*campo)
{
    if (campo == &Campos::NIF)
        return CampoLista::NIF;
    if (campo == &Campos::APE)
        return CampoLista::APE;
    if (campo == &Campos::RC)
        return CampoLista::RC;
    if (campo == &Campos::PRO)
        return CampoLista::PRO;
    if (campo == &Campos::MUN)
        return CampoLista::MUN;
    if (campo == &Campos::POL)
        return CampoLista::POL;
    return CampoLista::PAR;
}

QLatin1StringView siglaDe(CampoLista campo)
{
    static constexpr const char *Siglas[] = {"NIF", "APE", "RC", "PRO", "MUN", "POL", "PAR"};
    return QLatin1StringView(Siglas[size_t(campo)]);
}

enum class Colocado { Entero, Cortado, FueraDeByte };

// Puts a cell's text where the fixed layout keeps the field. What only a cell can hold is
// made what a line would hold: tabs go (a line's tab shifts columns, a cell's shifts
// nothing) and a line end inside quotes becomes a space. Says whether the text was longer
// than the field and was cut, or, laid out as bytes, held a character past U+00FF.
template<typename Registro>
Colocado colocarCampo(QStringView texto, const Columna &columna, Registro &registro)
{
    size_t destino = size_t(columna.inicio - 1);
    const size_t fin = destino + size_t(columna.longitud);
    for (auto it = texto.begin(); it != texto.end(); ++it) {
        char32_t c = it->unicode();
        if (QChar::isHighSurrogate(c) && it + 1 != texto.end() && (it + 1)->isLowSurrogate()) {
            ++it;
            c = QChar::surrogateToUcs4(char16_t(c), it->unicode());
        }
        if (c == U'\t')
            continue;
        if (c == U'\r' || c == U'\n')
            c = U' ';
        if (destino == fin) {
            if (c != U' ')
                return Colocado::Cortado;
            continue;
        }
        if constexpr (sizeof(typename Registro::value_type) == 1)
            if (c > 0xFF)
                return Colocado::FueraDeByte;
        registro[destino++] = typename Registro::value_type(c);
    }
    return Colocado::Entero;
}

} // namespace

bool cortarFila(const FilaTabla &fila, const Columnas &columnas, TipoConsulta tipo, EspacioFila &espacio,
                Campos &campos)
{
    static const TablaBytes &tablaLatin1 = tablaBytes(Codificacion::UTF8);
    if (!extraerCampos(fila, columnas, tipo, &espacio.deFila))
        return false;
    // A row whose fields are all Latin-1 is laid out as bytes and cut as a fixed list's
    // line is; any other character sends it the general way.
    const auto colocar = [&](auto &destino) {
        destino.assign(size_t(finDeColumnas(tipo) - 1), ' ');
        espacio.cortados.clear();
        bool enBytes = true;
        recorrerColumnas(tipo, [&](const Columna &columna) {
            const CampoLista campo = campoDeColumna(columna.campo);
            QStringView texto = espacio.deFila.de(campo);
            if (campo == CampoLista::NIF)
                texto = texto.trimmed();
            const Colocado colocado = enBytes ? colocarCampo(texto, columna, destino) : Colocado::FueraDeByte;
            enBytes = colocado != Colocado::FueraDeByte;
            if (colocado == Colocado::Cortado)
                espacio.cortados.append(campo);
        });
        return enBytes;
    };
    if (colocar(espacio.registroBytes)) {
        cortarRegistroBytes(espacio.registroBytes, tablaLatin1, tipo, campos);
    } else {
        colocar(espacio.registro);
        cortarRegistro(espacio.registro, tipo, campos);
    }
    return true;
}

bool recorrerFilas(LectorTabla &lector, const Columnas &columnas, TipoConsulta tipo, Comprobador *comprobador,
                   const std::function<bool(const FilaTabla &, const Campos &)> &registro, Fallo *fallo)
{
    *fallo = Fallo{};
    auto campos = std::make_unique<Campos>();
    EspacioFila espacio;
    FilaTabla fila;
    std::string valor;
    bool nombreAvisado = false;
    while (lector.leerFila(&fila, fallo)) {
        if (!cortarFila(fila, columnas, tipo, espacio, *campos))
            continue;
        if (!registro(fila, *campos))
            return false;
        if (!comprobador)
            continue;
        comprobador->comprobarRegistro(*campos, fila.numero, true,
                                       fila.windows1252 ? Codificacion::Windows1252 : Codificacion::UTF8,
                                       lector.esListaUtf8());
        for (CampoLista campo : std::as_const(espacio.cortados)) {
            valor = espacio.deFila.de(campo).toStdString();
            comprobador->avisarCelda(*campos, CodigoAviso::TextoSobrante, fila.numero, siglaDe(campo), valor);
        }
        for (const ProblemaDeCampo &problema : std::as_const(espacio.deFila.problemas)) {
            // A column that puts the name first is one thing to fix, said once, on its first row.
            if (problema.problema == ProblemaCelda::NombrePrimero && std::exchange(nombreAvisado, true))
                continue;
            static constexpr CodigoAviso Codigos[] = {CodigoAviso::CeldaError, CodigoAviso::CeldaSinResultado,
                                                      CodigoAviso::CeldaFecha, CodigoAviso::CeldaDecimal,
                                                      CodigoAviso::NombrePrimero};
            valor = problema.valor.toStdString();
            comprobador->avisarCelda(*campos, Codigos[size_t(problema.problema)], fila.numero, siglaDe(problema.campo),
                                     valor);
        }
    }
    if (fallo->que != Texto::Ninguno)
        return false;
    if (comprobador)
        comprobador->terminar(lector.esListaUtf8());
    return true;
}

bool convertirFilas(LectorTabla &lector, const Columnas &columnas, TipoConsulta tipo, EscritorXML &escritor,
                    Comprobador *comprobador, ResultadoConversion *resultado, Fallo *fallo)
{
    const bool hecho = recorrerFilas(lector, columnas, tipo, comprobador, [&](const FilaTabla &fila, const Campos &campos) {
        bool escrito = false;
        if (!escritor.escribirRegistro(campos, fila.numero, &escrito, fallo))
            return false;
        if (escrito)
            ++resultado->escritos;
        else if (!campos.enBlanco && resultado->omitidos++ < LineasOmitidasMostradas)
            resultado->lineasOmitidas.append(fila.numero);
        return true;
    }, fallo);
    if (!hecho)
        return false;
    resultado->listaUtf8 = lector.esListaUtf8();
    return true;
}

void cortarLeido(LectorRegistros &lector, TipoConsulta tipo, Camino camino, Campos &campos, std::string &latin1)
{
    static const TablaBytes &tablaLatin1 = tablaBytes(Codificacion::UTF8);
    static const TablaBytes &tablaWindows1252 = tablaBytes(Codificacion::Windows1252);
    // Records whose characters each fit in one byte are cut on the bytes.
    std::string_view bytes = lector.bytes();
    const TablaBytes *tabla = nullptr;
    if (camino == Camino::ElMasRapido) {
        if (lector.codificacion() == Codificacion::Windows1252) {
            tabla = &tablaWindows1252;
        } else if (lector.lineaAscii() || esAscii(bytes)) {
            tabla = &tablaLatin1;
        } else if (aLatin1(bytes, latin1)) {
            bytes = latin1;
            tabla = &tablaLatin1;
        }
    }
    if (tabla)
        cortarRegistroBytes(bytes, *tabla, tipo, campos);
    else
        cortarRegistro(lector.texto(), tipo, campos);
}

bool convertirRegistros(QIODevice &entrada, const QString &ruta, TipoConsulta tipo, EscritorXML &escritor,
                        Comprobador *comprobador, Camino camino, ResultadoConversion *resultado, Fallo *fallo)
{
    *fallo = Fallo{};
    LectorRegistros lector(entrada, ruta);
    auto campos = std::make_unique<Campos>();
    std::string latin1;
    while (lector.leerRegistro(fallo)) {
        const Codificacion codificacion = lector.codificacion();
        cortarLeido(lector, tipo, camino, *campos, latin1);

        bool escrito = false;
        if (!escritor.escribirRegistro(*campos, lector.linea(), &escrito, fallo))
            return false;
        if (escrito)
            ++resultado->escritos;
        // Blank records are the list's spacing, not lost data: only the others count.
        else if (!campos->enBlanco && resultado->omitidos++ < LineasOmitidasMostradas)
            resultado->lineasOmitidas.append(lector.linea());
        if (comprobador)
            comprobador->comprobarRegistro(*campos, lector.linea(), lector.primeroDeSuLinea(), codificacion,
                                           lector.esListaUtf8());
    }
    if (fallo->que != Texto::Ninguno)
        return false;
    resultado->listaUtf8 = lector.esListaUtf8();
    resultado->utf16SinMarca = lector.utf16SinMarca();
    if (comprobador)
        comprobador->terminar(resultado->listaUtf8);
    return true;
}

} // namespace torxal
