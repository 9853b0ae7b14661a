// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "escritorxml.h"

#include "documento.h"
#include "limpieza.h"

#include <bit>
#include <cstring>

namespace torxal {

namespace {

// Record lines are gathered in a buffer of this size and handed on in one write.
constexpr qsizetype TamanoBuffer = 256 * 1024;
// The buffer starts small and doubles up to its full size before it is ever flushed: a
// short list costs no quarter megabyte, and the writes are those of a full-sized buffer.
constexpr qsizetype BufferInicial = 4 * 1024;
static_assert(std::has_single_bit(quint64(TamanoBuffer)) && std::has_single_bit(quint64(BufferInicial)));
// Room one record line may need besides its values: the tags of a record of any kind,
// and the fifteen bytes a value's last copy may store past its end.
constexpr size_t BytesDeEtiquetas = 80;

constexpr std::string_view Declaracion = "<?xml version='1.0' encoding='UTF-8'?>\r\n";
constexpr std::string_view EspacioXsi = "http://www.w3.org/2001/XMLSchema-instance";

std::string_view lineaFIN(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return palabra(Palabra::FinNIF);
    case TipoConsulta::RC:
        return palabra(Palabra::FinRC);
    case TipoConsulta::PP:
        return palabra(Palabra::FinPP);
    }
    return {};
}

QByteArray bytesDe(std::string_view texto)
{
    return QByteArray(texto.data(), qsizetype(texto.size()));
}

// One child element of a record; an absent value writes nothing. The tags are whole
// constants and the cursor a local, so the compiler keeps it in a register instead of
// storing it after every byte.
template<size_t A, size_t C>
inline char *elemento(char *p, const char (&apertura)[A], const char (&cierre)[C], const Campo &campo)
{
    if (!campo.presente())
        return p;
    std::memcpy(p, apertura, A - 1);
    p = escaparValor(p + A - 1, campo.vista());
    std::memcpy(p, cierre, C - 1);
    return p + C - 1;
}

// A child element handed to escribirDAT: its tags and its value.
template<size_t A, size_t C>
struct Elemento {
    const char (&apertura)[A];
    const char (&cierre)[C];
    const Campo &valor;
};
template<size_t A, size_t C>
Elemento(const char (&)[A], const char (&)[C], const Campo &) -> Elemento<A, C>;

constexpr char AperturaDAT[] = "<DAT>";
constexpr char CierreDAT[] = "</DAT>\r\n";

} // namespace

EscritorXML::EscritorXML(FabricaDestino fabrica, const RutaSalida &nombres, TipoConsulta tipo,
                         OpcionesDocumento opciones, const QString &lista)
    : m_fabrica(std::move(fabrica))
    , m_nombres(nombres)
    , m_lista(lista)
    , m_tipo(tipo)
    , m_limite(opciones.tamanoMaximo)
{
    const QDate fecha = opciones.fecha.isValid() ? opciones.fecha : QDate::currentDate();
    m_cabecera = bytesDe(Declaracion) + "<LISTADATOS xmlns='" + opciones.espacioDeNombres.toUtf8() + "' xmlns:xsi='"
        + bytesDe(EspacioXsi) + "'>\r\n<FEC>" + fecha.toString(opciones.formatoFecha).toUtf8() + "</FEC>\r\n"
        + bytesDe(lineaFIN(tipo));
}

EscritorXML::~EscritorXML()
{
    descartar();
}

QString EscritorXML::nombreParte() const
{
    // Until a second part opens, the document may still fit whole under its own name.
    return m_partes.size() > 1 ? m_nombres.rutaParte(int(m_partes.size())) : m_nombres.ruta();
}

bool EscritorXML::fallarEscritura(Fallo *fallo, int error) const
{
    return fallar(fallo, Texto::NoEscribeSalida, {nombreParte()}, error);
}

bool EscritorXML::CrearCabeceraXML(Fallo *fallo)
{
    m_buffer = QByteArray(BufferInicial, Qt::Uninitialized);
    m_cursor = m_buffer.data();
    // The header goes out at once, so a file that cannot take it is known here.
    Fallo propio;
    if (!abrirParte(&propio) || !vaciar(&propio))
        return fallar(fallo, Texto::NoSeCrea, {m_nombres.ruta()}, propio.error);
    return true;
}

bool EscritorXML::abrirParte(Fallo *fallo)
{
    // Whatever the buffer holds is the previous part's, and goes there if it must.
    if (!hacerHueco(m_cabecera.size(), fallo))
        return false;
    Parte parte;
    parte.destino = m_fabrica(m_nombres.ruta());
    int error = 0;
    if (!parte.destino->abrir(&error))
        return fallar(fallo, Texto::NoSeCrea, {m_nombres.rutaParte(int(m_partes.size()) + 1)}, error);
    m_partes.push_back(std::move(parte));
    m_cursor = copiar(m_cursor, std::string_view(m_cabecera.constData(), size_t(m_cabecera.size())));
    m_partes.back().bytes = m_cabecera.size();
    return true;
}

bool EscritorXML::cerrarParte(Fallo *fallo)
{
    // Room for a record's tags is not room for the closing line after it too.
    if (!hacerHueco(qsizetype(Cierre.size()), fallo))
        return false;
    m_cursor = copiar(m_cursor, Cierre);
    m_partes.back().bytes += qint64(Cierre.size());
    return vaciar(fallo);
}

