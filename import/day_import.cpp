#include "import/day_import.h"

#include "import/record_decoder.h"
#include "store/measurement_db.h"
#include "store/staging_file.h"

#include <algorithm>

namespace sonavistor {

int recordsToDecode(const DayRange& range)
{
    return std::clamp(range.last - range.first + 1, 0, kMaxImportRecords);
}

std::optional<std::vector<ReadingRow>> decodeTransfer(const std::vector<int>& bytes, int records,
                                                      const RecordLayout& layout)
{
    std::vector<ReadingRow> rows;
    rows.reserve(static_cast<size_t>(records) * static_cast<size_t>(std::max(0, layout.levels)));
    for (int n = 0; n < records; ++n) {
        const auto record = DecodeRecord(bytes.data() + static_cast<size_t>(n) * layout.bytes, layout);
        if (!record)
            return std::nullopt;
        for (const DecodedSample& sample : *record) {
            rows.push_back(sample.row);
            rows.back().RecNo = static_cast<qint32>(rows.size() - 1);
        }
    }
    return rows;
}

ImportAttempt runImportAttempt(MeterConnection& meter, const DayRange& range, Progress* progress, bool decode)
{
    ImportAttempt attempt;
    const MeterAnswer<RecordTransfer> transfer = meter.readRecords(range.first, range.last, progress);
    attempt.request = transfer.result;
    attempt.recordsReceived = transfer.value.records;
    if (attempt.request == RequestResult::NoAnswer) {
        // A transfer that fell silent is a short one: worth another attempt.
        attempt.outcome = ImportAttempt::Outcome::BadRecord;
        return attempt;
    }
    if (attempt.request != RequestResult::Answered) {
        attempt.outcome = ImportAttempt::Outcome::MeterFailed;
        return attempt;
    }
    // A meter that sent fewer records than asked fails the attempt like a
    // bad header, so the import's retries apply.
    const int wanted = recordsToDecode(range);
    const RecordLayout layout = meter.model().recordLayout();
    if (attempt.recordsReceived < wanted) {
        attempt.outcome = ImportAttempt::Outcome::BadRecord;
        return attempt;
    }
    if (!decode) {
        attempt.bytes.assign(transfer.value.bytes.begin(),
                             transfer.value.bytes.begin() + static_cast<qsizetype>(wanted) * layout.bytes);
        return attempt;
    }
    auto rows = decodeTransfer(transfer.value.bytes, wanted, layout);
    if (!rows) {
        attempt.outcome = ImportAttempt::Outcome::BadRecord;
        return attempt;
    }
    attempt.rows = std::move(*rows);
    return attempt;
}

void loadImportedRows(MeasurementDatabase& db, const QString& stagingFolder, const std::vector<ReadingRow>& rows)
{
    StagingFile staging(stagingFolder);
    staging.open();
    for (const ReadingRow& row : rows)
        staging.writeImportRow(row);
    staging.close();
    db.PostDateTimeRecnoWeight(staging.path());
}

int findDay(const MeterDays& days, const QString& day)
{
    bool isNumber = false;
    const int line = day.toInt(&isNumber);
    if (isNumber)
        return line >= 1 && line <= days.size() ? line - 1 : -1;
    for (int i = 0; i < days.size(); ++i) {
        if (days.text(i) == day)
            return i;
    }
    return -1;
}

}  // namespace sonavistor
