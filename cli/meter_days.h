#pragma once
// Reading the record count and the date area, as the import window does.

#include "cli/meter_session.h"

namespace sonavistor::cli {

// Asks the count (with its 0xEF mark) and reads the date index. On failure
// prints why and returns the exit status; 0 when DateIndex is ready.
int readDays(MeterSession& session, Output io);

}  // namespace sonavistor::cli
