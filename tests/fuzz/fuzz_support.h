#pragma once
// What the fuzz targets share: a Qt application for the code that needs one,
// a scratch folder, and a file holding the input.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace sonavistor::fuzz {

// Makes the Qt application once (QCoreApplication, no display).
void ensureApplication();
// A folder that lives as long as the process.
QString scratchFolder();
// Writes the input into scratchFolder()/name and returns its path.
QString writeInput(const QString& name, const uint8_t* data, size_t size);

inline QByteArray bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

}  // namespace sonavistor::fuzz
