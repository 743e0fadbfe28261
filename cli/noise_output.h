#pragma once
// The noise figures of info --periods / --events and of report: their options
// on the command line and their text and JSON output.

#include "cli/cli_command.h"

#include "analysis/noise_figures.h"

#include <QJsonObject>

namespace sonavistor::cli {

struct NoiseRequest {
    bool periods = false;
    bool events = false;
    NoiseOptions options;
    // The options given that belong to --periods, and to the events (--events,
    // or --periods whose days count them), as the user wrote them.
    QStringList periodOptions;
    QStringList eventOptions;

    bool any() const { return periods || events; }
};

// Takes --periods, --period-hours, --night-lmax, --min-coverage, --events,
// --threshold, --event-gap and --event-min at args[i]. Returns false when
// args[i] is none of them; a bad or missing value sets error to the message
// for the user, starting "COMMAND: ".
bool takeNoiseOption(const char* command, const QStringList& args, int& i, NoiseRequest& request, QString& error);

// For info, whose figures come only with --periods or --events: the message
// for an option given without the mode it belongs to ("info: --night-lmax
// needs --periods"), empty when there is none.
QString missingModeError(const char* command, const NoiseRequest& request);

// "5", "0.5", "86400": a number as the user would write it, never in
// exponent form, to at most three decimals.
QString plainNumber(double value);

void printNoiseText(QTextStream& out, const QStringList& files, const NoiseFigures& figures, const NoiseRequest& request);
QJsonObject noiseJson(const QStringList& files, const NoiseFigures& figures, const NoiseRequest& request);

}  // namespace sonavistor::cli
