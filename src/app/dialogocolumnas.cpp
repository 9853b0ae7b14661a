// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "dialogocolumnas.h"

#include "estado.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace torxal;
using Uso = ElectorColumnas::Uso;

namespace {

int cuantasColumnas(const QList<FilaTabla> &filas)
{
    qsizetype cuantas = 0;
    for (const FilaTabla &fila : filas)
        cuantas = std::max(cuantas, fila.celdas.size());
    return int(std::min<qsizetype>(cuantas, 64));
}

// The header as a key: the first row's texts, as they are, between separators no cell holds.
QString claveDe(const QList<FilaTabla> &filas, TipoConsulta tipo)
{
    QStringList textos;
    if (!filas.isEmpty())
        for (const Celda &celda : filas.constFirst().celdas)
            textos.append(celda.texto);
    return QString::number(int(tipo)) + u'\x1f' + textos.join(u'\x1f');
}

QString textoDeUsos(const QList<Uso> &usos)
{
    QStringList numeros;
    for (Uso uso : usos)
        numeros.append(QString::number(int(uso)));
    return numeros.join(u',');
}

} // namespace

QStringList ElectorColumnas::nombresDeUsos()
{
    return {QStringLiteral("NIF"),       QStringLiteral("Apellidos y nombre"), QStringLiteral("Apellidos"),
            QStringLiteral("Nombre"),    QStringLiteral("Provincia"),          QStringLiteral("Municipio"),
            QStringLiteral("Código INE"), QStringLiteral("Referencia catastral"), QStringLiteral("Polígono"),
            QStringLiteral("Parcela"),   QStringLiteral("No usar")};
}

QString ElectorColumnas::rutaMemoria()
{
    return carpetaEstado() + QStringLiteral("/columnas.ini");
}

QList<Uso> ElectorColumnas::usosDe(const Columnas &columnas, int cuantas)
{
    QList<Uso> usos(cuantas, Uso::NoUsar);
    const auto poner = [&](int columna, Uso uso) {
        if (columna >= 0 && columna < cuantas)
            usos[columna] = uso;
    };
    for (int c : columnas.de(CampoLista::NIF))
        poner(c, Uso::NIF);
    const QList<int> &ape = columnas.de(CampoLista::APE);
    for (qsizetype i = 0; i < ape.size(); ++i)
        poner(ape[i], ape.size() == 1 ? Uso::ApellidosYNombre : i + 1 == ape.size() ? Uso::Nombre : Uso::Apellidos);
    for (int c : columnas.de(CampoLista::PRO))
        poner(c, Uso::Provincia);
    for (int c : columnas.de(CampoLista::MUN))
        poner(c, Uso::Municipio);
    poner(columnas.ine, Uso::Ine);
    for (int c : columnas.de(CampoLista::RC))
        poner(c, Uso::Referencia);
    for (int c : columnas.de(CampoLista::POL))
        poner(c, Uso::Poligono);
    for (int c : columnas.de(CampoLista::PAR))
        poner(c, Uso::Parcela);
    return usos;
}

Columnas ElectorColumnas::columnasDe(const QList<Uso> &usos)
{
    Columnas columnas;
    QList<int> apellidos;
    QList<int> nombre;
    for (int c = 0; c < int(usos.size()); ++c) {
        switch (usos[c]) {
        case Uso::NIF: columnas.de(CampoLista::NIF) = {c}; break;
        case Uso::ApellidosYNombre:
        case Uso::Apellidos: apellidos.append(c); break;
        case Uso::Nombre: nombre.append(c); break;
        case Uso::Provincia: columnas.de(CampoLista::PRO) = {c}; break;
        case Uso::Municipio: columnas.de(CampoLista::MUN) = {c}; break;
        case Uso::Ine: columnas.ine = c; break;
        case Uso::Referencia: columnas.de(CampoLista::RC) = {c}; break;
        case Uso::Poligono: columnas.de(CampoLista::POL) = {c}; break;
        case Uso::Parcela: columnas.de(CampoLista::PAR) = {c}; break;
        case Uso::NoUsar: break;
        }
    }
    // Surnames first, then the name, as the service orders them.
    columnas.de(CampoLista::APE) = apellidos + nombre;
    return columnas;
}

