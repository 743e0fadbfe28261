#include "export/noise_report.h"

#include "export/noise_report_sheet.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <limits>
#include <map>

namespace sonavistor {

using report_sheet::dayOf;

namespace {

// The keys of a details file and what each takes.
const QStringList kDetailKeys{QStringLiteral("site"),
                              QStringLiteral("address"),
                              QStringLiteral("position"),
                              QStringLiteral("height"),
                              QStringLiteral("meter"),
                              QStringLiteral("serial"),
                              QStringLiteral("calibrator"),
                              QStringLiteral("calibrationBefore"),
                              QStringLiteral("calibrationAfter"),
                              QStringLiteral("operator"),
                              QStringLiteral("weather"),
                              QStringLiteral("remarks"),
                              QStringLiteral("standards"),
                              QStringLiteral("limits")};
const QStringList kLimitKeys{QStringLiteral("lden"), QStringLiteral("lnight"), QStringLiteral("lmax"),
                             QStringLiteral("source")};

}  // namespace

NoiseReportDetails parseNoiseReportDetails(const QByteArray& json, const QString& source)
{
    const auto bad = [&source](const QString& what) {
        return BadNoiseReportDetails(source + QStringLiteral(": ") + what);
    };
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw bad(QStringLiteral("not JSON at character %1 (%2)").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        throw bad(QStringLiteral("the details are a JSON object, {\"site\": ..., \"meter\": ...}"));
    const QJsonObject o = document.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!kDetailKeys.contains(it.key()))
            throw bad(QStringLiteral("unknown key \"%1\" (the keys are %2)")
                          .arg(it.key(), kDetailKeys.join(QStringLiteral(", "))));
    }
    // A text, or a number printed with its unit; null is no value.
    const auto text = [&](const QJsonObject& from, const QString& key, const QString& unit = QString()) -> QString {
        const QJsonValue v = from.value(key);
        if (v.isUndefined() || v.isNull())
            return QString();
        if (v.isString())
            return v.toString().trimmed();
        if (v.isDouble() && !unit.isEmpty())
            return QLocale::c().toString(v.toDouble(), 'g', 10) + unit;
        throw bad(QStringLiteral("\"%1\" takes %2")
                      .arg(key, unit.isEmpty() ? QStringLiteral("a text") : QStringLiteral("a text or a number")));
    };
    NoiseReportDetails d;
    d.site = text(o, QStringLiteral("site"));
    d.address = text(o, QStringLiteral("address"));
    const QString position = text(o, QStringLiteral("position"));
    const QString p = position.toLower();
    if (p == QLatin1String("facade") || p == QStringLiteral("façade"))
        d.position = QStringLiteral("façade");
    else if (p == QLatin1String("free field") || p == QLatin1String("free-field") || p == QLatin1String("freefield"))
        d.position = QStringLiteral("free field");
    else if (p == QLatin1String("other"))
        d.position = QStringLiteral("other");
    else if (!p.isEmpty())
        throw bad(
            QStringLiteral("\"position\" takes \"façade\", \"free field\" or \"other\", not \"%1\"").arg(position));
    d.height = text(o, QStringLiteral("height"), QStringLiteral(" m"));
    d.meter = text(o, QStringLiteral("meter"));
    d.serial = text(o, QStringLiteral("serial"));
    if (d.serial.isEmpty() && o.value(QStringLiteral("serial")).isDouble())
        d.serial = QLocale::c().toString(o.value(QStringLiteral("serial")).toDouble(), 'g', 15);
    d.calibrator = text(o, QStringLiteral("calibrator"));
    d.calibrationBefore = text(o, QStringLiteral("calibrationBefore"), QStringLiteral(" dB"));
    d.calibrationAfter = text(o, QStringLiteral("calibrationAfter"), QStringLiteral(" dB"));
    d.operatorName = text(o, QStringLiteral("operator"));
    d.weather = text(o, QStringLiteral("weather"));
    d.remarks = text(o, QStringLiteral("remarks"));
    const QJsonValue standards = o.value(QStringLiteral("standards"));
    if (standards.isString()) {
        if (!standards.toString().trimmed().isEmpty())
            d.standards << standards.toString().trimmed();
    } else if (standards.isArray()) {
        for (const QJsonValue& s : standards.toArray()) {
            if (!s.isString())
                throw bad(QStringLiteral("\"standards\" takes a list of texts, such as [\"ISO 1996-2\"]"));
            if (!s.toString().trimmed().isEmpty())
                d.standards << s.toString().trimmed();
        }
    } else if (!standards.isUndefined() && !standards.isNull()) {
        throw bad(QStringLiteral("\"standards\" takes a list of texts, such as [\"ISO 1996-2\"]"));
    }
    const QJsonValue limits = o.value(QStringLiteral("limits"));
    if (limits.isObject()) {
        const QJsonObject l = limits.toObject();
        for (auto it = l.begin(); it != l.end(); ++it) {
            if (!kLimitKeys.contains(it.key()))
                throw bad(QStringLiteral("unknown key \"limits.%1\" (the limits are lden, lnight, lmax and source)")
                              .arg(it.key()));
        }
        const auto limit = [&](const QString& key) -> std::optional<double> {
            const QJsonValue v = l.value(key);
            if (v.isUndefined() || v.isNull())
                return std::nullopt;
            if (!v.isDouble() || v.toDouble() < 0 || v.toDouble() > 200)
                throw bad(QStringLiteral("\"limits.%1\" takes a level from 0 to 200 dB").arg(key));
            return v.toDouble();
        };
        d.limitLden = limit(QStringLiteral("lden"));
        d.limitLnight = limit(QStringLiteral("lnight"));
        d.limitLmax = limit(QStringLiteral("lmax"));
        d.limitsSource = text(l, QStringLiteral("source"));
    } else if (!limits.isUndefined() && !limits.isNull()) {
        throw bad(
            QStringLiteral("\"limits\" takes an object, such as {\"lden\": 55, \"lnight\": 50, \"source\": \"...\"}"));
    }
    return d;
}

