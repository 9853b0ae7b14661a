// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#pragma once

#include <QIcon>
#include <QImage>

// The window's pictures, drawn from SVGs through Qt Svg where it is at hand, or taken from
// PNGs drawn from the same SVGs when the program was built (Windows has no Qt Svg here).

/// The icon named `nombre` ("generar", "torxal"...).
QIcon crearIcono(const char *nombre);

/// The banner at its own size, sharp at `escala` device pixels per pixel.
QImage crearBanner(qreal escala);
