#pragma once
// Rows that were not saved when the program was ended from outside (SIGTERM
// at logout, shutdown, kill) are kept as saved measurement files in the
// user's data folder; the next start says where they are.

#include <QString>
#include <QStringList>

namespace sonavistor {

class MeasurementDatabase;

struct UnsavedRows {
    bool live = false;      // MeaData holds readings not yet saved
    bool imported = false;  // GetRecorde holds an import not yet saved
};

// Writes a saved file for each kind of unsaved rows into folder/recovered and
// notes them for the next start. Returns the files written; a file that
// cannot be written is skipped (the program is ending: nobody to ask).
QStringList keepUnsavedRows(const MeasurementDatabase& db, const UnsavedRows& unsaved, const QString& folder);

// The note of files kept at an earlier ending, once: the note is gone after.
// Empty when there is none.
QString takeRecoveryNotice(const QString& folder);

}  // namespace sonavistor