NoiseReportDetails readNoiseReportDetails(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: cannot read the details file (%2)").arg(path, file.errorString()));
    return parseNoiseReportDetails(file.readAll(), path);
}

QByteArray noiseReportDetailsJson(const NoiseReportDetails& d)
{
    QJsonObject o;
    const auto put = [&o](const char* key, const QString& value) {
        if (!value.isEmpty())
            o[QLatin1String(key)] = value;
    };
    put("site", d.site);
    put("address", d.address);
    put("position", d.position);
    put("height", d.height);
    put("meter", d.meter);
    put("serial", d.serial);
    put("calibrator", d.calibrator);
    put("calibrationBefore", d.calibrationBefore);
    put("calibrationAfter", d.calibrationAfter);
    put("operator", d.operatorName);
    put("weather", d.weather);
    put("remarks", d.remarks);
    if (!d.standards.isEmpty())
        o[QStringLiteral("standards")] = QJsonArray::fromStringList(d.standards);
    QJsonObject limits;
    if (d.limitLden)
        limits[QStringLiteral("lden")] = *d.limitLden;
    if (d.limitLnight)
        limits[QStringLiteral("lnight")] = *d.limitLnight;
    if (d.limitLmax)
        limits[QStringLiteral("lmax")] = *d.limitLmax;
    if (!d.limitsSource.isEmpty())
        limits[QStringLiteral("source")] = d.limitsSource;
    if (!limits.isEmpty())
        o[QStringLiteral("limits")] = limits;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

NoiseReport makeNoiseReport(const QStringList& files, std::vector<AcousticSample> samples,
                            const std::vector<size_t>& fileSizes, const NoiseOptions& options,
                            const NoiseReportDetails& details, const QString& company, const QDateTime& printedAt)
{
    NoiseReport r;
    r.files = files;
    r.options = options;
    r.details = details;
    r.company = company;
    r.printedAt = printedAt;

    // The level-time lines first: the figures take the samples over.
    struct Minutes {
        std::vector<LogSumExp> energy = std::vector<LogSumExp>(1440);
        std::vector<int> counts = std::vector<int>(1440);
    };
    std::map<std::pair<qint64, char>, Minutes> minutes;
    Minutes* current = nullptr;
    std::pair<qint64, char> currentKey;
    for (const AcousticSample& s : samples) {
        if (s.seconds == kUntimed || (s.weighting != 'A' && s.weighting != 'C'))
            continue;
        r.firstReading = std::min(r.firstReading.value_or(s.seconds), s.seconds);
        r.lastReading = std::max(r.lastReading.value_or(s.seconds), s.seconds);
        const qint64 day = dayOf(s.seconds);
        if (!current || currentKey != std::pair{day, s.weighting}) {
            currentKey = {day, s.weighting};
            current = &minutes[currentKey];
        }
        const auto minute = static_cast<size_t>((s.seconds - day * 86400) / 60);
        current->energy[minute].add(kEnergy * s.level);
        ++current->counts[minute];
    }
    r.figures = computeNoiseFigures(std::move(samples), fileSizes, options);
    r.minuteLevels.reserve(r.figures.days.size());
    for (const DayFigures& d : r.figures.days) {
        const Minutes& m = minutes.at({d.day, d.weighting});
        std::vector<float>& line = r.minuteLevels.emplace_back(1440, std::numeric_limits<float>::quiet_NaN());
        for (size_t i = 0; i < 1440; ++i) {
            if (m.counts[i])
                line[i] = static_cast<float>(leqOf(m.energy[i], m.counts[i]));
        }
    }
    return r;
}

std::vector<NoiseEvent> reportedEvents(const NoiseReport& r, size_t day, int& leftOut)
{
    const DayFigures& d = r.figures.days[day];
    std::vector<NoiseEvent> events;
    for (const NoiseEvent& e : r.figures.events) {
        if (dayOf(e.start) == d.day && e.weighting == d.weighting)
            events.push_back(e);
    }
    leftOut = std::max(0, static_cast<int>(events.size()) - kReportedEvents);
    if (leftOut > 0) {
        std::stable_sort(events.begin(), events.end(), [](const NoiseEvent& a, const NoiseEvent& b) { return a.sel > b.sel; });
        events.resize(kReportedEvents);
        std::stable_sort(events.begin(), events.end(),
                         [](const NoiseEvent& a, const NoiseEvent& b) { return a.start < b.start; });
    }
    return events;
}

}  // namespace sonavistor
