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
// Room one record line may need besides its values: the tags of a record of any kind.
constexpr size_t BytesDeEtiquetas = 64;

constexpr std::string_view Declaracion = "<?xml version='1.0' encoding='UTF-8'?>\r\n";
constexpr std::string_view EspacioXsi = "http://www.w3.org/2001/XMLSchema-instance";

// The document is UTF-8, as its declaration says: "í" is written as its two bytes.
std::string_view lineaFIN(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return "<FIN>Consulta por NIF</FIN>\r\n";
    case TipoConsulta::RC:
        return "<FIN>Consulta por Referencia Catastral</FIN>\r\n";
    case TipoConsulta::PP:
        return "<FIN>Consulta por Pol\xC3\xADgono y Parcela</FIN>\r\n";
    }
    return {};
}

QByteArray bytesDe(std::string_view texto)
{
    return QByteArray(texto.data(), qsizetype(texto.size()));
}

// One child element of a record whose value is already in its document form; an
// absent value writes nothing. The tags are whole constants and the cursor a local,
// so the compiler keeps it in a register instead of storing it after every byte.
template<size_t A, size_t C>
inline char *elemento(char *p, const char (&apertura)[A], const char (&cierre)[C], std::string_view valor)
{
    if (!estaPresente(valor))
        return p;
    std::memcpy(p, apertura, A - 1);
    p += A - 1;
    std::memcpy(p, valor.data(), valor.size());
    p += valor.size();
    std::memcpy(p, cierre, C - 1);
    return p + C - 1;
}

// A child element handed to escribirDAT: its tags and its value.
template<size_t A, size_t C>
struct Elemento {
    const char (&apertura)[A];
    const char (&cierre)[C];
    std::string_view valor;
};
template<size_t A, size_t C>
Elemento(const char (&)[A], const char (&)[C], std::string_view) -> Elemento<A, C>;

constexpr char AperturaDAT[] = "<DAT>";
constexpr char CierreDAT[] = "</DAT>\r\n";

} // namespace

EscritorXML::EscritorXML(FabricaDestino fabrica, const QString &ruta, TipoConsulta tipo, OpcionesDocumento opciones)
    : m_fabrica(std::move(fabrica))
    , m_ruta(ruta)
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

bool EscritorXML::CrearCabeceraXML(QString *razon)
{
    m_buffer = QByteArray(BufferInicial, Qt::Uninitialized);
    m_cursor = m_buffer.data();
    if (!abrirParte(razon))
        return false;
    // The header goes out at once, so a file that cannot take it is known here.
    return vaciar(razon);
}

bool EscritorXML::abrirParte(QString *razon)
{
    // Whatever the buffer holds is the previous part's, and goes there if it must.
    if (!hacerHueco(m_cabecera.size(), razon))
        return false;
    Parte parte;
    parte.destino = m_fabrica(m_ruta);
    if (!parte.destino->abrir(razon))
        return false;
    m_partes.push_back(std::move(parte));
    m_cursor = copiar(m_cursor, std::string_view(m_cabecera.constData(), size_t(m_cabecera.size())));
    m_partes.back().bytes = m_cabecera.size();
    return true;
}

bool EscritorXML::cerrarParte(QString *razon)
{
    // Room for a record's tags is not room for the closing line after it too.
    if (!hacerHueco(qsizetype(Cierre.size()), razon))
        return false;
    m_cursor = copiar(m_cursor, Cierre);
    m_partes.back().bytes += qint64(Cierre.size());
    return vaciar(razon);
}

char *EscritorXML::reservar(size_t bytes, QString *razon)
{
    return hacerHueco(qsizetype(BytesDeEtiquetas + bytes), razon) ? m_cursor : nullptr;
}

bool EscritorXML::hacerHueco(qsizetype necesario, QString *razon)
{
    const qsizetype usados = m_cursor - m_buffer.constData();
    while (m_buffer.size() - usados < necesario && m_buffer.size() < TamanoBuffer) {
        m_buffer.resize(m_buffer.size() * 2);
        m_cursor = m_buffer.data() + usados;
    }
    if (m_buffer.size() - usados >= necesario)
        return true;
    if (!vaciar(razon))
        return false;
    if (m_buffer.size() < necesario) {
        m_buffer = QByteArray(necesario, Qt::Uninitialized);
        m_cursor = m_buffer.data();
    }
    return true;
}

