#pragma once
// The demo's meter: a street by day as live readings (traffic, a passing
// lorry, a horn), with range, weighting, hold and FAST/SLOW changes, and a
// memory with several logged days.

#include "sim/scenario.h"

namespace sonavistor {

MeterScenario demoScenario();

}  // namespace sonavistor
