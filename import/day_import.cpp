#include "import/day_import.h"

#include "import/record_decoder.h"
#include "meter/meter_connection.h"

#include <algorithm>

namespace sonavistor {

DayRange dayRange(const DateIndexData& index, int entry, qint32 recordCount)
{
    DayRange range;
    range.first = index.FirstRecord[static_cast<size_t>(entry)];
    range.last = entry == index.DateCount - 1 ? recordCount : index.FirstRecord[static_cast<size_t>(entry) + 1] - 1;
    return range;
}

int recordsToDecode(const DayRange& range)
{
    return std::clamp(range.last - range.first + 1, 0, kMaxImportRecords);
}

void fillReadRecords(std::array<quint8, 65>& command, const DayRange& range)
{
    command[0] = 0;
    command[1] = ReadRecords;
    for (int b = 0; b < 4; ++b) {
        command[static_cast<size_t>(2 + b)] = static_cast<quint8>(static_cast<quint32>(range.first) >> (24 - 8 * b));
        command[static_cast<size_t>(6 + b)] = static_cast<quint8>(static_cast<quint32>(range.last) >> (24 - 8 * b));
    }
}

std::optional<std::vector<ReadingRow>> decodeTransfer(const MemoryImageData& image, int records)
{
    std::vector<ReadingRow> rows;
    rows.reserve(static_cast<size_t>(records) * kSamplesPerRecord);
    for (int n = 0; n < records; ++n) {
        const auto record = DecodeRecord(image.m.data() + static_cast<size_t>(n) * kRecordSize);
        if (!record)
            return std::nullopt;
        for (const DecodedSample& sample : *record) {
            rows.push_back(sample.row);
            rows.back().RecNo = static_cast<qint32>(rows.size() - 1);
        }
    }
    return rows;
}

int findDay(const DateIndexData& index, const QString& day)
{
    bool isNumber = false;
    const int line = day.toInt(&isNumber);
    if (isNumber)
        return line >= 1 && line <= index.DateCount ? line - 1 : -1;
    for (int i = 0; i < index.DateCount; ++i) {
        if (dateIndexText(index.Dates[static_cast<size_t>(i)]) == day)
            return i;
    }
    return -1;
}

}  // namespace sonavistor
