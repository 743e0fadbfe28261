#pragma once
// A working database of its own in a temporary folder, with the staging file
// beside it: for work outside the program (the command-line tool), so that
// the program's database and staging file stay untouched.

#include "store/measurement_db.h"

#include <QTemporaryDir>

namespace sonavistor {

class ScratchDatabase {
public:
    // Makes the folder and an empty working database in it. Throws Error.
    ScratchDatabase();

    MeasurementDatabase& db() { return db_; }
    // Where the staging file goes.
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    MeasurementDatabase db_;
};

}  // namespace sonavistor
