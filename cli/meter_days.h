#pragma once
// The day list, as the days and import commands read and report it.

#include "cli/meter_session.h"

namespace sonavistor::cli {

// Reads the count and the days into days. On failure prints why and returns
// the exit status; 0 when days is ready.
int readDays(MeterSession& session, Output io, MeterDays& days);

}  // namespace sonavistor::cli
