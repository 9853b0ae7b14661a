#include "mensajes.h"

namespace torxal {

int Mensajes::MsgBox(const QString &texto, int estilo, const QString &detalle)
{
    m_texto = texto;
    m_estilo = estilo;
    m_titulo = TituloMensajes;
    m_detalle = detalle;
    m_boton = m_mensajero->mostrar(Mensaje{m_texto, m_estilo, m_titulo, m_detalle});
    return m_boton;
}

} // namespace torxal
