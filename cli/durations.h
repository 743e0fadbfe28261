#pragma once
// Times on the command line and in the tool's output.

#include <QString>
#include <QStringList>

#include <optional>

namespace sonavistor::cli {

// "8h", "90m", "3600s", "7h30m", "1.5h": seconds; nothing for anything else.
std::optional<double> parseDuration(const QString& text);
// The interval Leq's lengths: 1m, 5m, 15m or 1h (each divides an hour, so
// intervals start on the clock).
std::optional<qint64> parseInterval(const QString& text);

// "2 s", "1.5 s", "15 min", "1 h"
QString durationText(double seconds);

// Matches "NAME VALUE" (advancing i past the value; an empty value when it
// is missing) or "NAME=VALUE" at args[i].
bool takeOption(const QStringList& args, int& i, const QString& name, QString& value);

}  // namespace sonavistor::cli
