// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "ajustes.h"

#include "destino.h"
#include "sistema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <array>
#include <cerrno>
#include <limits>

namespace torxal {

namespace {

static_assert(analizarUri(u"" TORXAL_NAMESPACE_URI).motivo == Texto::Ninguno,
              "TORXAL_NAMESPACE_URI is not an absolute URI that can stand in the document");

// Past this the limit no longer fits in a qint64 once counted in bytes.
constexpr qint64 MaximoKb = std::numeric_limits<qint64>::max() / 1024;
// A settings file is a few lines; anything this large is not one (a device, a mistake).
constexpr qint64 MaximoFichero = 64 * 1024;

QString formatearCodigo(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

bool fallarValor(Fallo *fallo, Texto motivo, const QStringList &argumentos = {})
{
    return fallarPorMotivo(fallo, Texto::Ninguno, {}, motivo, argumentos);
}

struct ClaveConocida {
    Clave clave;
    const char *nombre;
    bool (*aplicar)(const QString &valor, Ajustes *ajustes, Fallo *fallo);
};

const std::array<ClaveConocida, 4> ClavesConocidas = {{
    {Clave::EspacioDeNombres, palabra(Palabra::ClaveEspacioDeNombres),
     [](const QString &valor, Ajustes *ajustes, Fallo *fallo) {
         if (!comprobarEspacioDeNombres(valor, fallo))
             return false;
         ajustes->espacioDeNombres = valor;
         return true;
     }},
    {Clave::FormatoFecha, palabra(Palabra::ClaveFormatoFecha),
     [](const QString &valor, Ajustes *ajustes, Fallo *fallo) {
         const std::optional<FormatoFecha> formato = leerFormatoFecha(valor, fallo);
         if (formato)
             ajustes->formatoFecha = *formato;
         return formato.has_value();
     }},
    {Clave::TamanoMaximoKb, palabra(Palabra::ClaveTamanoMaximoKb),
     [](const QString &valor, Ajustes *ajustes, Fallo *fallo) {
         return leerTamanoMaximo(valor, &ajustes->tamanoMaximoKb, fallo);
     }},
    {Clave::TamanoAvisoKb, palabra(Palabra::ClaveTamanoAvisoKb),
     [](const QString &valor, Ajustes *ajustes, Fallo *fallo) {
         return leerTamanoMaximo(valor, &ajustes->tamanoAvisoKb, fallo);
     }},
}};

const QString Documento = QString::fromLatin1(palabra(Palabra::SeccionDocumento));
const QString Bloqueado = QString::fromLatin1(palabra(Palabra::SeccionBloqueado));

// QSettings ends an unquoted value at ';' or '#' (a comment) and takes '\' as the start of an
// escape, both without a word: "http://x/ns#v" would arrive as "http://x/ns". No value of ours
// can hold those characters that way, so such a line is refused instead.
bool revisarTextoBruto(const QByteArray &bytes, const QString &seccion, const char *nombre, Fallo *fallo)
{
    bool enSeccion = false;
    for (const QByteArray &linea : bytes.split('\n')) {
        const QByteArray limpia = linea.trimmed();
        if (limpia.startsWith('[')) {
            enSeccion = QString::fromUtf8(limpia.mid(1, limpia.indexOf(']') - 1).trimmed()) == seccion;
            continue;
        }
        const qsizetype igual = limpia.indexOf('=');
        if (!enSeccion || igual < 0 || limpia.left(igual).trimmed() != nombre)
            continue;
        bool entreComillas = false;
        for (char c : limpia.mid(igual + 1)) {
            if (c == '\\')
                return fallarValor(fallo, Texto::AjusteConCaracter, {QStringLiteral("\\")});
            if (c == '"')
                entreComillas = !entreComillas;
            else if ((c == ';' || c == '#') && !entreComillas)
                return fallarValor(fallo, Texto::AjusteComentario, {QString(QLatin1Char(c))});
        }
    }
    return true;
}

// One settings file, read once: its bytes (bounded, never blocking) and QSettings' view.
struct FicheroAjustes {
    QString ruta;
    QByteArray bytes;
    std::unique_ptr<QSettings> ini;
};

bool leerFichero(const QString &ruta, FicheroAjustes *fichero, Fallo *fallo)
{
    const auto rechazar = [&](Texto motivo, const QStringList &argumentos = {}) {
        return fallarPorMotivo(fallo, Texto::AjustesIlegibles, {ruta}, motivo, argumentos);
    };
    // A FIFO would block the reader and a device might never end: only a regular file is read.
    Examen examen;
    int error = 0;
    if (!examinar(ruta, true, &examen, &error))
        return fallar(fallo, Texto::AjustesIlegibles, {ruta}, error);
    if (examen.tipo == TipoEntrada::Directorio)
        return rechazar(Texto::AjustesEsCarpeta);
    if (examen.tipo != TipoEntrada::Normal)
        return rechazar(Texto::AjustesNoNormal);
    if (examen.tamano > MaximoFichero)
        return rechazar(Texto::AjustesDemasiadoGrandes, {QString::number(MaximoFichero / 1024)});
    std::unique_ptr<QIODevice> entrada;
    TipoEntrada hallado = TipoEntrada::Nada;
    if (!abrirParaLeer(ruta, &entrada, &hallado, &error)) {
        if (hallado == TipoEntrada::Directorio)
            return rechazar(Texto::AjustesEsCarpeta);
        if (hallado != TipoEntrada::Nada)
            return rechazar(Texto::AjustesNoNormal);
        return fallar(fallo, Texto::AjustesIlegibles, {ruta}, error);
    }
    fichero->bytes = entrada->read(MaximoFichero + 1);
    if (fichero->bytes.size() > MaximoFichero)
        return rechazar(Texto::AjustesDemasiadoGrandes, {QString::number(MaximoFichero / 1024)});
    fichero->ruta = ruta;
    fichero->ini = std::make_unique<QSettings>(ruta, QSettings::IniFormat);
    if (fichero->ini->status() == QSettings::FormatError)
        return rechazar(Texto::AjustesSinFormatoIni);
    if (fichero->ini->status() != QSettings::NoError)
        return fallar(fallo, Texto::AjustesIlegibles, {ruta});
    return true;
}

// The value of `clave` in `seccion`, when the file has it.
bool leerValor(const FicheroAjustes &fichero, const QString &seccion, const ClaveConocida &conocida, QString *valor,
               Fallo *fallo)
{
    const QString clave = seccion + u'/' + QLatin1String(conocida.nombre);
    const auto rechazar = [&](Fallo *problema) {
        return fallar(fallo, Texto::AjusteNoValido, {fichero.ruta, clave, textoMotivo(*problema)});
    };
    Fallo problema;
    if (!revisarTextoBruto(fichero.bytes, seccion, conocida.nombre, &problema))
        return rechazar(&problema);
    const QVariant leido = fichero.ini->value(clave);
    // An unquoted comma makes QSettings split the value into a list, trimming each piece.
    if (leido.typeId() == QMetaType::QStringList) {
        fallarValor(&problema, Texto::AjusteEsLista);
        return rechazar(&problema);
    }
    if (leido.typeId() != QMetaType::QString) {
        fallarValor(&problema, Texto::AjusteNoEsTexto);
        return rechazar(&problema);
    }
    *valor = leido.toString();
    return true;
}

QString carpetaDeUsuario()
{
    return QDir::cleanPath(carpetasDeConfiguracion().constFirst() + QStringLiteral("/torxal/torxal.conf"));
}

} // namespace

QString espacioDeNombresPredeterminado()
{
    return QStringLiteral(TORXAL_NAMESPACE_URI);
}

bool comprobarEspacioDeNombres(QStringView uri, Fallo *fallo)
{
    const AnalisisUri analisis = analizarUri(std::u16string_view(uri.utf16(), size_t(uri.size())));
    if (analisis.motivo == Texto::Ninguno)
        return true;
    const qsizetype i = analisis.posicion - 1;
    char32_t caracter = analisis.caracter;
    if (QChar::isHighSurrogate(caracter) && i + 1 < uri.size() && uri[i + 1].isLowSurrogate())
        caracter = QChar::surrogateToUcs4(char16_t(caracter), uri[i + 1].unicode());
    const QString texto = QString::fromUcs4(&caracter, 1);
    const QString esquema = uri.first(std::max<qsizetype>(uri.indexOf(u':'), 0)).toString();
    switch (analisis.motivo) {
    case Texto::AjusteConControl:
    case Texto::AjusteConBlanco:
    case Texto::AjusteNoXml:
        return fallarValor(fallo, analisis.motivo, {formatearCodigo(caracter)});
    case Texto::AjusteConCaracter:
        return fallarValor(fallo, analisis.motivo, {texto});
    case Texto::AjusteNoAscii: {
        QString codificado;
        for (char byte : texto.toUtf8())
            codificado += QStringLiteral("%%1").arg(uint(static_cast<unsigned char>(byte)), 2, 16, QLatin1Char('0')).toUpper();
        return fallarValor(fallo, analisis.motivo, {texto, formatearCodigo(caracter), codificado});
    }
    case Texto::AjusteEsquemaSinLetra:
    case Texto::AjusteEsquemaCaracteres:
        return fallarValor(fallo, analisis.motivo, {esquema});
    case Texto::AjusteNadaTrasEsquema:
        return fallarValor(fallo, analisis.motivo, {uri.toString()});
    case Texto::AjusteUriNoValida:
        return fallarValor(fallo, analisis.motivo, {texto, QString::number(analisis.posicion)});
    case Texto::AjustePorcentaje:
    case Texto::AjusteCorcheteAbierto:
        return fallarValor(fallo, analisis.motivo, {QString::number(analisis.posicion)});
    default:
        return fallarValor(fallo, analisis.motivo);
    }
}

std::optional<FormatoFecha> leerFormatoFecha(QStringView texto, Fallo *fallo)
{
    for (FormatoFecha formato : {FormatoFecha::DiaMesAnio, FormatoFecha::AnioMesDia}) {
        if (texto == textoFormatoFecha(formato))
            return formato;
    }
    fallarValor(fallo, Texto::AjusteFormatoFecha);
    return std::nullopt;
}

QString textoFormatoFecha(FormatoFecha formato)
{
    return formato == FormatoFecha::AnioMesDia ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("dd/MM/yyyy");
}

bool leerTamanoMaximo(QStringView texto, qint64 *kb, Fallo *fallo)
{
    if (texto.isEmpty())
        return fallarValor(fallo, Texto::AjusteVacio);
    qint64 valor = 0;
    for (QChar c : texto) {
        if (c < u'0' || c > u'9')
            return fallarValor(fallo, Texto::AjusteNoEsNumero);
        const int cifra = c.unicode() - u'0';
        if (valor > (MaximoKb - cifra) / 10)
            return fallarValor(fallo, Texto::AjusteDemasiadoGrande, {QString::number(MaximoKb)});
        valor = valor * 10 + cifra;
    }
    *kb = valor;
    return true;
}

QStringList buscarFicherosAjustes()
{
    QStringList ficheros;
    for (const QString &carpeta : carpetasDeConfiguracion()) {
        const QString ruta = QDir::cleanPath(carpeta + QStringLiteral("/torxal/torxal.conf"));
        if (!ficheros.contains(ruta) && QFileInfo::exists(ruta))
            ficheros.prepend(ruta);
    }
    return ficheros;
}

OpcionesDocumento opcionesDocumento(const Ajustes &ajustes)
{
    return OpcionesDocumento{ajustes.espacioDeNombres, textoFormatoFecha(ajustes.formatoFecha), {},
                             ajustes.tamanoMaximoKb * 1024, ajustes.tamanoAvisoKb * 1024};
}

QString rutaAjustesDeUsuario()
{
    return carpetaDeUsuario();
}

bool guardarAjusteDeUsuario(Clave clave, const QString &valor, QString *ruta, Fallo *fallo)
{
    *ruta = carpetaDeUsuario();
    const auto conocida = std::find_if(ClavesConocidas.begin(), ClavesConocidas.end(),
                                       [clave](const ClaveConocida &c) { return c.clave == clave; });
    const QByteArray nombre = conocida->nombre;
    QByteArrayList lineas;
    if (QFileInfo::exists(*ruta)) {
        FicheroAjustes fichero;
        if (!leerFichero(*ruta, &fichero, fallo))
            return false;
        lineas = fichero.bytes.split('\n');
        if (!lineas.isEmpty() && lineas.constLast().isEmpty())
            lineas.removeLast();
    }
    // The key's line where it stands in [documento], or a new one at the section's end.
    qsizetype donde = -1;
    qsizetype finDeSeccion = -1;
    bool enDocumento = false;
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        const QByteArray limpia = lineas[i].trimmed();
        if (limpia.startsWith('[')) {
            if (enDocumento && finDeSeccion < 0)
                finDeSeccion = i;
            enDocumento = limpia.mid(1, limpia.indexOf(']') - 1).trimmed() == Documento.toLatin1();
            continue;
        }
        const qsizetype igual = limpia.indexOf('=');
        if (enDocumento && igual > 0 && limpia.left(igual).trimmed() == nombre)
            donde = i;
    }
    const QByteArray nueva = nombre + '=' + valor.toUtf8();
    if (donde >= 0) {
        lineas[donde] = nueva;
    } else if (finDeSeccion >= 0) {
        lineas.insert(finDeSeccion, nueva);
    } else {
        if (!enDocumento)
            lineas.append('[' + Documento.toLatin1() + ']');
        lineas.append(nueva);
    }
    const QByteArray texto = lineas.join('\n') + '\n';
    if (!QDir().mkpath(QFileInfo(*ruta).path()))
        return fallar(fallo, Texto::NoSeGuardanAjustes, {*ruta}, errno);
    const std::unique_ptr<Destino> destino = crearDestinoFichero(*ruta);
    int error = 0;
    if (!destino->abrir(&error) || !destino->escribir(texto.constData(), texto.size(), &error)
        || !destino->preparar(&error) || !destino->colocar(*ruta, true, &error))
        return fallar(fallo, Texto::NoSeGuardanAjustes, {*ruta}, error);
    destino->confirmar();
    return true;
}

bool cargarAjustes(Ajustes *ajustes, const QList<Clave> &fijadas, QStringList *notas, Fallo *fallo)
{
    std::vector<FicheroAjustes> ficheros;
    for (const QString &ruta : buscarFicherosAjustes()) {
        FicheroAjustes fichero;
        if (!leerFichero(ruta, &fichero, fallo))
            return false;
        ficheros.push_back(std::move(fichero));
    }
    const QString delUsuario = carpetaDeUsuario();
    const auto esDelSistema = [&](const FicheroAjustes &f) { return f.ruta != delUsuario; };
    // The value of each key that takes effect, and nothing else, is judged: a bad value a
    // higher file overrides does not stop the run.
    for (const ClaveConocida &conocida : ClavesConocidas) {
        if (fijadas.contains(conocida.clave))
            continue;
        const FicheroAjustes *fuente = nullptr;
        QString seccion;
        for (const QString &candidata : {Documento, Bloqueado}) {
            for (const FicheroAjustes &fichero : ficheros) {
                if (candidata == Bloqueado && !esDelSistema(fichero))
                    continue;
                if (fichero.ini->contains(candidata + u'/' + QLatin1String(conocida.nombre))) {
                    fuente = &fichero;
                    seccion = candidata;
                }
            }
        }
        if (!fuente)
            continue;
        QString valor;
        if (!leerValor(*fuente, seccion, conocida, &valor, fallo))
            return false;
        Fallo problema;
        if (!conocida.aplicar(valor, ajustes, &problema))
            return fallar(fallo, Texto::AjusteNoValido,
                          {fuente->ruta, seccion + u'/' + QLatin1String(conocida.nombre), textoMotivo(problema)});
    }
    if (notas) {
        for (const FicheroAjustes &fichero : ficheros) {
            for (const QString &clave : fichero.ini->allKeys()) {
                const QString seccion = clave.section(u'/', 0, 0);
                const QString nombre = clave.section(u'/', 1);
                const bool conocida = (seccion == Documento || (seccion == Bloqueado && esDelSistema(fichero)))
                    && std::any_of(ClavesConocidas.begin(), ClavesConocidas.end(),
                                   [&](const ClaveConocida &c) { return nombre == QLatin1String(c.nombre); });
                if (!conocida)
                    notas->append(textoDe(Texto::AjustesClaveDesconocida, {fichero.ruta, clave}));
            }
        }
    }
    return true;
}

} // namespace torxal
