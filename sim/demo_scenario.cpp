#include "sim/demo_scenario.h"

#include "common/error.h"
#include "sim/memory_generator.h"

#include <cmath>

namespace sonavistor {

namespace {

constexpr int kFast = 0x40;
constexpr int kWeightingC = 0x10;
constexpr int kMaxHold = 0x20;

}  // namespace

MeterScenario demoScenario()
{
    MeterScenario s;
    s.reportDelayMs = 1;  // about the pace of a real meter
    // Ten minutes of a street, a reading a second.
    for (int t = 0; t < 600; ++t) {
        double level = 62 + 4 * std::sin(t * 0.11) + 2.5 * std::sin(t * 0.73 + 1.3) + 1.2 * std::sin(t * 2.9);
        const int inCycle = t % 90;
        if (inCycle >= 40 && inCycle < 52)  // a lorry passes
            level += 18 * std::sin((inCycle - 40) * 3.1415926 / 12);
        if (t % 150 == 77)  // a horn
            level = 96.4;
        int status = 1;  // range 30 .. 80
        if (level > 78)
            status = 0;  // range 30 .. 130 for the loud moments
        if ((t / 120) % 2 == 0)
            status |= kFast;
        if ((t / 200) % 3 == 2)
            status |= kWeightingC;
        if (t % 150 >= 77 && t % 150 < 85)
            status |= kMaxHold;
        s.live.emplace_back(static_cast<int>(std::lround(level * 10)), status);
    }
    s.memory = generateMemory({
        {QDateTime::fromString("2026-12-01T08:00:00", Qt::ISODate), 240, 640, 110},
        {QDateTime::fromString("2026-12-02T07:30:00", Qt::ISODate), 300, 610, 140},
        {QDateTime::fromString("2026-12-03T21:00:00", Qt::ISODate), 90, 520, 60},
        {QDateTime::fromString("2026-12-05T09:15:00", Qt::ISODate), 720, 700, 180},
    });
    return s;
}

MeterScenario demoScenarioFor(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return demoScenario();
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--scenario"))
        return loadScenario(arguments[1]);
    throw Error(QString::fromLatin1(kDemoUsage));
}

}  // namespace sonavistor
