// A meter of another model, played by the simulator: the connection finds
// it by its ids and reads its count, its days and a day's records in its
// own report size and record layout.
#include "second_model.h"

#include "import/day_import.h"
#include "meter/meter_connection.h"
#include "sim/simulated_device.h"
#include "../../meter_test_support.h"

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

TEST(SecondModel, ImportsADayThroughTheSimulator)
{
    const SecondModel& model = secondModel();
    ASSERT_EQ(findMeterModel(SecondModel::kVendorId, SecondModel::kProductId), &model);

    MeterScenario scenario;
    scenario.countMark = SecondModel::kCountMark;
    const QDateTime first = QDateTime::fromString("2024-05-17T23:58:00", Qt::ISODate);
    scenario.memory += secondModelRecord(first, 650);
    scenario.memory += secondModelRecord(first.addSecs(90), 700);   // 23:59:30, runs into the next day
    scenario.memory += secondModelRecord(first.addSecs(3600), 712);  // 2024/5/18 00:58:00
    scenario.memory += secondModelRecord(first.addSecs(3690), 1999);

    MeterLink = {};
    FakeHidPlatform platform;
    auto meter = std::make_unique<MeterConnection>(&platform);
    plugSimulatedMeter(platform, scenario, nullptr, model);
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    EXPECT_STREQ(meter->model().name(), "second_model");

    const auto count = meter->readRecordCount();
    ASSERT_TRUE(count.answered());
    EXPECT_TRUE(count.value.marked);
    EXPECT_EQ(count.value.count, 4);

    const auto list = meter->readDayList();
    ASSERT_TRUE(list.answered());
    ASSERT_EQ(list.value.size(), 2);
    EXPECT_EQ(list.value.text(1), "2024/05/18");
    EXPECT_EQ(list.value.range(0).first, 1);
    EXPECT_EQ(list.value.range(0).last, 2);

    const ImportAttempt firstDay = runImportAttempt(*meter, list.value.range(0));
    ASSERT_EQ(firstDay.outcome, ImportAttempt::Outcome::Imported);
    ASSERT_EQ(firstDay.rows.size(), 2u * SecondModel::kLevels);
    EXPECT_EQ(firstDay.rows[0].NTime, "23:58:0");
    EXPECT_EQ(firstDay.rows[0].MeaValue, "65.0");
    // The second record's last level: 23:59:30 + 88 s, past midnight.
    EXPECT_EQ(firstDay.rows.back().NDate, "2024/5/18");
    EXPECT_EQ(firstDay.rows.back().NTime, "0:0:58");
    EXPECT_EQ(firstDay.rows.back().MeaValue, "70.0");

    const ImportAttempt secondDay = runImportAttempt(*meter, list.value.range(1));
    ASSERT_EQ(secondDay.outcome, ImportAttempt::Outcome::Imported);
    ASSERT_EQ(secondDay.rows.size(), 2u * SecondModel::kLevels);
    EXPECT_EQ(secondDay.rows.back().MeaValue, "199.9");
    meter.reset();
}
