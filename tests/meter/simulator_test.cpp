#include "common/error.h"
#include "sim/demo_scenario.h"
#include "sim/memory_generator.h"
#include "sim/scenario.h"
#include "sim/simulated_meter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

TEST(Scenario, KeysAreOptionalAndBadOnesAreNamed)
{
    const MeterScenario defaults = parseScenario("{}", ".", "s.json");
    EXPECT_EQ(defaults.countMark, 0xEF);
    EXPECT_TRUE(defaults.endMarker);
    EXPECT_EQ(defaults.unplugAfterReports, -1);
    const auto error = [](const QByteArray& json) {
        try {
            parseScenario(json, ".", "s.json");
        } catch (const Error& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_TRUE(error("{\"countMark\": 300}").contains("\"countMark\""));
    EXPECT_TRUE(error("{\"live\": [[1]]}").contains("\"live\""));
    EXPECT_TRUE(error("{\"colour\": 1}").contains("\"colour\" is not a scenario key"));
    EXPECT_TRUE(error("{\"memory\": \"nothing.bin\"}").contains("\"memory\""));
    EXPECT_TRUE(error("[1, 2").contains("not JSON"));
    EXPECT_TRUE(error("{\"endMarker\": 1}").contains("\"endMarker\""));
}

TEST(Scenario, MemoryIsReadRelativeToTheScenario)
{
    QTemporaryDir dir;
    QFile memory(dir.filePath("day.bin"));
    memory.open(QIODevice::WriteOnly);
    memory.write(generateMemory({{QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), 3}}));
    memory.close();
    QFile json(dir.filePath("s.json"));
    json.open(QIODevice::WriteOnly);
    json.write("{\"memory\": \"day.bin\", \"live\": [[853, 64]], \"reportDelayMs\": 1}");
    json.close();
    const MeterScenario s = loadScenario(json.fileName());
    EXPECT_EQ(s.memory.size(), 3 * 128);
    EXPECT_EQ(s.live.front(), std::make_pair(853, 64));
    EXPECT_EQ(s.reportDelayMs, 1);

    // The demo plays such a file instead of its street when asked to.
    EXPECT_EQ(demoScenarioFor({"--scenario", json.fileName()}).memory, s.memory);
    EXPECT_EQ(demoScenarioFor({}).memory, demoScenario().memory);
    EXPECT_THROW(demoScenarioFor({"--scenario"}), Error);
    EXPECT_THROW(demoScenarioFor({"--scenario", dir.filePath("missing.json")}), Error);
}

TEST(SimulatedMeter, AnswersEveryCommandInTheMetersLayout)
{
    MeterScenario scenario;
    scenario.memory = generateMemory({{QDateTime::fromString("2024-05-17T23:58:00", Qt::ISODate), 2}});
    scenario.live = {{853, 64}};
    SimulatedMeter meter(scenario);
    const auto send = [&meter](QByteArray report) {
        report.append(65 - report.size(), '\0');
        return meter.handleOutputReport(reinterpret_cast<const quint8*>(report.constData()), 65);
    };
    auto live = send(QByteArray::fromHex("00b3"));
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0].data.left(3).toHex(), "035540");
    EXPECT_EQ(live[0].data.size(), 64);

    auto count = send(QByteArray::fromHex("00b5"));
    EXPECT_EQ(count[0].data.left(5).toHex(), "ef00000002");

    auto dates = send(QByteArray::fromHex("00b4"));
    ASSERT_EQ(dates.size(), 65u);  // one block and the end marker
    EXPECT_EQ(dates[0].data.left(6).toHex(), "240517240518");
    EXPECT_EQ(dates[64].data.left(2).toHex(), "ffff");

    auto records = send(QByteArray::fromHex("00c40000000200000009"));
    ASSERT_EQ(records.size(), 3u);  // record 2 (the last there is) and the end marker
    EXPECT_EQ(records[0].data.mid(2, 6).toHex(), "240518000000");

    auto clock = send(QByteArray::fromHex("007c053000010127"));
    EXPECT_EQ(clock.size(), 1u);
    EXPECT_EQ(meter.clock().toHex(), "053000010127");
    EXPECT_TRUE(send(QByteArray::fromHex("0042")).empty());
}

TEST(MemoryGenerator, RecordsCarryBcdStampsTwoMinutesApart)
{
    const QByteArray memory = generateMemory({{QDateTime::fromString("2024-05-17T09:05:03", Qt::ISODate), 2, 700, 0}});
    ASSERT_EQ(memory.size(), 256);
    EXPECT_EQ(memory.mid(2, 6).toHex(), "240517090503");
    EXPECT_EQ(memory.mid(128 + 2, 6).toHex(), "240517090703");
    EXPECT_EQ(static_cast<quint8>(memory[8]) + 256 * static_cast<quint8>(memory[9]), 700);
    GeneratedDay day;
    EXPECT_TRUE(parseGeneratedDay("2024-05-17T08:00:00/30@650", day));
    EXPECT_EQ(day.records, 30);
    EXPECT_EQ(day.baseLevel, 650);
    EXPECT_FALSE(parseGeneratedDay("yesterday", day));
}
