#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Whole-file reads and writes for the tests; a file that cannot be read compares as a
// text no document can hold, so the comparison that follows fails visibly.
inline QByteArray leer(const QString &ruta)
{
    QFile fichero(ruta);
    return fichero.open(QIODevice::ReadOnly) ? fichero.readAll() : QByteArray("<no se puede leer>");
}

inline bool escribir(const QString &ruta, const QByteArray &bytes)
{
    QFile fichero(ruta);
    return fichero.open(QIODevice::WriteOnly) && fichero.write(bytes) == bytes.size();
}
