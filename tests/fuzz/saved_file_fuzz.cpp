// The saved-file reader against any bytes, and the promise that the reader
// and the staging load accept exactly the same files: a file that reads to
// its end loads into LoadData whole, one that does not loads nothing.
#include "analysis/saved_file.h"
#include "analysis/saved_file_load.h"
#include "common/error.h"
#include "store/scratch_database.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>
#include <memory>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    static std::unique_ptr<ScratchDatabase> scratch = std::make_unique<ScratchDatabase>();
    const QString path = fuzz::writeInput(QStringLiteral("input.qrv"), data, size);

    qint64 readings = -1;  // -1: the reader refused the file
    try {
        SavedFileReader reader(path);
        if (!reader.isSavedFile())
            return 0;
        SavedReading reading;
        qint64 n = 0;
        while (reader.next(reading))
            ++n;
        readings = n;
    } catch (const Error&) {
    }

    MeasurementDatabase& db = scratch->db();
    db.ClearTable(TableLoadData);
    try {
        const StagedSavedFile loaded = loadSavedFile(db, scratch->folder(), path);
        if (readings < 0 || loaded.readings != readings || db.rowCount(TableLoadData) != readings)
            std::abort();  // loaded what the reader refuses, or not all of it
    } catch (const Error&) {
        if (readings >= 0 || db.rowCount(TableLoadData) != 0)
            std::abort();  // refused what the reader accepts, or kept a part
    }
    return 0;
}