bool ElectorColumnas::elegirRecordando(QWidget *propietario, const QList<FilaTabla> &filas, TipoConsulta tipo,
                                       const QString &motivo, EleccionColumnas *eleccion)
{
    QSettings memoria(rutaMemoria(), QSettings::IniFormat);
    const QString clave = QStringLiteral("cabeceras/") + QString::fromLatin1(claveDe(filas, tipo).toUtf8().toHex());
    const QString recordado = memoria.value(clave).toString();
    if (!recordado.isEmpty()) {
        QList<Uso> usos;
        for (const QString &numero : recordado.section(u';', 0, 0).split(u',', Qt::SkipEmptyParts))
            usos.append(Uso(std::clamp(numero.toInt(), 0, int(Uso::NoUsar))));
        eleccion->columnas = columnasDe(usos);
        eleccion->primeraEsCabecera = recordado.section(u';', 1) != u"0";
    }
    if (!elegir(propietario, filas, tipo, motivo, eleccion))
        return false;
    memoria.setValue(clave, textoDeUsos(usosDe(eleccion->columnas, cuantasColumnas(filas))) + u';'
                                + (eleccion->primeraEsCabecera ? u'1' : u'0'));
    memoria.sync();
    return true;
}

bool ElectorColumnasQt::elegir(QWidget *propietario, const QList<FilaTabla> &filas, TipoConsulta tipo,
                               const QString &motivo, EleccionColumnas *eleccion)
{
    Q_UNUSED(tipo);
    const int cuantas = cuantasColumnas(filas);
    QDialog dialogo(propietario);
    dialogo.setWindowTitle(QStringLiteral("Columnas de la tabla"));
    auto *disposicion = new QVBoxLayout(&dialogo);
    auto *explicacion = new QLabel(motivo + QStringLiteral("\nElija qué campo tiene cada columna."), &dialogo);
    explicacion->setWordWrap(true);
    disposicion->addWidget(explicacion);
    auto *tabla = new QTableWidget(int(filas.size()) + 1, cuantas, &dialogo);
    tabla->setObjectName(QStringLiteral("tablaColumnas"));
    QStringList letras;
    for (int c = 0; c < cuantas; ++c)
        letras.append(letrasDeColumna(c));
    tabla->setHorizontalHeaderLabels(letras);
    const QList<Uso> usos = usosDe(eleccion->columnas, cuantas);
    QList<QComboBox *> elecciones;
    for (int c = 0; c < cuantas; ++c) {
        auto *eleccionColumna = new QComboBox(tabla);
        eleccionColumna->addItems(nombresDeUsos());
        eleccionColumna->setCurrentIndex(int(usos[c]));
        tabla->setCellWidget(0, c, eleccionColumna);
        elecciones.append(eleccionColumna);
    }
    for (int f = 0; f < int(filas.size()); ++f)
        for (int c = 0; c < int(std::min<qsizetype>(filas[f].celdas.size(), cuantas)); ++c) {
            auto *celda = new QTableWidgetItem(filas[f].celdas[c].texto);
            celda->setFlags(Qt::ItemIsEnabled);
            tabla->setItem(f + 1, c, celda);
        }
    QStringList numeros{QString()};
    for (const FilaTabla &fila : filas)
        numeros.append(QString::number(fila.numero));
    tabla->setVerticalHeaderLabels(numeros);
    tabla->resizeColumnsToContents();
    disposicion->addWidget(tabla);
    auto *cabecera = new QCheckBox(QStringLiteral("La primera fila es la cabecera"), &dialogo);
    cabecera->setChecked(eleccion->primeraEsCabecera);
    disposicion->addWidget(cabecera);
    auto *botones = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialogo);
    botones->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Aceptar"));
    botones->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    QObject::connect(botones, &QDialogButtonBox::accepted, &dialogo, &QDialog::accept);
    QObject::connect(botones, &QDialogButtonBox::rejected, &dialogo, &QDialog::reject);
    disposicion->addWidget(botones);
    dialogo.resize(640, 360);
    if (dialogo.exec() != QDialog::Accepted)
        return false;
    QList<Uso> elegidos;
    for (QComboBox *e : std::as_const(elecciones))
        elegidos.append(Uso(e->currentIndex()));
    eleccion->columnas = columnasDe(elegidos);
    eleccion->primeraEsCabecera = cabecera->isChecked();
    return true;
}
