// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// A table's header row: the names its cells give the columns, and what they say of each.

#include "tabla.h"

#include <QHash>

#include <initializer_list>
#include <optional>
#include <utility>

namespace torxal {

namespace {

constexpr int RowsForTheHeader = 10;

using Rol = RolColumna;
constexpr int CuantosRoles = 13;

// Compatibility decomposition turns "º" into "o" and splits accents off their letters;
// only letters and digits are kept.
QString normalizarNombre(QStringView texto)
{
    const QString descompuesto = texto.toString().normalized(QString::NormalizationForm_KD);
    QString nombre;
    nombre.reserve(descompuesto.size());
    for (QChar c : descompuesto)
        if (c.isLetterOrNumber())
            nombre.append(c.toUpper());
    return nombre;
}

const QHash<QString, Rol> &rolesPorNombre()
{
    static const QHash<QString, Rol> roles = [] {
        QHash<QString, Rol> r;
        for (const NombreConocido &n : nombresConocidos())
            r.insert(normalizarNombre(QStringView(n.nombre)), n.rol);
        return r;
    }();
    return roles;
}

bool esDelTipo(Rol rol, TipoConsulta tipo)
{
    switch (rol) {
    case Rol::NIF:
    case Rol::ApeCompleto:
    case Rol::ApeNombrePrimero:
    case Rol::Apellidos:
    case Rol::Apellido1:
    case Rol::Apellido2:
    case Rol::Nombre:
        return tipo == TipoConsulta::NIF;
    case Rol::RC:
        return tipo == TipoConsulta::RC;
    case Rol::POL:
    case Rol::PAR:
        return tipo == TipoConsulta::PP;
    case Rol::PRO:
    case Rol::MUN:
    case Rol::INE:
        return true;
    }
    return false;
}

Rol identificador(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return Rol::NIF;
    case TipoConsulta::RC:
        return Rol::RC;
    case TipoConsulta::PP:
        break;
    }
    return Rol::POL;
}

CampoLista campoDe(Rol rol)
{
    switch (rol) {
    case Rol::NIF:
        return CampoLista::NIF;
    case Rol::RC:
        return CampoLista::RC;
    case Rol::PRO:
    case Rol::INE:
        return CampoLista::PRO;
    case Rol::MUN:
        return CampoLista::MUN;
    case Rol::POL:
        return CampoLista::POL;
    case Rol::PAR:
        return CampoLista::PAR;
    default:
        return CampoLista::APE;
    }
}

QString textoDeCelda(const FilaTabla &fila, int columna)
{
    return columna < fila.celdas.size() ? fila.celdas.at(columna).texto.trimmed() : QString();
}

// "B «DNI»"
QString columnaNombrada(const FilaTabla &fila, int columna)
{
    return letrasDeColumna(columna) + u' ' + textoDe(Texto::NombreDeColumna, {textoDeCelda(fila, columna)});
}

// «DOCUMENTO IDENTIDAD», «NOMBRE», «MUNICIPIO»
QString nombresDeLaFila(const FilaTabla &fila)
{
    QStringList nombres;
    for (const Celda &celda : fila.celdas) {
        const QString texto = celda.texto.trimmed();
        if (!texto.isEmpty())
            nombres.append(textoDe(Texto::NombreDeColumna, {texto}));
    }
    return nombres.join(u", ");
}

QString nombresReconocidos(std::initializer_list<Rol> roles)
{
    QStringList nombres;
    for (const NombreConocido &n : nombresConocidos())
        for (Rol rol : roles)
            if (n.rol == rol)
                nombres.append(QString::fromUtf16(n.nombre));
    return nombres.join(u", ");
}

bool fallarSinColumna(const FilaTabla &fila, CampoLista campo, std::initializer_list<Rol> roles, Fallo *fallo)
{
    return fallarPorMotivo(fallo, Texto::CabeceraSinColumna,
                           {fraseDeCampo(campo), QString::number(fila.numero), nombresDeLaFila(fila)},
                           Texto::CabeceraNombresBuscados, {nombresReconocidos(roles)});
}

bool fallarDosVeces(const FilaTabla &fila, CampoLista campo, int primera, int segunda, Fallo *fallo)
{
    return fallar(fallo, Texto::CabeceraColumnaDosVeces,
                  {fraseDeCampo(campo), QString::number(fila.numero), columnaNombrada(fila, primera),
                   columnaNombrada(fila, segunda)});
}

} // namespace

bool nombraIdentificador(QStringView nombre, TipoConsulta tipo)
{
    const auto hallado = rolesPorNombre().constFind(normalizarNombre(nombre));
    return hallado != rolesPorNombre().cend() && *hallado == identificador(tipo);
}

void nombrarColumnas(const FilaTabla &cabecera, Columnas *columnas)
{
    columnas->filaCabecera = cabecera.numero;
    columnas->nombres.clear();
    for (const Celda &celda : cabecera.celdas)
        columnas->nombres.append(celda.texto.trimmed());
}

