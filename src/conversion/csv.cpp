// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "csv.h"

#include "lectura.h"
#include "limpiezabytes.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringList>

#include <cstring>

namespace torxal {

namespace {

constexpr qsizetype Bloque = 64 * 1024;
// A physical line this long cannot make a row within the row's limit.
constexpr qsizetype MaximoBytesLinea = 4 * LectorCsv::MaximoCaracteresFila;

// Decodes one line by the list's rule into `linea`, whose room is kept from line to line;
// true when it was read as Windows-1252.
bool decodificarLinea(std::string_view bytes, QString &linea, bool *multibyte)
{
    *multibyte = false;
    linea.resize(qsizetype(bytes.size()));
    char16_t *salida = reinterpret_cast<char16_t *>(linea.data());
    if (esAscii(bytes)) {
        for (char b : bytes)
            *salida++ = char16_t(b);
        return false;
    }
    if (esUtf8Valido(bytes)) {
        *multibyte = true;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QChar *fin = utf8.appendToBuffer(linea.data(), QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        linea.resize(fin - linea.constData());
        return false;
    }
    // Every Windows-1252 character is one UTF-16 unit.
    const TablaBytes &windows1252 = tablaBytes(Codificacion::Windows1252);
    for (char b : bytes)
        *salida++ = char16_t(windows1252.codigo[static_cast<unsigned char>(b)]);
    return true;
}

// The cells of one line, quotes as in a row that does not run past its line.
QStringList partirLinea(QStringView linea, QChar separador)
{
    QStringList celdas(1);
    enum { Inicio, Libre, EnComillas, TrasComillas } estado = Inicio;
    for (qsizetype i = 0; i < linea.size(); ++i) {
        const QChar c = linea.at(i);
        if (estado == EnComillas) {
            if (c != u'"')
                celdas.back().append(c);
            else if (i + 1 < linea.size() && linea.at(i + 1) == u'"')
                celdas.back().append(linea.at(++i));
            else
                estado = TrasComillas;
        } else if (c == separador) {
            celdas.append(QString());
            estado = Inicio;
        } else if (estado == Inicio && c == u'"') {
            estado = EnComillas;
        } else {
            celdas.back().append(c);
            if (estado == Inicio)
                estado = Libre;
        }
    }
    return celdas;
}

QString primeraLineaConTexto(QStringView texto)
{
    while (!texto.isEmpty()) {
        qsizetype fin = 0;
        while (fin < texto.size() && texto.at(fin) != u'\n' && texto.at(fin) != u'\r')
            ++fin;
        const QStringView linea = texto.first(fin);
        if (!linea.trimmed().isEmpty())
            return linea.toString();
        texto = texto.sliced(std::min(fin + 1, texto.size()));
    }
    return QString();
}

} // namespace

bool pareceTablaCsv(QByteArrayView inicio, TipoConsulta tipo, QChar separador, QChar *hallado)
{
    QString linea;
    if (inicio.startsWith("\xFF\xFE") || inicio.startsWith("\xFE\xFF")) {
        QStringDecoder decodificador(inicio.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                                    : QStringConverter::Utf16BE);
        const QString texto = decodificador.decode(inicio.sliced(2));
        linea = primeraLineaConTexto(texto);
    } else {
        if (inicio.startsWith("\xEF\xBB\xBF"))
            inicio = inicio.sliced(3);
        // The first line with something other than blanks, decoded on its own.
        while (!inicio.isEmpty()) {
            qsizetype fin = 0;
            while (fin < inicio.size() && inicio.at(fin) != '\n' && inicio.at(fin) != '\r')
                ++fin;
            const QByteArrayView bytes = inicio.first(fin);
            if (!bytes.trimmed().isEmpty()) {
                bool multibyte;
                decodificarLinea(std::string_view(bytes.data(), size_t(bytes.size())), linea, &multibyte);
                break;
            }
            inicio = inicio.sliced(std::min(fin + 1, inicio.size()));
        }
    }
    QStringList celdas{linea};
    QChar elegido = separador.isNull() ? QChar(u';') : separador;
    for (QChar candidato : {QChar(u';'), QChar(u'\t'), QChar(u',')}) {
        if (!separador.isNull() && candidato != separador)
            continue;
        const QStringList partes = partirLinea(linea, candidato);
        if (partes.size() >= 2) {
            celdas = partes;
            elegido = candidato;
            break;
        }
    }
    if (hallado)
        *hallado = elegido;
    for (const QString &celda : celdas)
        if (nombraIdentificador(celda, tipo))
            return true;
    return false;
}

LectorCsv::LectorCsv(QIODevice &entrada, QChar separador)
    : m_entrada(entrada)
    , m_separador(separador.unicode())
{
}

LectorCsv::Linea LectorCsv::leerLinea(Fallo *fallo)
{
    qsizetype buscado = 0; // bytes of the line already searched for its end
    for (;;) {
        qsizetype fin = m_pos + buscado;
        while (fin < m_fin && m_bloque.at(fin) != '\n' && m_bloque.at(fin) != '\r')
            ++fin;
        buscado = fin - m_pos;
        // A CR at the very end of what has been read may be the first half of a CR LF.
        const bool completa = fin < m_fin ? m_bloque.at(fin) == '\n' || fin + 1 < m_fin || m_agotado
                                          : m_agotado && m_pos < m_fin;
        if (completa) {
            bool multibyte;
            m_inicioLinea = m_base + m_pos;
            m_lineaWindows1252 = decodificarLinea(std::string_view(m_bloque.constData() + m_pos, size_t(fin - m_pos)),
                                                  m_linea, &multibyte);
            m_listaUtf8 = m_listaUtf8 || multibyte;
            ++m_numeroLinea;
            m_pos = fin;
            if (m_pos < m_fin && m_bloque.at(m_pos++) == '\r' && m_pos < m_fin && m_bloque.at(m_pos) == '\n')
                ++m_pos;
            return Linea::Leida;
        }
        if (m_agotado)
            return Linea::Fin;
        // Keep what there is of the line and read more behind it.
        const qsizetype resto = m_fin - m_pos;
        if (resto >= MaximoBytesLinea) {
            fallar(fallo, Texto::CsvFilaLarga, {QString::number(m_numeroLinea + 1), QString::number(MaximoCaracteresFila)});
            return Linea::Error;
        }
        if (m_pos > 0) {
            std::memmove(m_bloque.data(), m_bloque.constData() + m_pos, size_t(resto));
            m_base += m_pos;
            m_pos = 0;
            m_fin = resto;
        }
        if (m_bloque.size() < m_fin + Bloque)
            m_bloque.resize(m_fin + Bloque);
        const qint64 leidos = m_entrada.read(m_bloque.data() + m_fin, Bloque);
        if (leidos < 0) {
            fallarPorMotivo(fallo, Texto::TablaNoSeLee, {}, Texto::RazonDeLectura, {m_entrada.errorString()});
            return Linea::Error;
        }
        m_agotado = leidos == 0;
        m_fin += leidos;
        if (!m_empezado && m_fin >= 3) {
            m_empezado = true;
            if (std::memcmp(m_bloque.constData(), "\xEF\xBB\xBF", 3) == 0) {
                m_pos = 3;
                m_listaUtf8 = true;
            }
        }
    }
}

bool LectorCsv::leerFila(FilaTabla *fila, Fallo *fallo)
{
    if (m_terminado)
        return false;
    enum { Inicio, Libre, EnComillas, TrasComillas } estado = Inicio;
    qsizetype usadas = 0;
    qsizetype caracteres = 0;
    qint64 lineaComillas = 0;
    bool algo = false;
    QString *celda = nullptr;
    const auto nuevaCelda = [&]() {
        if (usadas >= MaximoCeldas) {
            celda = nullptr;
            return;
        }
        if (usadas == fila->celdas.size())
            fila->celdas.append(Celda{});
        Celda &c = fila->celdas[usadas++];
        c.clase = ClaseCelda::Vacia;
        if (c.texto.isDetached())
            c.texto.resize(0);
        else
            c.texto.clear();
        celda = &c.texto;
    };
    const auto cerrarCelda = [&]() {
        if (celda && !celda->isEmpty()) {
            fila->celdas[usadas - 1].clase = ClaseCelda::Texto;
            algo = true;
        }
    };
    const auto terminar = [this](Fallo *f, Texto que, const QStringList &argumentos) {
        m_terminado = true;
        return fallar(f, que, argumentos);
    };

    for (;;) {
        const Linea resultado = leerLinea(fallo);
        if (resultado == Linea::Error) {
            m_terminado = true;
            return false;
        }
        if (resultado == Linea::Fin) {
            m_terminado = true;
            if (estado == EnComillas)
                return terminar(fallo, Texto::CsvComillaAbierta, {QString::number(lineaComillas)});
            if (usadas > 0 && algo) {
                cerrarCelda();
                fila->celdas.resize(usadas);
                return true;
            }
            return false;
        }
        if (usadas == 0) {
            fila->numero = m_numeroLinea;
            fila->inicio = m_inicioLinea;
            fila->windows1252 = false;
            nuevaCelda();
        } else if (estado == EnComillas) {
            // The line end belongs to the quoted cell.
            if (celda)
                celda->append(u'\n');
            ++caracteres;
        }
        fila->windows1252 = fila->windows1252 || m_lineaWindows1252;
        caracteres += m_linea.size();
        if (caracteres > MaximoCaracteresFila) {
            if (estado == EnComillas)
                return terminar(fallo, Texto::CsvComillaAbierta, {QString::number(lineaComillas)});
            return terminar(fallo, Texto::CsvFilaLarga,
                            {QString::number(fila->numero), QString::number(MaximoCaracteresFila)});
        }
        const char16_t *p = reinterpret_cast<const char16_t *>(m_linea.constData());
        const char16_t *const fin = p + m_linea.size();
        while (p < fin) {
            const char16_t c = *p++;
            switch (estado) {
            case EnComillas:
                if (c != u'"') {
                    if (celda)
                        celda->append(QChar(c));
                } else if (p < fin && *p == u'"') {
                    if (celda)
                        celda->append(QChar(c));
                    ++p;
                } else {
                    estado = TrasComillas;
                }
                break;
            case Inicio:
                if (c == u'"') {
                    estado = EnComillas;
                    lineaComillas = m_numeroLinea;
                    break;
                }
                [[fallthrough]];
            case Libre:
            case TrasComillas:
                if (c == m_separador) {
                    cerrarCelda();
                    nuevaCelda();
                    estado = Inicio;
                } else {
                    // Up to the next separator, whatever follows a closing quote is kept, as spreadsheets do.
                    const char16_t *tramo = p - 1;
                    while (p < fin && *p != m_separador)
                        ++p;
                    if (celda)
                        celda->append(QStringView(tramo, p));
                    if (estado == Inicio)
                        estado = Libre;
                }
                break;
            }
        }
        if (estado == EnComillas)
            continue;
        cerrarCelda();
        if (algo) {
            fila->celdas.resize(usadas);
            return true;
        }
        // A row with nothing in it is not a row.
        usadas = 0;
        caracteres = 0;
        estado = Inicio;
    }
}

} // namespace torxal
