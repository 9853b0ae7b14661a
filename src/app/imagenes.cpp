// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "imagenes.h"

#include <QPainter>
#include <QString>

#ifndef TORXAL_IMAGENES_PNG
#include <QSvgRenderer>
#endif

namespace {

QString rutaImagen(const char *nombre)
{
#ifdef TORXAL_IMAGENES_PNG
    return QStringLiteral(":/imagenes/%1.png").arg(QLatin1String(nombre));
#else
    return QStringLiteral(":/imagenes/%1.svg").arg(QLatin1String(nombre));
#endif
}

} // namespace

QIcon crearIcono(const char *nombre)
{
    return QIcon(rutaImagen(nombre));
}

QImage crearBanner(qreal escala)
{
#ifdef TORXAL_IMAGENES_PNG
    // Drawn at twice its size: sharp up to 200 % and smoothed below.
    QImage banner(rutaImagen("banner"));
    banner.setDevicePixelRatio(2);
    Q_UNUSED(escala);
    return banner;
#else
    QSvgRenderer dibujo(rutaImagen("banner"));
    QImage banner((QSizeF(dibujo.defaultSize()) * escala).toSize(), QImage::Format_ARGB32_Premultiplied);
    banner.fill(Qt::transparent);
    QPainter pintor(&banner);
    dibujo.render(&pintor);
    pintor.end();
    banner.setDevicePixelRatio(escala);
    return banner;
#endif
}
