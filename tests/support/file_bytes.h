#pragma once
// A file's whole content in one call, for tests that leave a file to be
// replaced (or kept) and look at it afterwards.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace sonavistor::test {

// The file's bytes, or an empty array when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes bytes as the file's whole content; false when it cannot.
inline bool putFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace sonavistor::test
