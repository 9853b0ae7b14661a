#include "escritorxml.h"

#include "limpieza.h"
#include "mensajes.h"

#include <QSaveFile>

#include <cstring>

namespace torxal {

namespace {

// Room kept free in the buffer for one record line: four fields of up to 62 characters,
// each at most five bytes once encoded or escaped, plus the tags.
constexpr qsizetype TamanoBuffer = 256 * 1024;
constexpr qsizetype HolguraFija = 256;
constexpr qsizetype BytesPorCaracter = 5;

constexpr std::string_view Declaracion = "<?xml version='1.0' encoding='UTF-8'?>";
constexpr std::string_view EspacioXsi = "http://www.w3.org/2001/XMLSchema-instance";
constexpr std::string_view Cierre = "</LISTADATOS>";

// The document is UTF-8, as its declaration says: "í" is written as its two bytes.
std::string_view lineaFIN(TipoConsulta tipo)
{
    switch (tipo) {
    case TipoConsulta::NIF:
        return "<FIN>Consulta por NIF</FIN>";
    case TipoConsulta::RC:
        return "<FIN>Consulta por Referencia Catastral</FIN>";
    case TipoConsulta::PP:
        return "<FIN>Consulta por Pol\xC3\xADgono y Parcela</FIN>";
    }
    return {};
}

inline char *copiar(char *p, std::string_view texto)
{
    std::memcpy(p, texto.data(), texto.size());
    return p + texto.size();
}

} // namespace

// Values are escaped so the document is always well-formed: & < > as entities (quotes
// need nothing outside attributes) and characters XML 1.0 forbids left out.
char *codificarValor(char *p, std::u32string_view valor)
{
    for (char32_t c : valor) {
        if (c < 0x80) {
            switch (c) {
            case U'&':
                p = copiar(p, "&amp;");
                break;
            case U'<':
                p = copiar(p, "&lt;");
                break;
            case U'>':
                p = copiar(p, "&gt;");
                break;
            default:
                if (c >= 0x20 || c == 0x09 || c == 0x0A || c == 0x0D)
                    *p++ = char(c);
                break;
            }
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            if ((c >= 0xD800 && c < 0xE000) || c == 0xFFFE || c == 0xFFFF)
                continue;
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c <= 0x10FFFF) {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    return p;
}

namespace {

class DestinoFichero final : public Destino {
public:
    explicit DestinoFichero(const QString &ruta) : m_fichero(ruta) {}

    // Our own buffer already gathers large blocks; a second one would only copy them again.
    bool abrir() override { return m_fichero.open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    bool escribir(const char *datos, qsizetype longitud) override
    {
        return m_fichero.write(datos, longitud) == longitud;
    }
    bool confirmar() override { return m_fichero.commit(); }
    void descartar() override
    {
        if (m_fichero.isOpen()) {
            // After cancelWriting, commit only removes the temporary file.
            m_fichero.cancelWriting();
            m_fichero.commit();
        }
    }
    QString razon() const override { return m_fichero.errorString(); }

private:
    QSaveFile m_fichero;
};

} // namespace

std::unique_ptr<Destino> crearDestinoFichero(const QString &ruta)
{
    return std::make_unique<DestinoFichero>(ruta);
}

QString espacioDeNombres()
{
    return QStringLiteral(TORXAL_NAMESPACE_URI);
}

EscritorXML::EscritorXML(Mensajes &mensajes, FabricaDestino fabrica)
    : m_mensajes(mensajes)
    , m_fabrica(std::move(fabrica))
{
}

EscritorXML::~EscritorXML()
{
    descartar();
}

void EscritorXML::CrearCabeceraXML(const QString &directorio, const QString &nombre, TipoConsulta tipo, int &estado)
{
    estado = 0;
    m_fallo = false;
    m_razon.clear();
    m_buffer = QByteArray(TamanoBuffer, Qt::Uninitialized);
    m_cursor = m_buffer.data();

    m_destino = m_fabrica(directorio + nombre);
    if (!m_destino->abrir()) {
        m_fallo = true;
        m_razon = m_destino->razon();
    } else {
        const QByteArray raiz = "<LISTADATOS xmlns='" + espacioDeNombres().toUtf8() + "' xmlns:xsi='"
            + QByteArray(EspacioXsi.data(), EspacioXsi.size()) + "'>";
        const QDate fecha = m_fecha.isValid() ? m_fecha : QDate::currentDate();
        const QByteArray lineaFEC = "<FEC>" + fecha.toString(u"dd/MM/yyyy").toLatin1() + "</FEC>";
        escribirLinea(Declaracion);
        escribirLinea(std::string_view(raiz.constData(), raiz.size()));
        escribirLinea(std::string_view(lineaFEC.constData(), lineaFEC.size()));
        escribirLinea(lineaFIN(tipo));
        // The header goes out at once, so a file that cannot take it is known here.
        vaciar();
    }
    if (m_fallo) {
        descartar();
        estado = 99;
        m_mensajes.MsgBox(QStringLiteral("El fichero ") + directorio + nombre
                              + QStringLiteral(" ya existe, no se continúa con el proceso."),
                          EstiloInformacion, m_razon);
    }
}

// The general path hands over decoded fields: once in their document form they take
// the same road as the byte-wise path's, so both write the very same lines.
std::string_view EscritorXML::codificar(int campo, std::u32string_view valor)
{
    std::string &destino = m_codificados[campo];
    destino.resize(valor.size() * BytesPorCaracter);
    destino.resize(size_t(codificarValor(destino.data(), valor) - destino.data()));
    return destino;
}

bool EscritorXML::EscribirRegistroNIF(std::u32string_view NIF, std::u32string_view APE, std::u32string_view PRO,
                                      std::u32string_view MUN)
{
    return EscribirRegistroNIF(codificar(0, NIF), codificar(1, APE), codificar(2, PRO), codificar(3, MUN));
}

bool EscritorXML::EscribirRegistroRC(std::u32string_view RC, std::u32string_view PRO, std::u32string_view MUN)
{
    return EscribirRegistroRC(codificar(0, RC), codificar(1, PRO), codificar(2, MUN));
}

bool EscritorXML::EscribirRegistroPP(std::u32string_view PRO, std::u32string_view MUN, std::u32string_view POL,
                                     std::u32string_view PAR)
{
    return EscribirRegistroPP(codificar(0, PRO), codificar(1, MUN), codificar(2, POL), codificar(3, PAR));
}

namespace {

// One child element of a record whose value is already in its document form; an
// absent value writes nothing. The tags are whole constants and the cursor a local,
// so the compiler keeps it in a register instead of storing it after every byte.
template<size_t A, size_t C>
inline char *elementoCodificado(char *p, const char (&apertura)[A], const char (&cierre)[C], std::string_view valor)
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

constexpr char AperturaDAT[] = "<DAT>";
constexpr char CierreDAT[] = "</DAT>\r\n";

} // namespace

bool EscritorXML::EscribirRegistroNIF(std::string_view NIF, std::string_view APE, std::string_view PRO,
                                      std::string_view MUN)
{
    if (!estaPresente(NIF))
        return false;
    reservarBytes(NIF.size() + APE.size() + PRO.size() + MUN.size());
    char *p = copiar(m_cursor, AperturaDAT);
    p = elementoCodificado(p, "<NIF>", "</NIF>", NIF);
    p = elementoCodificado(p, "<APE>", "</APE>", APE);
    p = elementoCodificado(p, "<PRO>", "</PRO>", PRO);
    p = elementoCodificado(p, "<MUN>", "</MUN>", MUN);
    m_cursor = copiar(p, CierreDAT);
    return true;
}

bool EscritorXML::EscribirRegistroRC(std::string_view RC, std::string_view PRO, std::string_view MUN)
{
    if (!estaPresente(RC))
        return false;
    reservarBytes(RC.size() + PRO.size() + MUN.size());
    char *p = copiar(m_cursor, AperturaDAT);
    p = elementoCodificado(p, "<RC>", "</RC>", RC);
    p = elementoCodificado(p, "<PRO>", "</PRO>", PRO);
    p = elementoCodificado(p, "<MUN>", "</MUN>", MUN);
    m_cursor = copiar(p, CierreDAT);
    return true;
}

bool EscritorXML::EscribirRegistroPP(std::string_view PRO, std::string_view MUN, std::string_view POL,
                                     std::string_view PAR)
{
    if (!estaPresente(PRO) || !estaPresente(MUN) || !estaPresente(POL))
        return false;
    reservarBytes(PRO.size() + MUN.size() + POL.size() + PAR.size());
    char *p = copiar(m_cursor, AperturaDAT);
    p = elementoCodificado(p, "<PRO>", "</PRO>", PRO);
    p = elementoCodificado(p, "<MUN>", "</MUN>", MUN);
    p = elementoCodificado(p, "<POL>", "</POL>", POL);
    p = elementoCodificado(p, "<PAR>", "</PAR>", PAR);
    m_cursor = copiar(p, CierreDAT);
    return true;
}

bool EscritorXML::CerrarFicheroXML()
{
    if (!m_destino)
        return false;
    escribirLinea(Cierre);
    if (vaciar() && !m_destino->confirmar()) {
        m_fallo = true;
        m_razon = m_destino->razon();
    }
    if (m_fallo) {
        descartar();
        return false;
    }
    m_destino.reset();
    return true;
}

void EscritorXML::descartar()
{
    if (m_destino) {
        m_destino->descartar();
        m_destino.reset();
    }
}

void EscritorXML::reservarBytes(size_t bytes)
{
    const qsizetype necesario = HolguraFija + qsizetype(bytes);
    if (m_buffer.constData() + m_buffer.size() - m_cursor >= necesario)
        return;
    vaciar();
    if (m_buffer.size() < necesario) {
        m_buffer = QByteArray(necesario, Qt::Uninitialized);
        m_cursor = m_buffer.data();
    }
}

void EscritorXML::escribirLinea(std::string_view linea)
{
    reservarBytes(linea.size());
    m_cursor = copiar(m_cursor, linea);
    m_cursor = copiar(m_cursor, "\r\n");
}

bool EscritorXML::vaciar()
{
    const qsizetype usados = m_cursor - m_buffer.constData();
    m_cursor = m_buffer.data();
    if (m_fallo || !m_destino)
        return false;
    if (usados > 0 && !m_destino->escribir(m_buffer.constData(), usados)) {
        m_fallo = true;
        m_razon = m_destino->razon();
        return false;
    }
    return true;
}

} // namespace torxal
