#pragma once
// Where the program finds and keeps its side files (settings, report project,
// sounds, help, working database, staging file).
//
// A program in a folder of its own that it may write (the build tree, a
// portable copy) keeps them all there, beside the program file. An installed
// program reads its defaults (report project, sounds, help, default settings)
// from the installed data folder and keeps what it writes in the user's
// folders, which its first start makes and fills from the defaults.

#include <QString>

#include <optional>

namespace sonavistor {

// The folder of the running program file.
QString programFolder();

// folder/name; when no file of exactly that name exists, an existing file
// whose name differs only in letter case is taken (the side files were named
// without regard to case).
QString sideFilePath(const QString& folder, const QString& name);

struct ProgramFiles {
    QString defaultsFolder;   // read only: report project, sounds, help, default settings
    QString settingsFolder;   // the settings file, read at start-up and written at closing
    QString workingFolder;    // the working database and the staging file
    bool userFolders = false; // settings and working folders are the user's, made at first start
};

// The side folders of the program file named name ("sonavistor",
// "sonavistor-demo") in programFolder. It is installed when the installed
// data folder lies beside it (<prefix>/bin and <prefix>/share/sonavistor),
// or when its folder cannot be written; it then keeps its files in
// $XDG_CONFIG_HOME/name and $XDG_DATA_HOME/name.
ProgramFiles locateProgramFiles(const QString& programFolder, const QString& name);

// Makes the user's folders of an installed program and copies the default
// settings file into the settings folder when it has none yet. Returns what
// went wrong, for the user, when a folder cannot be made or written: the run
// goes on without its own settings and working database.
std::optional<QString> prepareUserFolders(const ProgramFiles& files);

}  // namespace sonavistor