// The line stands in the buffer at [inicio, fin); under a size limit it may have to go
// into the next part instead.
Escritura EscritorXML::terminarLinea(char *inicio, char *fin, QString *razon)
{
    const qint64 longitud = fin - inicio;
    Parte *parte = &m_partes.back();
    if (m_limite > 0 && parte->bytes + longitud + qint64(Cierre.size()) > m_limite) {
        if (bytesSinRegistros() + longitud > m_limite)
            return Escritura::NoCabe;
        const QByteArray linea(inicio, longitud);
        m_cursor = inicio;
        if (!cerrarParte(razon) || !abrirParte(razon))
            return Escritura::Fallo;
        if (!reservar(size_t(longitud), razon))
            return Escritura::Fallo;
        fin = copiar(m_cursor, std::string_view(linea.constData(), size_t(longitud)));
        parte = &m_partes.back();
    }
    m_cursor = fin;
    parte->bytes += longitud;
    ++parte->registros;
    return Escritura::Escrito;
}

// One record line: the DAT element with the children given, in their order.
template<typename... Elementos>
Escritura EscritorXML::escribirDAT(QString *razon, const Elementos &...elementos)
{
    char *inicio = reservar((elementos.valor.size() + ...), razon);
    if (!inicio)
        return Escritura::Fallo;
    char *p = copiar(inicio, AperturaDAT);
    ((p = elemento(p, elementos.apertura, elementos.cierre, elementos.valor)), ...);
    return terminarLinea(inicio, copiar(p, CierreDAT), razon);
}

Escritura EscritorXML::EscribirRegistroNIF(std::string_view NIF, std::string_view APE, std::string_view PRO,
                                           std::string_view MUN, QString *razon)
{
    if (!estaPresente(NIF))
        return Escritura::Omitido;
    return escribirDAT(razon, Elemento{"<NIF>", "</NIF>", NIF}, Elemento{"<APE>", "</APE>", APE},
                       Elemento{"<PRO>", "</PRO>", PRO}, Elemento{"<MUN>", "</MUN>", MUN});
}

Escritura EscritorXML::EscribirRegistroRC(std::string_view RC, std::string_view PRO, std::string_view MUN,
                                          QString *razon)
{
    if (!estaPresente(RC))
        return Escritura::Omitido;
    return escribirDAT(razon, Elemento{"<RC>", "</RC>", RC}, Elemento{"<PRO>", "</PRO>", PRO},
                       Elemento{"<MUN>", "</MUN>", MUN});
}

Escritura EscritorXML::EscribirRegistroPP(std::string_view PRO, std::string_view MUN, std::string_view POL,
                                          std::string_view PAR, QString *razon)
{
    if (!estaPresente(PRO) || !estaPresente(MUN) || !estaPresente(POL))
        return Escritura::Omitido;
    return escribirDAT(razon, Elemento{"<PRO>", "</PRO>", PRO}, Elemento{"<MUN>", "</MUN>", MUN},
                       Elemento{"<POL>", "</POL>", POL}, Elemento{"<PAR>", "</PAR>", PAR});
}

Escritura EscritorXML::escribirRegistro(const Campos &campos, QString *razon)
{
    switch (m_tipo) {
    case TipoConsulta::NIF:
        return EscribirRegistroNIF(campos.NIF.vista(), campos.APE.vista(), campos.PRO.vista(), campos.MUN.vista(),
                                   razon);
    case TipoConsulta::RC:
        return EscribirRegistroRC(campos.RC.vista(), campos.PRO.vista(), campos.MUN.vista(), razon);
    case TipoConsulta::PP:
        return EscribirRegistroPP(campos.PRO.vista(), campos.MUN.vista(), campos.POL.vista(), campos.PAR.vista(),
                                  razon);
    }
    return Escritura::Omitido;
}

bool EscritorXML::CerrarFicheroXML(QString *razon)
{
    if (m_partes.empty() || !cerrarParte(razon))
        return false;
    for (Parte &parte : m_partes)
        if (!parte.destino->preparar(razon))
            return false;
    return true;
}

void EscritorXML::descartar()
{
    for (Parte &parte : m_partes)
        if (parte.destino)
            parte.destino->descartar();
    m_partes.clear();
}

bool EscritorXML::vaciar(QString *razon)
{
    const qsizetype usados = m_cursor - m_buffer.constData();
    m_cursor = m_buffer.data();
    return usados == 0 || m_partes.back().destino->escribir(m_buffer.constData(), usados, razon);
}

} // namespace torxal
