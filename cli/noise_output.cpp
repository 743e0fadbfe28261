#include "cli/noise_output.h"

#include "cli/durations.h"

#include "common/number_text.h"

#include <QJsonArray>

#include <cmath>

namespace sonavistor::cli {

namespace {

constexpr const char* kPeriodKeys[kPeriodCount] = {"day", "evening", "night"};
constexpr const char* kPeriodNames[kPeriodCount] = {"Lday:", "Levening:", "Lnight:"};

std::optional<double> parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

std::optional<PeriodHours> parsePeriodHours(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    int hours[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        hours[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const PeriodHours h{hours[0], hours[1], hours[2]};
    return h.valid() ? std::optional(h) : std::nullopt;
}

QString level(const std::optional<double>& value)
{
    return value ? oneDecimal(*value) : QStringLiteral("-");
}

QJsonValue jsonLevel(const std::optional<double>& value)
{
    return value ? QJsonValue(roundedLevel(*value)) : QJsonValue();
}

double percent(double share)
{
    return roundedLevel(100 * share);
}

}  // namespace

bool takeNoiseOption(const char* command, const QStringList& args, int& i, NoiseRequest& request, QString& error)
{
    QString value;
    NoiseOptions& o = request.options;
    if (args[i] == QLatin1String("--periods")) {
        request.periods = true;
    } else if (args[i] == QLatin1String("--events")) {
        request.events = true;
    } else if (takeOption(args, i, QStringLiteral("--period-hours"), value)) {
        const auto hours = parsePeriodHours(value);
        if (!hours)
            error = QStringLiteral("%1: --period-hours takes the hours day, evening and night start, in that order "
                                   "between 0 and 23, such as 7,19,23; not '%2'");
        else
            o.hours = *hours;
    } else if (takeOption(args, i, QStringLiteral("--threshold"), value)) {
        const auto dB = parseNumber(value);
        if (!dB || *dB < 0 || *dB > 200)
            error = QStringLiteral("%1: --threshold takes a level from 0 to 200 dB, not '%2'");
        else
            o.threshold = *dB;
    } else if (takeOption(args, i, QStringLiteral("--event-gap"), value)) {
        const auto seconds = parseNumber(value);
        if (!seconds || *seconds < 0)
            error = QStringLiteral("%1: --event-gap takes seconds, 0 or more, not '%2'");
        else
            o.gapSeconds = *seconds;
    } else if (takeOption(args, i, QStringLiteral("--event-min"), value)) {
        const auto seconds = parseNumber(value);
        if (!seconds || *seconds < 0)
            error = QStringLiteral("%1: --event-min takes seconds, 0 or more, not '%2'");
        else
            o.minSeconds = *seconds;
    } else {
        return false;
    }
    if (!error.isEmpty())
        error = error.arg(QLatin1String(command), value);
    return true;
}

void printNoiseText(QTextStream& out, const QStringList& files, const NoiseFigures& f, const NoiseRequest& request)
{
    const NoiseOptions& o = request.options;
    out << "measurement: " << files.join(QStringLiteral(", ")) << '\n';
    out << "  samples:   " << durationText(f.sampleSeconds) << " each "
        << (f.stepMeasured ? "(the median time step)" : "(assumed: the rows give no time step)") << '\n';
    if (request.periods) {
        out << "  periods:   day " << o.hours.day << "-" << o.hours.evening << " h, evening " << o.hours.evening << "-"
            << o.hours.night << " h, night " << o.hours.night << "-" << o.hours.day << " h\n";
        for (const DayFigures& d : f.days) {
            out << "  " << dayText(d.day) << ' ' << d.weighting << "-weighted\n";
            out << "    Lden:      " << level(d.lden.level) << " (coverage " << oneDecimal(100 * d.lden.coverage) << " %)\n";
            out << "    Ldn:       " << level(d.ldn.level) << " (coverage " << oneDecimal(100 * d.ldn.coverage) << " %)\n";
            for (int p = 0; p < kPeriodCount; ++p) {
                const PeriodLevel& period = d.periods[static_cast<size_t>(p)];
                out << "    " << QString::fromLatin1(kPeriodNames[p]).leftJustified(10) << ' ' << level(period.leq)
                    << " (coverage " << oneDecimal(100 * period.coverage) << " %), " << period.events
                    << (period.events == 1 ? " event, " : " events, ") << hoursMinutesSeconds(period.secondsAbove)
                    << " at or above " << oneDecimal(o.threshold) << " dB\n";
            }
            out << "    events:    " << d.events << ", " << hoursMinutesSeconds(d.secondsAbove) << " at or above "
                << oneDecimal(o.threshold) << " dB\n";
            out << "    hour\tLeq\tLmax\tL90\n";
            for (size_t h = 0; h < d.hours.size(); ++h) {
                const HourLevel& hour = d.hours[h];
                out << "    " << h << '\t' << level(hour.leq) << '\t' << level(hour.lmax) << '\t' << level(hour.l90)
                    << '\n';
            }
        }
        if (f.days.empty())
            out << "  (no timed A- or C-weighted readings)\n";
    }
    if (request.events) {
        out << "  events at or above " << oneDecimal(o.threshold) << " dB (gap " << durationText(o.gapSeconds)
            << ", at least " << durationText(o.minSeconds) << "): " << f.events.size() << '\n';
        if (!f.events.empty())
            out << "    start\tend\tduration\tLmax\tat\tLeq\tSEL\tweighting\n";
        for (const NoiseEvent& e : f.events) {
            out << "    " << rowSecondsText(e.start) << '\t' << rowSecondsText(e.end) << '\t'
                << hoursMinutesSeconds(e.duration) << '\t' << oneDecimal(e.lmax) << '\t' << rowSecondsText(e.lmaxAt)
                << '\t' << oneDecimal(e.leq) << '\t' << oneDecimal(e.sel) << '\t' << e.weighting << '\n';
        }
    }
    if (f.untimed > 0)
        out << "  (" << f.untimed << " readings without a readable date and time are in no day and no event)\n";
}

QJsonObject noiseJson(const QStringList& files, const NoiseFigures& f, const NoiseRequest& request)
{
    const NoiseOptions& o = request.options;
    QJsonObject out{{"files", QJsonArray::fromStringList(files)},
                    {"sampleSeconds", f.sampleSeconds},
                    {"periodHours", QJsonArray{o.hours.day, o.hours.evening, o.hours.night}},
                    {"threshold", o.threshold}};
    if (request.periods) {
        QJsonArray days;
        for (const DayFigures& d : f.days) {
            QJsonObject coverage{{"lden", percent(d.lden.coverage)}, {"ldn", percent(d.ldn.coverage)}};
            QJsonObject periods;
            for (int p = 0; p < kPeriodCount; ++p) {
                const PeriodLevel& period = d.periods[static_cast<size_t>(p)];
                coverage[kPeriodKeys[p]] = percent(period.coverage);
                periods[kPeriodKeys[p]] = QJsonObject{{"events", period.events}, {"secondsAbove", period.secondsAbove}};
            }
            QJsonArray hours;
            for (const HourLevel& h : d.hours)
                hours.append(QJsonObject{{"leq", jsonLevel(h.leq)}, {"lmax", jsonLevel(h.lmax)}, {"l90", jsonLevel(h.l90)}});
            days.append(QJsonObject{{"date", dayText(d.day)},
                                    {"weighting", QString(QLatin1Char(d.weighting))},
                                    {"lden", jsonLevel(d.lden.level)},
                                    {"ldn", jsonLevel(d.ldn.level)},
                                    {"lday", jsonLevel(d.period(Period::Day).leq)},
                                    {"levening", jsonLevel(d.period(Period::Evening).leq)},
                                    {"lnight", jsonLevel(d.period(Period::Night).leq)},
                                    {"coverage", coverage},
                                    {"hours", hours},
                                    {"events", d.events},
                                    {"secondsAbove", d.secondsAbove},
                                    {"periods", periods}});
        }
        out["days"] = days;
    }
    if (request.events) {
        QJsonArray events;
        for (const NoiseEvent& e : f.events) {
            events.append(QJsonObject{{"start", rowSecondsText(e.start)},
                                      {"end", rowSecondsText(e.end)},
                                      {"duration", e.duration},
                                      {"lmax", roundedLevel(e.lmax)},
                                      {"lmaxAt", rowSecondsText(e.lmaxAt)},
                                      {"leq", roundedLevel(e.leq)},
                                      {"sel", roundedLevel(e.sel)},
                                      {"weighting", QString(QLatin1Char(e.weighting))}});
        }
        out["events"] = events;
    }
    return out;
}

}  // namespace sonavistor::cli
