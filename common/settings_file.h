#pragma once
// Single values in further sections of the settings file, for the choices a
// window keeps between runs (the noise history's folder). Each value is read
// or written on its own; everything else in the file stays as it stands, and
// the meter's options written at closing keep these sections in turn.

#include <QString>

namespace sonavistor {

// Empty when the file, the section or the key is missing.
QString readSettingsValue(const QString& iniPath, const char* section, const char* key);

// Throws Error (Cannot write file "PATH". REASON) when the file cannot be
// written; the old file then stays whole. A value with a line break is not
// kept (the file holds one value a line).
void writeSettingsValue(const QString& iniPath, const char* section, const char* key, const QString& value);

}  // namespace sonavistor
