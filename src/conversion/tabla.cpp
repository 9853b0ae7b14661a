// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// A table's columns as fields: a mapping given by hand, its summary, and each row's fields.
// The header row is read in cabecera.cpp.

#include "tabla.h"

namespace torxal {

using namespace Qt::StringLiterals;

LectorTabla::~LectorTabla() = default;

bool FilasDesde::leerFila(FilaTabla *fila, Fallo *fallo)
{
    while (m_lector->leerFila(fila, fallo))
        if (fila->numero >= m_desde)
            return true;
    return false;
}

bool leerSegunEleccion(std::unique_ptr<LectorTabla> *lector, const EleccionColumnas &eleccion, Columnas *columnas,
                       Fallo *fallo)
{
    *columnas = eleccion.columnas;
    *lector = std::make_unique<FilasDesde>(std::move(*lector), eleccion.primeraFila);
    if (!eleccion.primeraEsCabecera)
        return true;
    FilaTabla cabecera;
    if (!(*lector)->leerFila(&cabecera, fallo))
        return fallo->que == Texto::Ninguno ? fallar(fallo, Texto::TablaVacia) : false;
    nombrarColumnas(cabecera, columnas);
    return true;
}

namespace {

const char16_t *sigla(CampoLista campo)
{
    static constexpr const char16_t *Siglas[] = {u"NIF", u"APE", u"RC", u"PRO", u"MUN", u"POL", u"PAR"};
    return Siglas[int(campo)];
}

// The column a piece of text names ("C", "c", "3"), or -1.
int leerColumna(QStringView texto)
{
    if (texto.isEmpty() || texto.size() > 5)
        return -1;
    int valor = 0;
    if (texto.front().isDigit()) {
        for (QChar c : texto) {
            if (c < u'0' || c > u'9')
                return -1;
            valor = valor * 10 + (c.unicode() - u'0');
        }
        return valor >= 1 && valor <= UltimaColumna ? valor - 1 : -1;
    }
    for (QChar c : texto) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return -1;
        valor = valor * 26 + (u - u'A' + 1);
    }
    return valor >= 1 && valor <= UltimaColumna ? valor - 1 : -1;
}

bool soloCifras(QStringView texto)
{
    for (QChar c : texto)
        if (c < u'0' || c > u'9')
            return false;
    return !texto.isEmpty();
}

QStringView sinEspacios(QStringView texto)
{
    while (!texto.isEmpty() && texto.front() == u' ')
        texto = texto.sliced(1);
    while (!texto.isEmpty() && texto.back() == u' ')
        texto.chop(1);
    return texto;
}

// The kind's fields, in the service's order, as a mapping's summary and checks go through them.
QList<CampoLista> camposDe(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return {CampoLista::NIF, CampoLista::APE, CampoLista::PRO, CampoLista::MUN};
    case TipoConsulta::RC:
        return {CampoLista::RC, CampoLista::PRO, CampoLista::MUN};
    case TipoConsulta::PP:
        break;
    }
    return {CampoLista::PRO, CampoLista::MUN, CampoLista::POL, CampoLista::PAR};
}

bool esCodigo(CampoLista campo)
{
    return campo == CampoLista::PRO || campo == CampoLista::MUN || campo == CampoLista::POL || campo == CampoLista::PAR;
}

} // namespace

QString fraseDeCampo(CampoLista campo)
{
    static constexpr Texto Frases[] = {Texto::DelCampoNIF, Texto::DelCampoAPE, Texto::DelCampoRC, Texto::DelCampoPRO,
                                       Texto::DelCampoMUN, Texto::DelCampoPOL, Texto::DelCampoPAR};
    return textoDe(Frases[int(campo)]);
}

QString letrasDeColumna(int columna)
{
    QString letras;
    for (int n = columna + 1; n > 0; n = (n - 1) / 26)
        letras.prepend(QChar(u'A' + (n - 1) % 26));
    return letras;
}

