// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

#include "estado.h"

#include <QDir>
#include <QSettings>

QString carpetaEstado()
{
#ifdef Q_OS_WIN
    QString base = qEnvironmentVariable("LOCALAPPDATA");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/AppData/Local");
#else
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative value is to be ignored, as for every XDG folder.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
#endif
    return base + QStringLiteral("/torxal");
}

QString rutaEstado() { return carpetaEstado() + QStringLiteral("/estado.ini"); }

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