bool reconocerCabecera(const FilaTabla &fila, TipoConsulta tipo, Columnas *columnas, Fallo *fallo)
{
    std::array<int, CuantosRoles> en;
    en.fill(-1);
    // The first column named twice, and the one that names it again.
    std::optional<std::pair<Rol, int>> otraVez;
    const auto &roles = rolesPorNombre();
    for (qsizetype i = 0; i < fila.celdas.size() && i < UltimaColumna; ++i) {
        const auto hallado = roles.constFind(normalizarNombre(fila.celdas.at(i).texto));
        if (hallado == roles.cend() || !esDelTipo(*hallado, tipo))
            continue;
        int &columna = en[size_t(*hallado)];
        if (columna < 0)
            columna = int(i);
        else if (!otraVez)
            otraVez = std::pair{*hallado, int(i)};
    }
    const auto columnaDe = [&en](Rol rol) { return en[size_t(rol)]; };

    // Two ways of giving the same field are a column named twice; the later way is left out.
    std::optional<std::pair<CampoLista, std::pair<int, int>>> dosManeras;
    const auto repetido = [&](CampoLista campo, std::initializer_list<Rol> unos, std::initializer_list<Rol> otros) {
        for (Rol uno : unos)
            for (Rol otro : otros)
                if (columnaDe(uno) >= 0 && columnaDe(otro) >= 0) {
                    const int primera = std::min(columnaDe(uno), columnaDe(otro));
                    const int segunda = std::max(columnaDe(uno), columnaDe(otro));
                    if (!dosManeras)
                        dosManeras = std::pair{campo, std::pair{primera, segunda}};
                    en[size_t(columnaDe(uno) == segunda ? uno : otro)] = -1;
                }
    };
    repetido(CampoLista::APE, {Rol::ApeCompleto}, {Rol::ApeNombrePrimero, Rol::Apellidos, Rol::Apellido1, Rol::Apellido2, Rol::Nombre});
    repetido(CampoLista::APE, {Rol::ApeNombrePrimero}, {Rol::Apellidos, Rol::Apellido1, Rol::Apellido2, Rol::Nombre});
    repetido(CampoLista::APE, {Rol::Apellidos}, {Rol::Apellido1, Rol::Apellido2});
    repetido(CampoLista::PRO, {Rol::PRO}, {Rol::INE});
    repetido(CampoLista::MUN, {Rol::MUN}, {Rol::INE});

    // What was recognised goes back even when the row is not a usable header, for a
    // mapping dialog to start from.
    Columnas hallada;
    for (auto [rol, campo] : {std::pair{Rol::NIF, CampoLista::NIF}, {Rol::RC, CampoLista::RC}, {Rol::PRO, CampoLista::PRO},
                              {Rol::MUN, CampoLista::MUN}, {Rol::POL, CampoLista::POL}, {Rol::PAR, CampoLista::PAR}})
        if (columnaDe(rol) >= 0)
            hallada.de(campo).append(columnaDe(rol));
    for (Rol rol : {Rol::ApeCompleto, Rol::ApeNombrePrimero, Rol::Apellidos, Rol::Apellido1, Rol::Apellido2, Rol::Nombre})
        if (columnaDe(rol) >= 0)
            hallada.de(CampoLista::APE).append(columnaDe(rol));
    hallada.ine = columnaDe(Rol::INE);
    hallada.nombrePrimero = columnaDe(Rol::ApeNombrePrimero) >= 0;
    nombrarColumnas(fila, &hallada);
    *columnas = std::move(hallada);

    if (otraVez)
        return fallarDosVeces(fila, campoDe(otraVez->first), columnaDe(otraVez->first), otraVez->second, fallo);
    if (columnaDe(identificador(tipo)) < 0)
        return false;
    if (dosManeras)
        return fallarDosVeces(fila, dosManeras->first, dosManeras->second.first, dosManeras->second.second, fallo);
    if (tipo == TipoConsulta::PP && columnaDe(Rol::INE) < 0) {
        if (columnaDe(Rol::PRO) < 0)
            return fallarSinColumna(fila, CampoLista::PRO, {Rol::PRO, Rol::INE}, fallo);
        if (columnaDe(Rol::MUN) < 0)
            return fallarSinColumna(fila, CampoLista::MUN, {Rol::MUN, Rol::INE}, fallo);
    }
    return true;
}

bool buscarCabecera(LectorTabla &lector, TipoConsulta tipo, Columnas *columnas, QList<FilaTabla> *leidas,
                    Fallo *fallo)
{
    Fallo propio;
    Fallo &f = fallo ? *fallo : propio;
    f = Fallo{};
    // Without a header, the row to show is the one with the most names the program knows.
    qsizetype mejor = -1;
    int nombresDelMejor = -1;
    Columnas delMejor;
    const qsizetype primera = leidas->size();
    for (int i = 0; i < RowsForTheHeader; ++i) {
        FilaTabla fila;
        if (!lector.leerFila(&fila, &f)) {
            if (f.que != Texto::Ninguno)
                return false;
            break;
        }
        leidas->append(fila);
        if (reconocerCabecera(fila, tipo, columnas, &f))
            return true;
        if (f.que != Texto::Ninguno)
            return false;
        int nombres = 0;
        for (const Celda &celda : fila.celdas)
            nombres += rolesPorNombre().contains(normalizarNombre(celda.texto));
        if (nombres > nombresDelMejor) {
            nombresDelMejor = nombres;
            mejor = leidas->size() - 1;
            delMejor = *columnas;
        }
    }
    if (mejor < primera)
        return fallar(&f, Texto::TablaVacia);
    *columnas = std::move(delMejor);
    const Rol rol = identificador(tipo);
    return fallarSinColumna(leidas->at(mejor), campoDe(rol), {rol}, &f);
}

} // namespace torxal
