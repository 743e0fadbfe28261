#pragma once
// Opening a saved file into LoadData, as the data view does it and the
// command-line tool's export after it: every reading is staged under the next
// RecNo, then one bulk load appends them all. Nothing of a file that does not
// read to its end reaches the table.

#include "common/progress.h"

#include <QString>

#include <functional>

namespace sonavistor {

class MeasurementDatabase;

struct StagedSavedFile {
    bool isSavedFile = false;  // false: the first line is not the magic line; nothing staged
    qint64 announced = 0;      // the Total line's count
    qint64 readings = 0;
    qint32 lastRecNo = 0;      // the RecNo of the last reading (firstRecNo - 1 when none)
    double lowest = 1300.0;    // of this file's readings; 1300.0 and 0.0 when it has none
    double highest = 0.0;
};

// Writes the staging file in stagingFolder for the saved file at path, its
// readings numbered from firstRecNo. eachLevel (optional) sees every level in
// file order; progress (optional) gets the announced count as its maximum
// (0 for a count of 0 or below) and then each reading's 1-based number. The
// Total line is not checked against the readings: a file is read to its end.
// Throws Error quoting the text, the file and the line of a reading that does
// not parse, or the file system's message.
StagedSavedFile stageSavedFile(const QString& stagingFolder, const QString& path, qint32 firstRecNo,
                               const std::function<void(double)>& eachLevel = {}, Progress* progress = nullptr);

// Stages the file under the RecNo after LoadData's rows and bulk-loads it.
StagedSavedFile loadSavedFile(MeasurementDatabase& db, const QString& stagingFolder, const QString& path);

}  // namespace sonavistor
