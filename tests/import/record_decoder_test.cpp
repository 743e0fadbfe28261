#include "import/record_decoder.h"

#include <gtest/gtest.h>

#include <array>

using namespace sonavistor;

namespace {

// A record with the given time stamp bytes (year, month, day, hour, minute,
// second) and every sample at raw level 700.
std::array<int, kRecordSize> record(std::array<int, 6> stamp, int raw = 700)
{
    std::array<int, kRecordSize> r{};
    for (int i = 0; i < 6; ++i)
        r[static_cast<size_t>(2 + i)] = stamp[static_cast<size_t>(i)];
    for (int k = 0; k < kSamplesPerRecord; ++k) {
        r[static_cast<size_t>(8 + 2 * k)] = raw & 0xFF;
        r[static_cast<size_t>(9 + 2 * k)] = raw >> 8;
    }
    return r;
}

MeterDateTime header(std::array<int, 6> stamp)
{
    const auto r = record(stamp);
    return DecodeRecordHeader(r.data()).time;
}

}  // namespace

TEST(RecordDecoding, SamplesAreTwoSecondsApartAndRollOverMidnight)
{
    const auto r = record({0x24, 0x05, 0x17, 0x23, 0x59, 0x58});
    const auto rows = DecodeRecord(r.data());
    ASSERT_TRUE(rows);
    EXPECT_EQ((*rows)[0].row.NDate, "2024/5/17");
    EXPECT_EQ((*rows)[0].row.NTime, "23:59:58");
    EXPECT_EQ((*rows)[1].row.NDate, "2024/5/18");
    EXPECT_EQ((*rows)[1].row.NTime, "0:0:0");
    EXPECT_EQ((*rows)[2].row.NTime, "0:0:2");
    EXPECT_EQ((*rows)[59].row.NTime, "0:1:56");  // 118 seconds after the header
    EXPECT_EQ((*rows)[0].row.Weight, "A");
}

TEST(RecordDecoding, DaysRollOverByTheCalendar)
{
    const auto next = [](std::array<int, 6> stamp) {
        const auto r = record(stamp);
        return (*DecodeRecord(r.data()))[1].row;
    };
    EXPECT_EQ(next({0x23, 0x02, 0x28, 0x23, 0x59, 0x58}).NDate, "2023/3/1");
    EXPECT_EQ(next({0x24, 0x02, 0x28, 0x23, 0x59, 0x58}).NDate, "2024/2/29");
    const ReadingRow newYear = next({0x24, 0x12, 0x31, 0x23, 0x59, 0x58});
    EXPECT_EQ(newYear.NDate, "2025/1/1");
    EXPECT_EQ(newYear.NTime, "0:0:0");
    // Century rule: 2100 is no leap year (year byte 0x00 is bad, so go via AdvanceDay).
    MeterDateTime t{2100, 2, 28, 23, 0, 0};
    AdvanceDay(t);
    EXPECT_EQ(t, (MeterDateTime{2100, 3, 1, 0, 0, 0}));
    MeterDateTime t2{2000, 2, 28, 5, 6, 7};
    AdvanceDay(t2);
    EXPECT_EQ(t2, (MeterDateTime{2000, 2, 29, 0, 6, 7}));
}

TEST(RecordDecoding, HeaderFieldsOutOfRangeOrNotBcdAreCorrected)
{
    EXPECT_EQ(header({0x24, 0x00, 0x17, 0, 0, 0}).month, 12);
    EXPECT_EQ(header({0x24, 0x13, 0x17, 0, 0, 0}).month, 12);
    EXPECT_EQ(header({0x24, 0x1A, 0x17, 0, 0, 0}).month, 1);  // not BCD: 0x01
    EXPECT_EQ(header({0x24, 0x05, 0x00, 0, 0, 0}).day, 1);
    EXPECT_EQ(header({0x24, 0x05, 0x32, 0, 0, 0}).day, 1);
    EXPECT_EQ(header({0x24, 0x05, 0x3F, 0, 0, 0}).day, 1);
    const MeterDateTime t = header({0x24, 0x04, 0x31, 0x24, 0x60, 0x9A});
    EXPECT_EQ(t.day, 31);  // April 31st is not corrected
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
}

TEST(RecordDecoding, YearTwoThousandMakesTheRecordBad)
{
    const auto zero = std::array<int, kRecordSize>{};
    EXPECT_FALSE(DecodeRecordHeader(zero.data()).good);
    EXPECT_FALSE(DecodeRecord(zero.data()));
    const auto notBcd = record({0xFF, 0x05, 0x17, 0, 0, 0});
    EXPECT_FALSE(DecodeRecord(notBcd.data()));
    const auto good = record({0x01, 0x05, 0x17, 0, 0, 0});
    EXPECT_TRUE(DecodeRecord(good.data()));
}

TEST(RecordDecoding, LevelsAreLowByteFirstAndLimitedTo200dB)
{
    auto r = record({0x24, 0x05, 0x17, 9, 5, 3});
    r[8] = 0x8D;
    r[9] = 0x02;   // 653
    r[10] = 0xFF;
    r[11] = 0xFF;  // above 2000
    r[12] = 0;
    r[13] = 0;
    const auto rows = DecodeRecord(r.data());
    ASSERT_TRUE(rows);
    EXPECT_EQ((*rows)[0].raw, 653);
    EXPECT_DOUBLE_EQ((*rows)[0].level, 65.3);
    EXPECT_EQ((*rows)[0].row.MeaValue, "65.3");
    EXPECT_EQ((*rows)[0].row.NTime, "9:5:3");
    EXPECT_EQ((*rows)[1].row.MeaValue, "200.0");
    EXPECT_EQ((*rows)[2].row.MeaValue, "0.0");
    EXPECT_EQ((*rows)[3].row.MeaValue, "70.0");
}
