#include "export/export_command.h"

#include "common/child_window.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "store/measurement_db.h"

#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>

#include <memory>
#include <optional>

namespace sonavistor {

namespace {

constexpr char kFilter[] = "*.XLS|*.XLS|*.xls|*.xls";
constexpr char kExtension[] = "XLS";
constexpr char kReplaceQuestion[] = "  already exists!\rDo you want to replace it?";
constexpr char kQueryCaption[] = "Query  Information";
constexpr char kCaption[] = "Export Data";

// The dataset of the window's grid: the import window shows its ordered query.
std::unique_ptr<ReadingRowsDataset> gridDataset(const ChildWindow* active, const MeasurementDatabase& db)
{
    const std::optional<TableId> table = active ? active->dataTable() : std::nullopt;
    if (!table)
        return nullptr;
    if (active->gridIsWholeQuery())
        return std::make_unique<ReadingRowsDataset>(db.importQuery(), db.columns(*table));
    return std::make_unique<ReadingRowsDataset>(db, *table);
}

// "Exported" only when every record reached the file; otherwise what happened.
std::optional<MessageRequest> outcomeMessage(const ExportResult& r, int n, bool open, const QString& path)
{
    const auto failure = [](const QString& text) {
        return MessageRequest{text, QString::fromLatin1(kCaption), MessageIcon::Error, Ok, Ok};
    };
    if (r.declined)
        return std::nullopt;
    if (!open)
        return failure(QStringLiteral("Nothing was exported: the working database is not open."));
    if (n == 0)
        return failure(QStringLiteral("Nothing was exported: the window shows no records."));
    if (r.rowLimitReached)
        return failure(QStringLiteral("Only %1 of %2 records were exported to %3:\ra worksheet holds at most 65,536 rows.")
                           .arg(r.recordsWritten).arg(n).arg(path));
    if (!r.error.isEmpty())
        return failure(QStringLiteral("Nothing was exported to %1:\r%2").arg(path, r.error));
    if (!r.written || r.recordsWritten != n)
        return failure(QStringLiteral("Nothing was exported to %1.").arg(path));
    return MessageRequest{QStringLiteral("Exported  %1  records total. \r").arg(n) + path, QString::fromLatin1(kCaption),
                          MessageIcon::Information, Ok, Ok};
}

}  // namespace

void exportActiveWindow(QWidget* parent, const ChildWindow* active, const MeasurementDatabase& database,
                        MessageService& messages, FileDialogService& dialogs)
{
    const QString path = dialogs.getSaveFileName(parent, QString::fromLatin1(kFilter), QString::fromLatin1(kExtension));
    if (path.isEmpty())
        return;
    if (!mayReplaceFile(messages, path, path + QString::fromLatin1(kReplaceQuestion), QString::fromLatin1(kQueryCaption)))
        return;
    const std::unique_ptr<ReadingRowsDataset> dataset = gridDataset(active, database);
    if (!dataset)
        return;  // not a window with rows: nothing chosen, nothing said
    ReadingRowsGrid grid(*dataset);
    TGridToExcel exporter(messages);
    exporter.DataGrid = &grid;
    const int n = dataset->recordCount();
    exporter.ShowProgress = false;
    exporter.FileName = path;
    exporter.AskBeforeReplace = false;  // asked above
    exporter.setBusyHook([](bool busy) {
        if (busy)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    });
    const ExportResult result = exporter.ExportSheet();
    if (const auto message = outcomeMessage(result, n, dataset->isOpen(), path))
        messages.show(*message);
}

}  // namespace sonavistor
