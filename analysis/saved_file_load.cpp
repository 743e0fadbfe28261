#include "analysis/saved_file_load.h"

#include "analysis/saved_file.h"
#include "store/measurement_db.h"
#include "store/staging_file.h"

#include <algorithm>
#include <climits>

namespace sonavistor {

StagedSavedFile stageSavedFile(const QString& stagingFolder, const QString& path, qint32 firstRecNo,
                               const std::function<void(double)>& eachLevel, Progress* progress)
{
    StagedSavedFile staged;
    staged.lastRecNo = firstRecNo - 1;
    StagingFile staging(stagingFolder);
    staging.open();
    SavedFileReader reader(path);
    staged.isSavedFile = reader.isSavedFile();
    if (!staged.isSavedFile)
        return staged;
    staged.announced = reader.announced();
    if (progress)
        progress->setMaximum(static_cast<int>(std::clamp<qint64>(staged.announced, 0, INT_MAX)));
    SavedReading reading;
    while (reader.next(reading)) {
        ++staged.readings;
        staged.lowest = std::min(staged.lowest, reading.level);
        staged.highest = std::max(staged.highest, reading.level);
        staging.writeSavedLine(reading.line, ++staged.lastRecNo);
        if (eachLevel)
            eachLevel(reading.level);
        if (progress)
            progress->setPosition(static_cast<int>(std::min<qint64>(staged.readings, INT_MAX)));
    }
    staging.close();
    return staged;
}

StagedSavedFile loadSavedFile(MeasurementDatabase& db, const QString& stagingFolder, const QString& path)
{
    const auto firstRecNo = static_cast<qint32>(db.rowCount(TableLoadData) + 1);
    StagedSavedFile staged = stageSavedFile(stagingFolder, path, firstRecNo);
    if (staged.isSavedFile)
        db.PostLoadData(StagingFile::pathIn(stagingFolder));
    return staged;
}

}  // namespace sonavistor
