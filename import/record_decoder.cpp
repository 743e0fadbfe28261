#include "import/record_decoder.h"

#include <algorithm>
#include <vector>

namespace sonavistor {

namespace {

constexpr int kMaxRawLevel = 2000;  // 200.0 dB

bool isBcd(int byte)
{
    return (byte & 0x0F) <= 9 && ((byte >> 4) & 0x0F) <= 9;
}

int fromBcd(int byte)
{
    return ((byte >> 4) & 0x0F) * 10 + (byte & 0x0F);
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int month, int year)
{
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year))
        return 29;
    return (month >= 1 && month <= 12) ? lengths[month - 1] : 31;
}

void advanceTwoSeconds(MeterDateTime& t)
{
    t.second += 2;
    if (t.second >= 60) {
        t.second -= 60;
        ++t.minute;
    }
    if (t.minute >= 60) {
        t.minute -= 60;
        ++t.hour;
    }
    if (t.hour >= 24)
        AdvanceDay(t);
}

}  // namespace

RecordHeader DecodeRecordHeader(const int* record, int stampOffset)
{
    const int* bytes = record + stampOffset;
    // A byte that is not BCD reads as the field's neutral value.
    const auto field = [bytes](int offset, int fallback) {
        const int byte = bytes[offset] & 0xFF;
        return fromBcd(isBcd(byte) ? byte : fallback);
    };
    RecordHeader header;
    MeterDateTime& t = header.time;
    int year = field(0, 0x00);
    t.month = field(1, 0x01);
    t.day = field(2, 0x01);
    t.hour = field(3, 0x00);
    t.minute = field(4, 0x00);
    t.second = field(5, 0x00);

    if (t.second >= 60)
        t.second = 0;
    if (t.minute >= 60)
        t.minute = 0;
    if (t.hour >= 24)
        t.hour = 0;
    if (t.day == 0 || t.day > 31)
        t.day = 1;
    if (t.month == 0 || t.month > 12)
        t.month = 12;
    t.year = 2000 + year;
    header.good = t.year != 2000;
    return header;
}

void AdvanceDay(MeterDateTime& t)
{
    t.hour = 0;
    ++t.day;
    if (t.day > daysInMonth(t.month, t.year)) {
        t.day = 1;
        ++t.month;
    }
    if (t.month > 12) {
        t.month = 1;
        ++t.year;
    }
}

namespace {

// Decimal digits of a non-negative number, without leading zeros. A day of
// readings makes 86,400 of these texts, so they are built by hand.
char* putNumber(char* out, int value)
{
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

QString joined(int a, char separator, int b, char separator2 = 0, int c = 0)
{
    char buffer[40];
    char* end = putNumber(buffer, a);
    *end++ = separator;
    end = putNumber(end, b);
    if (separator2) {
        *end++ = separator2;
        end = putNumber(end, c);
    }
    return QString::fromLatin1(buffer, end - buffer);
}

}  // namespace

QString levelText(int raw)
{
    return joined(raw / 10, '.', raw % 10);
}

QString dateText(const MeterDateTime& t)
{
    return joined(t.year, '/', t.month, '/', t.day);
}

QString timeText(const MeterDateTime& t)
{
    return joined(t.hour, ':', t.minute, ':', t.second);
}

namespace {

// Levels repeat a lot: share one text per raw value (0 .. 200.0 dB).
const QString& cachedLevelText(int raw)
{
    static const std::vector<QString> texts = [] {
        std::vector<QString> all;
        all.reserve(kMaxRawLevel + 1);
        for (int r = 0; r <= kMaxRawLevel; ++r)
            all.push_back(levelText(r));
        return all;
    }();
    return texts[static_cast<size_t>(raw)];
}

}  // namespace

std::optional<DecodedRecord> DecodeRecord(const int* record, const RecordLayout& layout)
{
    const RecordHeader header = DecodeRecordHeader(record, layout.stampOffset);
    if (!header.good)
        return std::nullopt;
    DecodedRecord samples(static_cast<size_t>(std::max(0, layout.levels)));
    const int* levels = record + layout.firstLevelOffset;
    MeterDateTime t = header.time;
    QString date = dateText(t);
    int dateDay = t.day;
    for (int k = 0; k < layout.levels; ++k) {
        if (k >= 1) {
            advanceTwoSeconds(t);
            if (t.day != dateDay) {
                date = dateText(t);
                dateDay = t.day;
            }
        }
        int raw = (levels[2 * k] & 0xFF) + 256 * (levels[2 * k + 1] & 0xFF);
        if (raw > kMaxRawLevel)
            raw = kMaxRawLevel;
        DecodedSample& s = samples[static_cast<size_t>(k)];
        s.raw = raw;
        s.level = raw / 10.0;
        s.row.NDate = date;
        s.row.NTime = timeText(t);
        s.row.MeaValue = cachedLevelText(raw);
        s.row.Weight = QStringLiteral("A");
    }
    return samples;
}

}  // namespace sonavistor
