#pragma once
// Side files (settings, report project, sounds, help, database, staging file)
// are found in the folder of the program file.

#include <QString>

namespace sonavistor {

// The folder of the running program file.
QString programFolder();

// folder/name; when no file of exactly that name exists, an existing file
// whose name differs only in letter case is taken (the side files were named
// without regard to case).
QString sideFilePath(const QString& folder, const QString& name);

}  // namespace sonavistor
