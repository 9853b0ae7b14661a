#include "mensajes.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

bool instalarCatalogoQt(QCoreApplication &aplicacion)
{
    auto *traductor = new QTranslator(&aplicacion);
    if (!traductor->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traductor;
        return false;
    }
    return QCoreApplication::installTranslator(traductor);
}

} // namespace torxal
