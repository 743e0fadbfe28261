#include "cli/noise_output.h"

#include "cli/durations.h"

#include "analysis/noise_summary.h"
#include "common/number_text.h"

#include <QFileInfo>
#include <QJsonArray>

#include <cmath>

namespace sonavistor::cli {

namespace {

constexpr const char* kPeriodKeys[kPeriodCount] = {"day", "evening", "night"};
constexpr const char* kPeriodNames[kPeriodCount] = {"Lday:", "Levening:", "Lnight:"};
// The longest event gap and minimum taken: a day.
constexpr double kLongestEventSeconds = 86400;

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

// "5 s", "0.5 s", "2 min", "1 h": durationText's units with plainNumber's digits.
QString secondsText(double seconds)
{
    if (seconds >= 3600 && std::fmod(seconds, 3600) == 0)
        return plainNumber(seconds / 3600) + QStringLiteral(" h");
    if (seconds >= 60 && std::fmod(seconds, 60) == 0)
        return plainNumber(seconds / 60) + QStringLiteral(" min");
    return plainNumber(seconds) + QStringLiteral(" s");
}

struct NoiseOption {
    const char* name;
    bool periods;       // belongs to --periods (else to the events)
    const char* takes;  // what its value is, for the messages
};

constexpr NoiseOption kValueOptions[] = {
    {"--period-hours", true, "the hours day, evening and night start, in that order between 0 and 23, such as 7,19,23"},
    {"--night-lmax", true, "a level from 0 to 200 dB"},
    {"--min-coverage", true, "a percentage from 0 to 100"},
    {"--threshold", false, "a level from 0 to 200 dB"},
    {"--event-gap", false, "seconds from 0 to 86400"},
    {"--event-min", false, "seconds from 0 to 86400"},
};

}  // namespace

QString plainNumber(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

bool takeNoiseOption(const char* command, const QStringList& args, int& i, NoiseRequest& request, QString& error)
{
    NoiseOptions& o = request.options;
    if (args[i] == QLatin1String("--periods")) {
        request.periods = true;
        return true;
    }
    if (args[i] == QLatin1String("--events")) {
        request.events = true;
        return true;
    }
    for (const NoiseOption& option : kValueOptions) {
        const QString name = QLatin1String(option.name);
        QString value;
        if (!takeOption(args, i, name, value))
            continue;
        (option.periods ? request.periodOptions : request.eventOptions) << name;
        const auto bad = [&] {
            error = value.trimmed().isEmpty()
                        ? QStringLiteral("%1: %2 needs a value: %3")
                              .arg(QLatin1String(command), name, QLatin1String(option.takes))
                        : QStringLiteral("%1: %2 takes %3; not '%4'")
                              .arg(QLatin1String(command), name, QLatin1String(option.takes), value);
            return true;
        };
        if (name == QLatin1String("--period-hours")) {
            const auto hours = parsePeriodHours(value);
            if (!hours)
                return bad();
            o.hours = *hours;
            return true;
        }
        const auto number = parseNumber(value);
        if (name == QLatin1String("--night-lmax") || name == QLatin1String("--threshold")) {
            if (!number || *number < 0 || *number > 200)
                return bad();
            (name == QLatin1String("--threshold") ? o.threshold : o.nightLmax) = *number;
        } else if (name == QLatin1String("--min-coverage")) {
            if (!number || *number < 0 || *number > 100)
                return bad();
            o.minCoverage = *number / 100;
        } else {
            if (!number || *number < 0 || *number > kLongestEventSeconds)
                return bad();
            // The times are whole seconds: a thousandth is more than enough.
            (name == QLatin1String("--event-gap") ? o.gapSeconds : o.minSeconds) = std::round(*number * 1000) / 1000;
        }
        return true;
    }
    return false;
}

QString missingModeError(const char* command, const NoiseRequest& request)
{
    if (!request.periods && !request.periodOptions.isEmpty())
        return QStringLiteral("%1: %2 needs --periods").arg(QLatin1String(command), request.periodOptions.first());
    // The event rule shapes the events listed (--events) and those the days and nights count (--periods).
    if (!request.any() && !request.eventOptions.isEmpty())
        return QStringLiteral("%1: %2 needs --events").arg(QLatin1String(command), request.eventOptions.first());
    return QString();
}

void printNoiseText(QTextStream& out, const QStringList& files, const NoiseFigures& f, const NoiseRequest& request)
{
    const NoiseOptions& o = request.options;
    out << "measurement: " << files.join(QStringLiteral(", ")) << '\n';
    if (f.oneStep) {
        out << "  samples:   " << secondsText(f.sampleSeconds) << " each "
            << (f.stepMeasured ? "(the median time step)" : "(assumed: the rows give no time step)") << '\n';
    } else {
        QStringList steps;
        for (size_t i = 0; i < f.files.size() && i < static_cast<size_t>(files.size()); ++i) {
            steps << QStringLiteral("%1 in %2%3")
                         .arg(secondsText(f.files[i].seconds), QFileInfo(files[static_cast<qsizetype>(i)]).fileName(),
                              f.files[i].measured ? QString() : QStringLiteral(" (assumed)"));
        }
        out << "  samples:   each file's own median time step: " << steps.join(QStringLiteral(", ")) << '\n';
    }
    if (request.periods) {
        out << "  periods:   day " << o.hours.day << "-" << o.hours.evening << " h, evening " << o.hours.evening << "-"
            << o.hours.night << " h, night " << o.hours.night << "-" << o.hours.day << " h\n";
        out << "  summary:   the energy average of the days and nights covered " << plainNumber(100 * o.minCoverage)
            << " % or more (2002/49/EC Annex I)\n";
        for (const NoiseSummary& s : summariseNoise(f, o.minCoverage)) {
            out << "    " << s.weighting << "-weighted: Lden " << level(s.lden) << ", Lday " << level(s.lday)
                << ", Levening " << level(s.levening) << " over " << s.daysUsed << (s.daysUsed == 1 ? " day" : " days")
                << " (" << s.daysLeftOut << " left out); Lnight " << level(s.lnight) << " over " << s.nightsUsed
                << (s.nightsUsed == 1 ? " night" : " nights") << " (" << s.nightsLeftOut << " left out)\n";
        }
        for (const DayFigures& d : f.days) {
            out << "  " << dayText(d.day) << ' ' << d.weighting << "-weighted"
                << (inSummary(d, o.minCoverage) ? "" : " (below the minimum coverage: left out of the summary)")
                << '\n';
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
        if (!f.nights.empty()) {
            out << "  nights " << o.hours.night << "-" << o.hours.day << " h (events with Lmax at or above "
                << oneDecimal(o.nightLmax) << " dB counted apart):\n";
            out << "    night\tweighting\tLnight\tcoverage\tLmax\tevents\tLmax >= " << oneDecimal(o.nightLmax) << '\n';
        }
        for (const NightFigures& n : f.nights) {
            out << "    " << nightText(n.from) << '\t' << n.weighting << '\t' << level(n.lnight) << '\t'
                << oneDecimal(100 * n.coverage) << " %" << (inSummary(n, o.minCoverage) ? "" : " (left out)") << '\t'
                << level(n.lmax) << '\t' << n.events << '\t' << n.eventsAboveLmax << '\n';
        }
    }
    if (request.events) {
        out << "  events at or above " << oneDecimal(o.threshold) << " dB (gap " << secondsText(o.gapSeconds)
            << ", at least " << secondsText(o.minSeconds) << "): " << f.events.size() << '\n';
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
    QJsonArray steps;
    for (const FileStep& s : f.files)
        steps.append(s.seconds);
    QJsonObject out{{"files", QJsonArray::fromStringList(files)},
                    {"sampleSeconds", f.oneStep ? QJsonValue(f.sampleSeconds) : QJsonValue()},
                    {"fileSampleSeconds", steps},
                    {"periodHours", QJsonArray{o.hours.day, o.hours.evening, o.hours.night}},
                    {"threshold", o.threshold},
                    {"eventGap", o.gapSeconds},
                    {"eventMin", o.minSeconds}};
    if (request.periods) {
        out["nightLmax"] = o.nightLmax;
        out["minCoverage"] = percent(o.minCoverage);
        QJsonArray summary;
        for (const NoiseSummary& s : summariseNoise(f, o.minCoverage)) {
            summary.append(QJsonObject{{"weighting", QString(QLatin1Char(s.weighting))},
                                       {"lden", jsonLevel(s.lden)},
                                       {"lday", jsonLevel(s.lday)},
                                       {"levening", jsonLevel(s.levening)},
                                       {"lnight", jsonLevel(s.lnight)},
                                       {"daysUsed", s.daysUsed},
                                       {"daysLeftOut", s.daysLeftOut},
                                       {"nightsUsed", s.nightsUsed},
                                       {"nightsLeftOut", s.nightsLeftOut}});
        }
        out["summary"] = summary;
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
                                    {"inSummary", inSummary(d, o.minCoverage)},
                                    {"hours", hours},
                                    {"events", d.events},
                                    {"secondsAbove", d.secondsAbove},
                                    {"periods", periods}});
        }
        out["days"] = days;
        QJsonArray nights;
        for (const NightFigures& n : f.nights) {
            nights.append(QJsonObject{{"from", dayText(n.from)},
                                      {"to", dayText(n.from + 1)},
                                      {"weighting", QString(QLatin1Char(n.weighting))},
                                      {"lnight", jsonLevel(n.lnight)},
                                      {"coverage", percent(n.coverage)},
                                      {"inSummary", inSummary(n, o.minCoverage)},
                                      {"lmax", jsonLevel(n.lmax)},
                                      {"events", n.events},
                                      {"eventsAboveLmax", n.eventsAboveLmax}});
        }
        out["nights"] = nights;
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