char *EscritorXML::reservar(size_t bytes, Fallo *fallo)
{
    return hacerHueco(qsizetype(BytesDeEtiquetas + bytes), fallo) ? m_cursor : nullptr;
}

bool EscritorXML::hacerHueco(qsizetype necesario, Fallo *fallo)
{
    const qsizetype usados = m_cursor - m_buffer.constData();
    while (m_buffer.size() - usados < necesario && m_buffer.size() < TamanoBuffer) {
        m_buffer.resize(m_buffer.size() * 2);
        m_cursor = m_buffer.data() + usados;
    }
    if (m_buffer.size() - usados >= necesario)
        return true;
    if (!vaciar(fallo))
        return false;
    if (m_buffer.size() < necesario) {
        m_buffer = QByteArray(necesario, Qt::Uninitialized);
        m_cursor = m_buffer.data();
    }
    return true;
}

// The line stands in the buffer at [inicio, fin); under a size limit it may have to go
// into the next part instead.
bool EscritorXML::terminarLinea(char *inicio, char *fin, qint64 linea, Fallo *fallo)
{
    const qint64 longitud = fin - inicio;
    Parte *parte = &m_partes.back();
    if (m_limite > 0 && parte->bytes + longitud + qint64(Cierre.size()) > m_limite) {
        if (bytesSinRegistros() + longitud > m_limite)
            return fallar(fallo, Texto::RegistroNoCabe,
                          {QString::number(linea), m_lista, QString::number(m_limite / 1024)});
        const QByteArray linea(inicio, longitud);
        m_cursor = inicio;
        if (!cerrarParte(fallo) || !abrirParte(fallo) || !reservar(size_t(longitud), fallo))
            return false;
        fin = copiar(m_cursor, std::string_view(linea.constData(), size_t(longitud)));
        parte = &m_partes.back();
    }
    m_cursor = fin;
    parte->bytes += longitud;
    ++parte->registros;
    return true;
}

// One record line: the DAT element with the children given, in their order.
template<typename... Elementos>
bool EscritorXML::escribirDAT(qint64 linea, Fallo *fallo, const Elementos &...elementos)
{
    char *inicio = reservar((elementos.valor.vista().size() + ...) * BytesPorByteEscapado, fallo);
    if (!inicio)
        return false;
    char *p = copiar(inicio, AperturaDAT);
    ((p = elemento(p, elementos.apertura, elementos.cierre, elementos.valor)), ...);
    return terminarLinea(inicio, copiar(p, CierreDAT), linea, fallo);
}

bool EscritorXML::EscribirRegistroNIF(const Campos &c, qint64 linea, Fallo *fallo)
{
    return escribirDAT(linea, fallo, Elemento{"<NIF>", "</NIF>", c.NIF}, Elemento{"<APE>", "</APE>", c.APE},
                       Elemento{"<PRO>", "</PRO>", c.PRO}, Elemento{"<MUN>", "</MUN>", c.MUN});
}

bool EscritorXML::EscribirRegistroRC(const Campos &c, qint64 linea, Fallo *fallo)
{
    return escribirDAT(linea, fallo, Elemento{"<RC>", "</RC>", c.RC}, Elemento{"<PRO>", "</PRO>", c.PRO},
                       Elemento{"<MUN>", "</MUN>", c.MUN});
}

bool EscritorXML::EscribirRegistroPP(const Campos &c, qint64 linea, Fallo *fallo)
{
    return escribirDAT(linea, fallo, Elemento{"<PRO>", "</PRO>", c.PRO}, Elemento{"<MUN>", "</MUN>", c.MUN},
                       Elemento{"<POL>", "</POL>", c.POL}, Elemento{"<PAR>", "</PAR>", c.PAR});
}

bool EscritorXML::escribirRegistro(const Campos &campos, qint64 linea, bool *escrito, Fallo *fallo)
{
    *escrito = campos.escribible;
    if (!campos.escribible)
        return true;
    switch (m_tipo) {
    case TipoConsulta::NIF:
        return EscribirRegistroNIF(campos, linea, fallo);
    case TipoConsulta::RC:
        return EscribirRegistroRC(campos, linea, fallo);
    case TipoConsulta::PP:
        return EscribirRegistroPP(campos, linea, fallo);
    }
    return true;
}

bool EscritorXML::CerrarFicheroXML(Fallo *fallo)
{
    if (m_partes.empty() || !cerrarParte(fallo))
        return false;
    for (size_t i = 0; i < m_partes.size(); ++i) {
        int error = 0;
        if (!m_partes[i].destino->preparar(&error))
            return fallar(fallo, Texto::NoEscribeSalida,
                          {m_partes.size() > 1 ? m_nombres.rutaParte(int(i) + 1) : m_nombres.ruta()}, error);
    }
    return true;
}

void EscritorXML::descartar()
{
    for (Parte &parte : m_partes)
        if (parte.destino)
            parte.destino->descartar();
    m_partes.clear();
}

bool EscritorXML::vaciar(Fallo *fallo)
{
    const qsizetype usados = m_cursor - m_buffer.constData();
    m_cursor = m_buffer.data();
    int error = 0;
    if (usados == 0 || m_partes.back().destino->escribir(m_buffer.constData(), usados, &error))
        return true;
    return fallarEscritura(fallo, error);
}

} // namespace torxal
