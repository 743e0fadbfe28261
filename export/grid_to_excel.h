#pragma once
// TGridToExcel: writes a grid's dataset to a spreadsheet file: a title cell,
// the grid's column titles (split into lines at "|"), one sheet row per
// record, and the grid's footer texts when it shows footer rows.

#include "common/progress.h"
#include "export/export_source.h"

#include <QString>

#include <functional>

namespace sonavistor {

class MessageService;

struct ExportResult {
    bool written = false;       // the file is in place, whole
    int recordsWritten = 0;     // records put in the sheet (all of them only when written)
    bool rowLimitReached = false;  // the sheet's 65,536 rows were full
    bool declined = false;      // the user kept the existing file
    QString error;              // why nothing was written, if it was not
};

class TGridToExcel {
public:
    static constexpr int kLastSheetRow = 65535;

    explicit TGridToExcel(MessageService& messages);

    ExportGrid* DataGrid = nullptr;
    bool ShowProgress = true;
    QString TitleName;
    QString FileName;
    // Whether an existing file is replaced only after asking; off where the
    // caller asked already (or was told to replace it).
    bool AskBeforeReplace = true;

    // Shows progress while ShowProgress is on (the windows provide one).
    void setProgress(Progress* progress) { progress_ = progress; }
    // Busy cursor on and off around the export (the windows set the hourglass).
    void setBusyHook(std::function<void(bool)> busy) { busy_ = std::move(busy); }

    // Runs one export with the current properties. The file is replaced
    // whole or not at all. From the overwrite question on, failures end it
    // quietly; the result tells what was written.
    ExportResult ExportSheet();

private:
    void alignFields(ExportDataset& dataset);
    void writeWorksheet(class BiffWriter& out, ExportDataset& dataset, ExportResult& result);
    void writeTitles(BiffWriter& out);
    void writeCell(BiffWriter& out, const ExportField& field, const QVariant& value, int fieldCount);
    void advance(int fieldCount);

    MessageService& messages_;
    Progress* progress_ = nullptr;
    std::function<void(bool)> busy_;
    int column_ = 0;
    int row_ = 0;
};

}  // namespace sonavistor
