#include "informe.h"

namespace torxal {

namespace {

constexpr qsizetype TamanoBuffer = 64 * 1024;

QString campoCsv(const QString &valor)
{
    if (!valor.contains(u';') && !valor.contains(u'"') && !valor.contains(u'\r') && !valor.contains(u'\n'))
        return valor;
    return u'"' + QString(valor).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

QByteArray filaCsv(const QStringList &campos)
{
    QStringList citados;
    for (const QString &campo : campos)
        citados.append(campoCsv(campo));
    return citados.join(u';').toUtf8() + "\r\n";
}

Informe::Informe(FabricaDestino fabrica, const QString &ruta)
    : m_ruta(ruta)
    , m_destino(fabrica(ruta))
{
}

Informe::~Informe()
{
    descartar();
}

bool Informe::abrir(QString *razon)
{
    if (!m_destino->abrir(razon))
        return false;
    m_buffer = "\xEF\xBB\xBF" + filaCsv({QStringLiteral("linea"), QStringLiteral("codigo"), QStringLiteral("campo"), QStringLiteral("valor"), QStringLiteral("aviso")});
    return true;
}

bool Informe::anadir(const Aviso &aviso, QString *razon)
{
    m_buffer += filaCsv({QString::number(aviso.linea), QString::fromLatin1(describir(aviso.codigo).clave), aviso.campo,
                         QString::fromUtf8(aviso.valor.data(), qsizetype(aviso.valor.size())), textoDeAviso(aviso)});
    return m_buffer.size() < TamanoBuffer || vaciar(razon);
}

bool Informe::vaciar(QString *razon)
{
    const bool escrito = m_buffer.isEmpty() || m_destino->escribir(m_buffer.constData(), m_buffer.size(), razon);
    m_buffer.clear();
    return escrito;
}

bool Informe::preparar(QString *razon)
{
    return vaciar(razon) && m_destino->preparar(razon);
}

bool Informe::colocar(QString *razon)
{
    return m_destino->colocar(m_ruta, true, razon);
}

void Informe::descartar()
{
    if (m_destino)
        m_destino->descartar();
}

} // namespace torxal
