#pragma once
// A meter's log record: a packed-BCD time stamp (year within the century,
// month, day, hour, minute, second) and levels two seconds apart (low byte
// first, in tenths of a dB). Where they lie is the meter model's record
// layout; by default the first meter's 128-byte record, stamp in bytes 2..7
// and 60 levels from byte 8.

#include "meter/meter_model.h"
#include "store/reading_row.h"

#include <QString>

#include <optional>
#include <vector>

namespace sonavistor {

inline constexpr int kRecordSize = 128;
inline constexpr int kSamplesPerRecord = 60;

struct MeterDateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const MeterDateTime&, const MeterDateTime&) = default;
};

struct RecordHeader {
    MeterDateTime time;
    bool good = false;  // a year of exactly 2000 marks an empty or unreadable record
};

struct DecodedSample {
    ReadingRow row;     // NDate, NTime, MeaValue (the level text), Weight "A"; RecNo 0
    double level = 0;   // dB
    int raw = 0;        // tenths of a dB, at most 2000
};

using DecodedRecord = std::vector<DecodedSample>;

// bytes: the record, one value 0..255 each; the stamp's six bytes from stampOffset.
RecordHeader DecodeRecordHeader(const int* bytes, int stampOffset = RecordLayout{}.stampOffset);

// Moves the time to 0 hours of the next calendar day.
void AdvanceDay(MeterDateTime& time);

// A whole record -> its rows (one per level) in sample order, or nothing when
// the header is bad.
std::optional<DecodedRecord> DecodeRecord(const int* record, const RecordLayout& layout = RecordLayout{});

// raw div 10, ".", raw mod 10: 653 -> "65.3", 700 -> "70.0".
QString levelText(int raw);
QString dateText(const MeterDateTime& time);  // 2024/5/7
QString timeText(const MeterDateTime& time);  // 9:5:3

}  // namespace sonavistor
