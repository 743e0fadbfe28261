// The main window's working database: start-up opens it and empties its three tables;
// the menu refresh asks whether a table has rows.
#include "app/main_window.h"

#include "common/error.h"
#include "common/message_service.h"
#include "store/measurement_db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sonavistor {

namespace {
constexpr char kConnectAccessFailed[] = "Connect Access Failed!";
}

void MainWindow::openWorkingDatabase()
{
    // An installed program makes its user's working database on the first
    // start; a program in its own folder finds the one its build made.
    const QString folder = env_.workingDir();
    const QString path = QDir(folder).filePath(QString::fromLatin1(MeasurementDatabase::FileName));
    if (userFoldersReady_ && !QFileInfo::exists(path)) {
        try {
            MeasurementDatabase::createFromSchema(path);
        } catch (const Error& e) {
            QFile::remove(path);  // half made: the next start tries again
            messages().showException(e);
        }
    }
    // Without the database start-up goes on; every table operation is then a no-op.
    if (!database_->ConnectAccess(folder))
        messages().inform(QString::fromLatin1(kConnectAccessFailed));
    database_->ClearAllTables();
}

bool MainWindow::tableHasRows(TableId table) const
{
    return !database_->isEmpty(table);
}

}  // namespace sonavistor
