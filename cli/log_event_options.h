#pragma once
// The log command's noise-event options, as `info --events` takes them:
// --threshold DB, --event-gap S, --event-min S, and --period-hours D,E,N
// for the day's figures. The events are found whatever is given; these set
// the rule.

#include "analysis/noise_figures.h"
#include "cli/cli_command.h"

#include <QStringList>

namespace sonavistor::cli {

inline constexpr char kLogEventUsage[] = "[--threshold DB] [--event-gap S] [--event-min S] [--period-hours D,E,N]";

// When args[i] is one of them: takes it and its value into `options`, sets
// `status` to kUsage on a bad value (said on io.err), and returns true.
bool takeLogEventOption(const QStringList& args, int& i, NoiseOptions& options, Output io, int& status);

}  // namespace sonavistor::cli
