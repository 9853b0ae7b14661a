// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

// svgapng SCALE IN.svg OUT.png [SIZE]: draws IN at SCALE times its own size (or SIZE pixels
// square) on a transparent background, the way the window would draw it.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication aplicacion(argc, argv);
    const QStringList argumentos = aplicacion.arguments();
    if (argumentos.size() != 4 && argumentos.size() != 5) {
        std::fputs("uso: svgapng ESCALA ENTRADA.svg SALIDA.png [LADO]\n", stderr);
        return 2;
    }
    QSvgRenderer dibujo(argumentos[2]);
    if (!dibujo.isValid()) {
        std::fprintf(stderr, "svgapng: %s no es un SVG válido\n", qPrintable(argumentos[2]));
        return 1;
    }
    const double escala = argumentos[1].toDouble();
    const QSize tamano = argumentos.size() == 5 ? QSize(argumentos[4].toInt(), argumentos[4].toInt())
                                                : (QSizeF(dibujo.defaultSize()) * escala).toSize();
    QImage imagen(tamano, QImage::Format_ARGB32_Premultiplied);
    imagen.fill(Qt::transparent);
    QPainter pintor(&imagen);
    dibujo.render(&pintor, QRectF(QPointF(0, 0), QSizeF(tamano)));
    pintor.end();
    if (!imagen.save(argumentos[3], "PNG")) {
        std::fprintf(stderr, "svgapng: no se puede escribir %s\n", qPrintable(argumentos[3]));
        return 1;
    }
    return 0;
}
