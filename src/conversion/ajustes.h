#pragma once

#include "escritorxml.h"
#include "mensajes.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace torxal {

/// The two ways FEC can be written.
enum class FormatoFecha { DiaMesAnio, AnioMesDia }; // "dd/MM/yyyy", "yyyy-MM-dd"

/// The namespace URI chosen when the program was built.
QString espacioDeNombresPredeterminado();

/// What the settings files can change in the document.
struct Ajustes {
    QString espacioDeNombres = espacioDeNombresPredeterminado();
    FormatoFecha formatoFecha = FormatoFecha::DiaMesAnio;
    qint64 tamanoMaximoKb = 0; // 0: no limit
};

/// What the settings put in the document.
OpcionesDocumento opcionesDocumento(const Ajustes &ajustes);

/// Checks an absolute URI that can stand in the document; false with the problem in
/// Spanish (e.g. "contiene un espacio").
bool comprobarEspacioDeNombres(QStringView uri, QString *problema);

/// Reads "dd/MM/yyyy" or "yyyy-MM-dd", exactly; nothing for any other text, with the
/// problem in Spanish when `problema` is given.
std::optional<FormatoFecha> leerFormatoFecha(QStringView texto, QString *problema = nullptr);

/// "dd/MM/yyyy" or "yyyy-MM-dd": the setting's text and the QDate::toString pattern.
QString textoFormatoFecha(FormatoFecha formato);

/// Reads a size limit in kilobytes written in decimal digits only (0: no limit); false with
/// the problem in Spanish when it is not one or is too large to count in bytes.
bool leerTamanoMaximo(QStringView texto, qint64 *kb, QString *problema);

/// What is wrong with a settings file: the file, the key ("documento/formato-fecha", or as
/// the user wrote it; empty when the file itself cannot be read) and the problem in Spanish.
struct ErrorAjustes {
    QString fichero;
    QString clave;
    QString problema;
};

/// The message that tells the user what is wrong with a settings file.
Mensaje crearMensaje(const ErrorAjustes &error);

/// The settings files that exist, in the order they are applied (lowest precedence first).
QStringList buscarFicherosAjustes();

/// Applies every settings file over `ajustes`. Unknown keys are not errors: each gives one
/// Spanish note in `notas` naming the file and the key. False on the first bad value or
/// unreadable file, with `error` filled; `ajustes` is then not to be used.
bool cargarAjustes(Ajustes *ajustes, QStringList *notas, ErrorAjustes *error);

} // namespace torxal
