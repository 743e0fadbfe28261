// TForm1's working database: start-up opens it and empties its three tables;
// the menu refresh asks whether a table has rows.
#include "app/main_window.h"

#include "common/message_service.h"
#include "store/measurement_db.h"

namespace sonavistor {

namespace {
constexpr char kConnectAccessFailed[] = "Connect Access Failed!";
}

void TForm1::openWorkingDatabase()
{
    // Without the database start-up goes on; every table operation is then a no-op.
    if (!database_->ConnectAccess(programFolder()))
        messages().inform(QString::fromLatin1(kConnectAccessFailed));
    database_->ClearAllTables();
}

bool TForm1::tableHasRows(TableId table) const
{
    return !database_->isEmpty(table);
}

}  // namespace sonavistor