bool leerColumnas(QStringView texto, TipoConsulta tipo, Columnas *columnas, Fallo *fallo)
{
    const QList<CampoLista> delTipo = camposDe(tipo);
    QStringList siglas;
    for (CampoLista campo : delTipo)
        siglas.append(QString::fromUtf16(sigla(campo)));
    siglas.append(u"INE"_s);

    Columnas leidas;
    QList<int> usadas;
    bool conIne = false;
    for (QStringView trozo : texto.split(u',')) {
        const qsizetype igual = trozo.indexOf(u'=');
        if (igual < 0 || trozo.trimmed().isEmpty())
            return fallar(fallo, Texto::ColumnasNoSeEntiende, {trozo.trimmed().toString()});
        const QString nombre = trozo.first(igual).trimmed().toString().toUpper();
        const qsizetype cual = siglas.indexOf(nombre);
        if (cual < 0)
            return fallar(fallo, Texto::ColumnasCampoAjeno, {trozo.first(igual).trimmed().toString(), siglas.join(u", ")});
        const QList<QStringView> piezas = trozo.sliced(igual + 1).split(u'+');
        const bool esIne = cual == siglas.size() - 1;
        const CampoLista campo = esIne ? CampoLista::PRO : delTipo.at(cual);
        if (piezas.size() > 1 && (esIne || campo != CampoLista::APE))
            return fallar(fallo, Texto::ColumnasUnaSola, {nombre});
        // INE gives PRO and MUN: either named beside it is named twice.
        QString repetido;
        if (esIne && !conIne)
            repetido = !leidas.de(CampoLista::PRO).isEmpty() ? u"PRO"_s : !leidas.de(CampoLista::MUN).isEmpty() ? u"MUN"_s : QString();
        else if (esIne || !leidas.de(campo).isEmpty() || (conIne && (campo == CampoLista::PRO || campo == CampoLista::MUN)))
            repetido = nombre;
        if (!repetido.isEmpty())
            return fallar(fallo, Texto::ColumnasCampoRepetido, {repetido});
        for (QStringView pieza : piezas) {
            const int columna = leerColumna(pieza.trimmed());
            if (columna < 0)
                return fallar(fallo, Texto::ColumnasColumnaNoValida, {pieza.trimmed().toString()});
            if (usadas.contains(columna))
                return fallar(fallo, Texto::ColumnasColumnaRepetida, {letrasDeColumna(columna)});
            usadas.append(columna);
            if (esIne)
                leidas.ine = columna;
            else
                leidas.de(campo).append(columna);
        }
        conIne = conIne || esIne;
    }
    QList<CampoLista> obligatorios;
    switch (tipo) {
    case TipoConsulta::NIF:
        obligatorios = {CampoLista::NIF};
        break;
    case TipoConsulta::RC:
        obligatorios = {CampoLista::RC};
        break;
    case TipoConsulta::PP:
        obligatorios = {CampoLista::PRO, CampoLista::MUN, CampoLista::POL};
        break;
    }
    for (CampoLista campo : obligatorios)
        if (leidas.de(campo).isEmpty() && !(conIne && (campo == CampoLista::PRO || campo == CampoLista::MUN)))
            return fallar(fallo, Texto::ColumnasFaltaCampo, {fraseDeCampo(campo)});
    *columnas = std::move(leidas);
    return true;
}

QString describirColumnas(const Columnas &columnas, TipoConsulta tipo)
{
    const auto pieza = [&columnas](const QString &campo, const QList<int> &fuentes) {
        QStringList letras;
        QStringList nombres;
        for (int columna : fuentes) {
            letras.append(letrasDeColumna(columna));
            if (columna < columnas.nombres.size() && !columnas.nombres.at(columna).isEmpty())
                nombres.append(textoDe(Texto::NombreDeColumna, {columnas.nombres.at(columna)}));
        }
        return nombres.isEmpty()
            ? textoDe(Texto::ResumenColumnasCampo, {campo, letras.join(u" + ")})
            : textoDe(Texto::ResumenColumnasNombres, {campo, letras.join(u" + "), nombres.join(u", ")});
    };
    QStringList piezas;
    for (CampoLista campo : camposDe(tipo)) {
        if (columnas.ine >= 0 && (campo == CampoLista::PRO || campo == CampoLista::MUN)) {
            if (campo == CampoLista::PRO)
                piezas.append(pieza(u"INE"_s, {columnas.ine}));
        } else if (!columnas.de(campo).isEmpty()) {
            piezas.append(pieza(QString::fromUtf16(sigla(campo)), columnas.de(campo)));
        }
    }
    return textoDe(Texto::ResumenColumnas, {piezas.join(u"; ")});
}

