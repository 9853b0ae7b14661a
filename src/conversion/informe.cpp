// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "informe.h"

#include <cerrno>

namespace torxal {

namespace {

constexpr qsizetype TamanoBuffer = 64 * 1024;

// One field, quoted when it holds what a CSV reader would take for structure.
void anadirCampo(QByteArray &fila, QByteArrayView valor)
{
    const bool citar = valor.contains(';') || valor.contains('"') || valor.contains('\r') || valor.contains('\n');
    if (!citar) {
        fila.append(valor);
        return;
    }
    fila.append('"');
    for (char c : valor) {
        if (c == '"')
            fila.append('"');
        fila.append(c);
    }
    fila.append('"');
}

} // namespace

QByteArray filaCsv(const QStringList &campos)
{
    QByteArray fila;
    for (qsizetype i = 0; i < campos.size(); ++i) {
        if (i > 0)
            fila.append(';');
        anadirCampo(fila, campos[i].toUtf8());
    }
    return fila + "\r\n";
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

bool Informe::fallarInforme(Fallo *fallo, int error) const
{
    return fallar(fallo, Texto::NoSeEscribeInforme, {m_ruta}, error);
}

bool Informe::abrir(Fallo *fallo, bool filas)
{
    int error = 0;
    if (!m_destino->abrir(&error))
        return fallarInforme(fallo, error);
    m_buffer = QByteArray("\xEF\xBB\xBF") + palabra(filas ? Palabra::CabeceraInformeFilas : Palabra::CabeceraInforme);
    return true;
}

void Informe::recibirAviso(const Aviso &aviso)
{
    if (m_error != 0)
        return;
    m_buffer.append(QByteArray::number(aviso.linea));
    m_buffer.append(';');
    m_buffer.append(describir(aviso.codigo).clave);
    m_buffer.append(';');
    anadirCampo(m_buffer, QByteArrayView(aviso.campo.data(), aviso.campo.size()));
    m_buffer.append(';');
    anadirCampo(m_buffer, QByteArrayView(aviso.valor.data(), qsizetype(aviso.valor.size())));
    m_buffer.append(';');
    anadirCampo(m_buffer, textoDeAviso(aviso).toUtf8());
    m_buffer.append("\r\n");
    if (m_buffer.size() >= TamanoBuffer)
        vaciar();
}

bool Informe::vaciar()
{
    if (!m_buffer.isEmpty() && m_error == 0 && !m_destino->escribir(m_buffer.constData(), m_buffer.size(), &m_error)
        && m_error == 0)
        m_error = EIO;
    m_buffer.clear();
    return m_error == 0;
}

bool Informe::preparar(Fallo *fallo)
{
    int error = 0;
    if (!vaciar())
        return fallarInforme(fallo, m_error);
    if (!m_destino->preparar(&error))
        return fallarInforme(fallo, error);
    return true;
}

bool Informe::colocar(bool reemplazar, Fallo *fallo)
{
    int error = 0;
    if (!m_destino->colocar(m_ruta, reemplazar, &error))
        return error == EEXIST && !reemplazar ? fallar(fallo, Texto::YaExiste, {m_ruta})
                                              : fallarInforme(fallo, error);
    m_destino->confirmar();
    return true;
}

void Informe::descartar()
{
    if (m_destino)
        m_destino->descartar();
}

} // namespace torxal
