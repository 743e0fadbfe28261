#include "cli/durations.h"

#include <QRegularExpression>

#include <cmath>

namespace sonavistor::cli {

std::optional<double> parseDuration(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^(?:\\d+(?:\\.\\d+)?[hms])+$"));
    static const QRegularExpression part(QStringLiteral("(\\d+(?:\\.\\d+)?)([hms])"));
    if (!whole.match(text).hasMatch())
        return std::nullopt;
    double seconds = 0;
    for (auto it = part.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const double unit = m.captured(2) == QLatin1String("h") ? 3600 : m.captured(2) == QLatin1String("m") ? 60 : 1;
        seconds += m.captured(1).toDouble() * unit;
    }
    return seconds;
}

std::optional<qint64> parseInterval(const QString& text)
{
    for (const auto& [name, seconds] : {std::pair{"1m", 60}, {"5m", 300}, {"15m", 900}, {"1h", 3600}}) {
        if (text == QLatin1String(name))
            return seconds;
    }
    return std::nullopt;
}

QString durationText(double seconds)
{
    if (seconds >= 3600 && std::fmod(seconds, 3600) == 0)
        return QStringLiteral("%1 h").arg(seconds / 3600);
    if (seconds >= 60 && std::fmod(seconds, 60) == 0)
        return QStringLiteral("%1 min").arg(seconds / 60);
    return QStringLiteral("%1 s").arg(seconds);
}

bool takeOption(const QStringList& args, int& i, const QString& name, QString& value)
{
    const QString& arg = args[i];
    if (arg == name) {
        value = i + 1 < args.size() ? args[++i] : QString();
        return true;
    }
    if (arg.startsWith(name + QLatin1Char('='))) {
        value = arg.mid(name.size() + 1);
        return true;
    }
    return false;
}

}  // namespace sonavistor::cli