bool extraerCampos(const FilaTabla &fila, const Columnas &columnas, TipoConsulta tipo, CamposDeFila *campos)
{
    campos->problemas.clear();
    // Each field copies its text into room kept from row to row: sharing the cell's would
    // make the reader allocate that cell afresh on the next row.
    for (QString &texto : campos->textos) {
        if (texto.isDetached())
            texto.resize(0);
        else
            texto.clear();
    }
    const auto celda = [&fila](int columna) -> const Celda * {
        static const Celda Vacia;
        return columna < fila.celdas.size() ? &fila.celdas.at(columna) : &Vacia;
    };
    // The cell's text, or nothing when it holds no value to send, with what to warn about.
    const auto tomar = [campos](const Celda &c, CampoLista campo, int columna) -> const QString * {
        switch (c.clase) {
        case ClaseCelda::Error:
            campos->problemas.append({ProblemaCelda::Error, campo, columna, c.texto});
            return nullptr;
        case ClaseCelda::SinResultado:
            campos->problemas.append({ProblemaCelda::SinResultado, campo, columna, c.texto});
            return nullptr;
        case ClaseCelda::Fecha:
        case ClaseCelda::Decimal:
            if (esCodigo(campo))
                campos->problemas.append({c.clase == ClaseCelda::Fecha ? ProblemaCelda::Fecha : ProblemaCelda::Decimal,
                                          campo, columna, c.texto});
            break;
        default:
            break;
        }
        return &c.texto;
    };

    for (CampoLista campo : camposDe(tipo)) {
        const QList<int> &fuentes = columnas.de(campo);
        if (fuentes.isEmpty())
            continue;
        QString &destino = campos->de(campo);
        if (fuentes.size() == 1) {
            if (const QString *texto = tomar(*celda(fuentes.front()), campo, fuentes.front()))
                destino.append(QStringView(*texto));
            continue;
        }
        for (int columna : fuentes) {
            const QString *texto = tomar(*celda(columna), campo, columna);
            const QStringView trozo = texto ? sinEspacios(*texto) : QStringView();
            if (trozo.isEmpty())
                continue;
            if (!destino.isEmpty())
                destino.append(u' ');
            destino.append(trozo);
        }
    }
    if (columnas.ine >= 0) {
        if (const QString *texto = tomar(*celda(columnas.ine), CampoLista::PRO, columnas.ine)) {
            QString codigo = sinEspacios(*texto).toString();
            // A code kept as a number loses the zero of provinces 01 to 09.
            if (codigo.size() == 4 && soloCifras(codigo))
                codigo.prepend(u'0');
            campos->de(CampoLista::PRO) = codigo.left(2);
            campos->de(CampoLista::MUN) = codigo.mid(2);
        }
    } else if (const QStringView mun = sinEspacios(campos->de(CampoLista::MUN)); mun.size() == 5 && soloCifras(mun)) {
        if (sinEspacios(campos->de(CampoLista::PRO)).isEmpty())
            campos->de(CampoLista::PRO) = mun.first(2).toString();
        campos->de(CampoLista::MUN) = mun.sliced(2).toString();
    }

    bool algo = !campos->problemas.isEmpty();
    for (QString &texto : campos->textos) {
        if (texto.isEmpty())
            continue;
        algo = true;
        for (QChar c : texto) {
            if (c.unicode() >= 0x300) {
                texto = texto.normalized(QString::NormalizationForm_C);
                break;
            }
        }
    }
    if (columnas.nombrePrimero && !campos->de(CampoLista::APE).isEmpty())
        campos->problemas.append({ProblemaCelda::NombrePrimero, CampoLista::APE, columnas.de(CampoLista::APE).front(),
                                  campos->de(CampoLista::APE)});
    return algo;
}

} // namespace torxal
