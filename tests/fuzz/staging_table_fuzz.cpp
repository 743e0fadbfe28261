// The staging file's table function (through SQLite) against any bytes: the
// load either appends every line or nothing.
#include "common/error.h"
#include "store/scratch_database.h"
#include "store/staging_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>

#include <cstdlib>
#include <memory>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    static std::unique_ptr<ScratchDatabase> scratch = std::make_unique<ScratchDatabase>();
    MeasurementDatabase& db = scratch->db();
    const QString path = StagingFile::pathIn(scratch->folder());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    file.close();
    for (TableId table : {TableGetRecorde, TableLoadData}) {
        db.ClearTable(table);
        db.appendRow(table, {QStringLiteral("2024/5/17"), QStringLiteral("9:5:3"), QStringLiteral("65.3"),
                             QStringLiteral("A"), -1});
        try {
            table == TableGetRecorde ? db.PostDateTimeRecnoWeight(path) : db.PostLoadData(path);
        } catch (const Error&) {
            if (db.rowCount(table) != 1)
                std::abort();  // a failed load left part of the file behind
        }
    }
    return 0;
}
