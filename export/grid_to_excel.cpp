#include "export/grid_to_excel.h"

#include "common/error.h"
#include "common/message_service.h"
#include "common/whole_file.h"
#include "export/biff_writer.h"

#include <algorithm>

namespace sonavistor {

namespace {

constexpr char kReplaceQuestionStart[] = "已存在文件（";
constexpr char kReplaceQuestionEnd[] = "），是否覆盖？";
constexpr char kReplaceCaption[] = "提示";
constexpr char kHiddenMark[] = "*****";

// Text cells hold 8-bit text.
QByteArray cellText(const QString& text)
{
    return text.toLatin1();
}

}  // namespace

TGridToExcel::TGridToExcel(MessageService& messages) : messages_(messages) {}

void TGridToExcel::alignFields(ExportDataset& dataset)
{
    std::vector<ExportField>& fields = dataset.fields();
    const std::vector<ExportColumn> columns = DataGrid->columns();
    for (size_t i = 0; i < columns.size() && i < fields.size(); ++i) {
        const auto match = std::find_if(fields.begin(), fields.end(), [&](const ExportField& f) {
            return f.name.compare(columns[i].fieldName, Qt::CaseInsensitive) == 0;
        });
        if (match == fields.end())
            continue;
        ExportField field = *match;
        field.displayLabel = columns[i].title;
        field.visible = columns[i].visible;
        fields.erase(match);
        fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(i), field);
    }
    for (ExportField& field : fields) {
        if (field.displayLabel.contains(QLatin1String(kHiddenMark)))
            field.visible = false;
    }
}

ExportResult TGridToExcel::ExportSheet()
{
    ExportResult result;
    ExportDataset* dataset = DataGrid ? DataGrid->dataset() : nullptr;
    if (!dataset || !dataset->isOpen() || dataset->isEmpty())
        return result;
    if (FileName.trimmed().isEmpty())
        return result;

    alignFields(*dataset);

    if (busy_)
        busy_(true);
    const bool showProgress = ShowProgress && progress_;
    try {
        bool go = true;
        if (AskBeforeReplace) {
            const QString question = QString::fromUtf8(kReplaceQuestionStart) + FileName +
                                     QString::fromUtf8(kReplaceQuestionEnd);
            go = mayReplaceFile(messages_, FileName, question, QString::fromUtf8(kReplaceCaption), No);
            result.declined = !go;
        }
        if (go) {
            if (showProgress) {
                progress_->setMaximum(dataset->recordCount());
                progress_->setPosition(0);
            }
            // The old file stays until the new one is whole.
            WholeFile file(FileName);
            BiffWriter out(file);
            writeWorksheet(out, *dataset, result);
            out.flush();
            file.commit();
            result.written = true;
        }
    } catch (const Error& e) {
        // Failures from the question on end the export without a message;
        // nothing of the new file is left.
        result.error = e.message();
        result.written = false;
    }
    if (showProgress)
        progress_->finish();
    if (busy_)
        busy_(false);
    return result;
}

void TGridToExcel::advance(int fieldCount)
{
    if (column_ == fieldCount - 1) {
        ++row_;
        column_ = 0;
    } else {
        ++column_;
    }
}

void TGridToExcel::writeTitles(BiffWriter& out)
{
    const std::vector<ExportColumn> columns = DataGrid->columns();
    int lines = 1;
    for (const ExportColumn& c : columns)
        lines = std::max(lines, 1 + static_cast<int>(c.title.count(QLatin1Char('|'))));
    std::vector<QStringList> visible;
    for (const ExportColumn& c : columns) {
        if (c.visible)
            visible.push_back(c.title.split(QLatin1Char('|')));
    }
    for (int line = 0; line < lines; ++line) {
        for (size_t k = 0; k < visible.size(); ++k) {
            const QStringList& parts = visible[k];
            const QString text = line < parts.size() ? parts[line] : QString();
            out.write(biff::label(row_, static_cast<int>(k), cellText(text)));
        }
        ++row_;
    }
    column_ = 0;
}

void TGridToExcel::writeCell(BiffWriter& out, const ExportField& field, const QVariant& value, int fieldCount)
{
    QByteArray& buffer = out.buffer();
    if (value.isNull() || !value.isValid() || !field.visible) {
        biff::appendBlank(buffer, row_, column_);
    } else {
        switch (field.kind) {
        case FieldKind::Integer: {
            bool ok = false;
            const qint64 v = value.toLongLong(&ok);
            if (!ok)
                throw Error(QStringLiteral("'%1' is not a valid integer value").arg(value.toString()));
            biff::appendRk(buffer, row_, column_, v);
            break;
        }
        case FieldKind::Float: {
            bool ok = false;
            const double v = value.toDouble(&ok);
            if (!ok)
                throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(value.toString()));
            biff::appendNumber(buffer, row_, column_, v);
            break;
        }
        case FieldKind::Blob:
            biff::appendLabel(buffer, row_, column_, QByteArrayView());
            break;
        case FieldKind::Text:
            if (value.typeId() == QMetaType::QString)  // no copy for the usual case
                biff::appendLabel(buffer, row_, column_, *static_cast<const QString*>(value.constData()));
            else
                biff::appendLabel(buffer, row_, column_, value.toString());
            break;
        }
    }
    out.appended();
    advance(fieldCount);
}

void TGridToExcel::writeWorksheet(BiffWriter& out, ExportDataset& dataset, ExportResult& result)
{
    column_ = 0;
    row_ = 0;
    out.write(biff::bof());
    out.write(biff::label(0, 3, cellText(TitleName)));
    column_ = 0;
    row_ = 1;
    try {
        writeTitles(out);
    } catch (const Error&) {
        // A failed title row ends the titles only; the data rows follow.
        column_ = 0;
    }

    const std::vector<ExportField>& fields = dataset.fields();
    const int fieldCount = static_cast<int>(fields.size());
    dataset.disableControls();
    const int mark = dataset.bookmark();
    try {
        dataset.first();
        while (!dataset.eof()) {
            if (row_ > kLastSheetRow) {
                // The sheet's row numbers are 16-bit: more rows would wrap and
                // overwrite the top of the sheet.
                result.rowLimitReached = true;
                break;
            }
            for (const ExportField& field : fields)
                writeCell(out, field, dataset.value(field.source), fieldCount);
            ++result.recordsWritten;
            if (ShowProgress && progress_)
                progress_->setPosition(dataset.recordNumber());
            dataset.next();
        }
    } catch (...) {
        if (dataset.bookmarkValid(mark))
            dataset.gotoBookmark(mark);
        dataset.enableControls();
        throw;
    }
    if (dataset.bookmarkValid(mark))
        dataset.gotoBookmark(mark);
    dataset.enableControls();

    const int footers = DataGrid->footerRowCount();
    if (footers > 0 && !result.rowLimitReached) {
        const std::vector<ExportColumn> columns = DataGrid->columns();
        int k = 0;
        for (const ExportColumn& c : columns) {
            if (!c.visible)
                continue;
            if (footers == 1) {
                out.write(biff::label(row_, k, cellText(c.footerTexts.value(0))));
            } else {
                for (int j = 0; j < c.footerTexts.size(); ++j)
                    out.write(biff::label(row_ + j, k, cellText(c.footerTexts[j])));
            }
            ++k;
        }
        column_ = 0;
    }
    out.write(biff::eof());
}

}  // namespace sonavistor
