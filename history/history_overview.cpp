#include "history/history_overview.h"

#include "analysis/acoustic_figures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>

namespace sonavistor {

namespace {

constexpr char kNoFigure[] = "\u2014";  // an em dash

QString level(const std::optional<double>& value)
{
    return value ? QString::number(roundedLevel(*value), 'f', 1) : QString::fromUtf8(kNoFigure);
}

QString coveragePercent(double coverage)
{
    return QString::number(std::round(coverage * 1000) / 10, 'f', 1);
}

QByteArray csvField(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    if (utf8.contains(',') || utf8.contains('"') || utf8.contains('\n') || utf8.contains('\r'))
        utf8 = '"' + utf8.replace("\"", "\"\"") + '"';
    return utf8;
}

QJsonValue jsonLevel(const std::optional<double>& value)
{
    return value ? QJsonValue(roundedLevel(*value)) : QJsonValue();
}

}  // namespace

HistoryOverview overviewOf(const std::vector<IndexedFile>& files, const QDate& from, const QDate& to)
{
    HistoryOverview o;
    std::map<QDate, std::array<HourFigures, 24>> byDate;
    for (const IndexedFile& f : files) {
        if (!f.problem.isEmpty()) {
            o.problems.push_back({f.path, f.problem});
            continue;
        }
        for (const HistoryDay& d : f.days) {
            if ((from.isValid() && d.date < from) || (to.isValid() && d.date > to))
                continue;
            o.days.push_back({f.path, f.weighting, d});
            auto [at, added] = byDate.try_emplace(d.date, d.hours);
            if (!added) {
                for (size_t h = 0; h < 24; ++h)
                    at->second[h] = combinedHour(at->second[h], d.hours[h]);
            }
        }
    }
    std::stable_sort(o.days.begin(), o.days.end(), [](const DayRow& a, const DayRow& b) {
        return a.figures.date != b.figures.date ? a.figures.date < b.figures.date : a.path < b.path;
    });
    std::sort(o.problems.begin(), o.problems.end(),
              [](const FileProblem& a, const FileProblem& b) { return a.path < b.path; });
    if (!byDate.empty()) {
        const QDate first = byDate.begin()->first;
        const QDate last = byDate.rbegin()->first;
        o.calendar.reserve(static_cast<size_t>(first.daysTo(last) + 1));
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            const auto at = byDate.find(d);
            o.calendar.push_back({d, at == byDate.end() ? std::array<HourFigures, 24>{} : at->second});
        }
    }
    return o;
}

QString dayColumnTitle(DayColumn column)
{
    static const char* const titles[] = {"Date", "Rows", "Coverage %", "Leq", "Lden", "Lday", "Levening",
                                         "Lnight", "Lmax", "L90", "Events", "File"};
    return QString::fromLatin1(titles[static_cast<int>(column)]);
}

QString dayCellText(const DayRow& row, DayColumn column)
{
    const HistoryDay& d = row.figures;
    switch (column) {
    case DayColumn::Date: return d.date.toString(Qt::ISODate);
    case DayColumn::Rows: return QString::number(d.rows);
    case DayColumn::Coverage: return coveragePercent(d.coverage);
    case DayColumn::Leq: return level(d.leq);
    case DayColumn::Lden: return level(d.lden);
    case DayColumn::Lday: return level(d.lday);
    case DayColumn::Levening: return level(d.levening);
    case DayColumn::Lnight: return level(d.lnight);
    case DayColumn::Lmax: return level(d.lmax);
    case DayColumn::L90: return level(d.l90);
    case DayColumn::Events: return d.events ? QString::number(*d.events) : QString::fromUtf8(kNoFigure);
    case DayColumn::File: return row.path;
    case DayColumn::Count: break;
    }
    return QString();
}

std::optional<double> dayCellValue(const DayRow& row, DayColumn column)
{
    const HistoryDay& d = row.figures;
    switch (column) {
    case DayColumn::Date: return static_cast<double>(d.date.toJulianDay());
    case DayColumn::Rows: return static_cast<double>(d.rows);
    case DayColumn::Coverage: return d.coverage;
    case DayColumn::Leq: return d.leq;
    case DayColumn::Lden: return d.lden;
    case DayColumn::Lday: return d.lday;
    case DayColumn::Levening: return d.levening;
    case DayColumn::Lnight: return d.lnight;
    case DayColumn::Lmax: return d.lmax;
    case DayColumn::L90: return d.l90;
    case DayColumn::Events: return d.events ? std::optional<double>(static_cast<double>(*d.events)) : std::nullopt;
    case DayColumn::File:
    case DayColumn::Count: break;
    }
    return std::nullopt;
}

QByteArray dayTableCsv(const std::vector<DayRow>& days)
{
    const int columns = static_cast<int>(DayColumn::Count);
    QByteArray out;
    for (int c = 0; c < columns; ++c)
        out += (c ? "," : "") + csvField(dayColumnTitle(static_cast<DayColumn>(c)));
    out += "\r\n";
    for (const DayRow& row : days) {
        for (int c = 0; c < columns; ++c) {
            const auto column = static_cast<DayColumn>(c);
            QString text = dayCellText(row, column);
            if (text == QString::fromUtf8(kNoFigure))
                text.clear();
            out += (c ? "," : "") + csvField(text);
        }
        out += "\r\n";
    }
    return out;
}

QByteArray dayTableJson(const std::vector<DayRow>& days)
{
    QByteArray out;
    for (const DayRow& row : days) {
        const HistoryDay& d = row.figures;
        QJsonArray hours;
        for (const HourFigures& h : d.hours) {
            hours.append(h.count == 0 ? QJsonValue()
                                      : QJsonObject{{"leq", roundedLevel(h.leq)},
                                                    {"lmax", roundedLevel(h.lmax)},
                                                    {"l90", roundedLevel(h.l90)}});
        }
        const QJsonObject o{
            {"date", d.date.toString(Qt::ISODate)},
            {"file", row.path},
            {"weighting", QString(QLatin1Char(row.weighting))},
            {"rows", static_cast<double>(d.rows)},
            {"coverage", std::round(d.coverage * 1000) / 1000},
            {"leq", jsonLevel(d.leq)},
            {"lden", jsonLevel(d.lden)},
            {"lday", jsonLevel(d.lday)},
            {"levening", jsonLevel(d.levening)},
            {"lnight", jsonLevel(d.lnight)},
            {"lmax", jsonLevel(d.lmax)},
            {"l90", jsonLevel(d.l90)},
            {"events", d.events ? QJsonValue(static_cast<double>(*d.events)) : QJsonValue()},
            {"hours", hours},
        };
        out += QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
    }
    return out;
}

}  // namespace sonavistor
