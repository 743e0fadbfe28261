#pragma once
// The demo's meter: a street by day as live readings (traffic, a passing
// lorry, a horn), with range, weighting, hold and FAST/SLOW changes, and a
// memory with several logged days.

#include "sim/scenario.h"

#include <QStringList>

namespace sonavistor {

MeterScenario demoScenario();

// What the demo plays for its command-line arguments (without the program
// name): the street above, or with "--scenario FILE.json" that scenario,
// such as a dump of a real meter's memory. Throws Error for arguments it
// does not know and for a scenario file it cannot use.
MeterScenario demoScenarioFor(const QStringList& arguments);

inline constexpr char kDemoUsage[] = "usage: sonavistor-demo [--scenario FILE.json]";

}  // namespace sonavistor
