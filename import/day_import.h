#pragma once
// Importing one recording day, shared by the import window and the
// command-line tool: which records make the day, one attempt (the request,
// the page read, the decoding), and the rows' way into GetRecorde through the
// staging file. The attempts of one import: import_session.h.

#include "common/progress.h"
#include "meter/meter_connection.h"
#include "store/reading_row.h"

#include <optional>
#include <vector>

namespace sonavistor {

class MeasurementDatabase;

inline constexpr int kMaxImportRecords = 720;  // 43,200 rows at most
inline constexpr int kImportAttempts = 4;      // the first and three automatic retries

// Records the attempt decodes: last - first + 1, at most 720.
int recordsToDecode(const DayRange& range);

// Decodes `records` records from the start of bytes (which holds at least
// that many) into rows with RecNo from 0; nothing when a record's header is
// bad (the attempt has failed). The records are laid out as layout says.
std::optional<std::vector<ReadingRow>> decodeTransfer(const std::vector<int>& bytes, int records,
                                                      const RecordLayout& layout = RecordLayout{});

struct ImportAttempt {
    enum class Outcome {
        Imported,     // rows holds the day
        BadRecord,    // a record failed its header check or never came (request NoAnswer when the
                      // meter fell silent): worth another attempt
        MeterFailed,  // the request or the read failed (request says why)
    };
    Outcome outcome = Outcome::Imported;
    RequestResult request = RequestResult::Answered;
    int recordsReceived = 0;  // whole records the page read stored
    std::vector<ReadingRow> rows;  // decoded attempts
    std::vector<int> bytes;        // undecoded attempts: the records as they came
};

// One attempt: the record request for the range, the page read, and the decoding of the records this transfer brought (at
// most 720); fewer records than that is a BadRecord. Without decode the
// records are kept as bytes, unchecked.
ImportAttempt runImportAttempt(MeterConnection& meter, const DayRange& range, Progress* progress = nullptr,
                               bool decode = true);

// Writes the rows to the staging file in stagingFolder and appends them to
// GetRecorde with the one bulk statement. Throws Error.
void loadImportedRows(MeasurementDatabase& db, const QString& stagingFolder, const std::vector<ReadingRow>& rows);

// Finds a day by its listed date (2024/05/17) or by its 1-based line number;
// -1 when there is no such day.
int findDay(const MeterDays& days, const QString& day);

}  // namespace sonavistor
