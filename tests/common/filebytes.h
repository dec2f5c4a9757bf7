#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of a file, or empty when it cannot be read.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
