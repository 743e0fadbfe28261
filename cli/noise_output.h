#pragma once
// The noise figures of info --periods / --events: their options on the
// command line and their text and JSON output.

#include "cli/cli_command.h"

#include "analysis/noise_figures.h"

#include <QJsonObject>

namespace sonavistor::cli {

struct NoiseRequest {
    bool periods = false;
    bool events = false;
    NoiseOptions options;

    bool any() const { return periods || events; }
};

// Takes --periods, --period-hours, --events, --threshold, --event-gap and
// --event-min at args[i]. Returns false when args[i] is none of them; a bad
// value sets error to the message for the user, starting "COMMAND: ".
bool takeNoiseOption(const char* command, const QStringList& args, int& i, NoiseRequest& request, QString& error);

void printNoiseText(QTextStream& out, const QStringList& files, const NoiseFigures& figures, const NoiseRequest& request);
QJsonObject noiseJson(const QStringList& files, const NoiseFigures& figures, const NoiseRequest& request);

}  // namespace sonavistor::cli
