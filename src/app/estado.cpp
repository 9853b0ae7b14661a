// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "estado.h"

#include <QDir>
#include <QSettings>

QString rutaEstado()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as for every XDG folder.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/torxal/estado.ini");
}

QString leerUltimaCarpeta()
{
    const QSettings estado(rutaEstado(), QSettings::IniFormat);
    const QString carpeta = estado.value(QStringLiteral("ultima-carpeta")).toString();
    return QDir(carpeta).exists() ? carpeta : QString();
}

void guardarUltimaCarpeta(const QString &carpeta)
{
    QSettings estado(rutaEstado(), QSettings::IniFormat);
    estado.setValue(QStringLiteral("ultima-carpeta"), carpeta);
}
