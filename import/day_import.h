#pragma once
// One import attempt's pieces, shared by the import window and the
// command-line tool: which records make a recording day, the read request
// for them, and the decoding of the transferred records into rows.

#include "meter/meter_memory.h"
#include "store/reading_row.h"

#include <array>
#include <optional>
#include <vector>

namespace sonavistor {

inline constexpr int kMaxImportRecords = 720;  // 43,200 rows at most
inline constexpr int kImportAttempts = 4;

struct DayRange {
    qint32 first = 0;  // 1-based record numbers
    qint32 last = 0;
};

// Entry `entry` (0-based) of the date index: from its first record to the
// record before the next entry's, or to recordCount for the last entry.
DayRange dayRange(const DateIndexData& index, int entry, qint32 recordCount);

// Records the attempt decodes: last - first + 1, at most 720.
int recordsToDecode(const DayRange& range);

// Puts the record read (0xC4, first and last as 32-bit big-endian) into command.
void fillReadRecords(std::array<quint8, 65>& command, const DayRange& range);

// Decodes `records` records from the start of the image into rows with RecNo
// from 0; nothing when a record's header is bad (the attempt has failed).
std::optional<std::vector<ReadingRow>> decodeTransfer(const MemoryImageData& image, int records);

// Finds a day by its listed date (2024/05/17) or by its 1-based line number;
// -1 when there is no such day.
int findDay(const DateIndexData& index, const QString& day);

}  // namespace sonavistor
