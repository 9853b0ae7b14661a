#include "bucle.h"

#include "comprobaciones.h"
#include "escritorxml.h"
#include "lectura.h"
#include "limpieza.h"
#include "limpiezabytes.h"

#include <memory>
#include <string>

namespace torxal {

namespace {

// Enough line numbers for the user to find the pattern without flooding the message.
constexpr qsizetype LineasOmitidasMostradas = 20;

} // namespace

bool convertirRegistros(QIODevice &entrada, const QString &ruta, TipoConsulta tipo, EscritorXML &escritor,
                        Comprobador *comprobador, Camino camino, ResultadoConversion *resultado, Fallo *fallo)
{
    *fallo = Fallo{};
    LectorRegistros lector(entrada, ruta);
    auto campos = std::make_unique<Campos>();
    std::string latin1;
    const TablaBytes &tablaLatin1 = tablaBytes(Codificacion::UTF8);
    const TablaBytes &tablaWindows1252 = tablaBytes(Codificacion::Windows1252);
    while (lector.leerRegistro(fallo)) {
        const Codificacion codificacion = lector.codificacion();
        // Records whose characters each fit in one byte are cut on the bytes.
        std::string_view bytes = lector.bytes();
        const TablaBytes *tabla = nullptr;
        if (camino == Camino::ElMasRapido) {
            if (codificacion == Codificacion::Windows1252) {
                tabla = &tablaWindows1252;
            } else if (lector.lineaAscii() || esAscii(bytes)) {
                tabla = &tablaLatin1;
            } else if (aLatin1(bytes, latin1)) {
                bytes = latin1;
                tabla = &tablaLatin1;
            }
        }
        if (tabla)
            cortarRegistroBytes(bytes, *tabla, tipo, *campos);
        else
            cortarRegistro(lector.texto(), tipo, *campos);

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
