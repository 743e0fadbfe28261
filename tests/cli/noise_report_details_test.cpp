// The noise report an authority is handed: info's summary and nights, the
// details file, the options each mode takes, and the report's text against
// info --json for the same files.
#include "analysis/saved_file.h"
#include "tests/support/pdf_text.h"
#include "tests/cli/cli_run.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

QJsonObject measurementJson(const CliRun& r)
{
    return QJsonDocument::fromJson(r.out.trimmed().split('\n').last().toUtf8()).object();
}

QString oneDecimalOf(const QJsonValue& v)
{
    return QString::number(v.toDouble(), 'f', 1);
}

// "2026/12/1 0:30:0" -> "2026-12-01 00:30:00"
QString iso(const QString& rowTime)
{
    const QStringList p = rowTime.split(QRegularExpression("[/ :]"));
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(p[0], p[1].rightJustified(2, '0'), p[2].rightJustified(2, '0'), p[3].rightJustified(2, '0'),
             p[4].rightJustified(2, '0'), p[5].rightJustified(2, '0'));
}

// One reading every `step` seconds over [from, to) seconds of the day, the level by the second of the day.
void add(std::vector<ReadingRow>& rows, const QString& date, int from, int to, int step,
         const std::function<double(int)>& level)
{
    for (int s = from; s < to; s += step) {
        rows.push_back({date, QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60).arg(s % 60),
                        QString::number(level(s), 'f', 1), "A", static_cast<qint32>(rows.size())});
    }
}

// A reading a minute: 62 dB by day, 57 in the evening, 47 at night, a little more each minute
// of the hour; a loud minute every two hours at half past (76.4 and 72.1 dB by turns).
double street(int second)
{
    const int minute = second / 60;
    const int hour = minute / 60;
    if (minute % 240 == 30)
        return 76.4;
    if (minute % 120 == 30)
        return 72.1;
    const double base = hour >= 7 && hour < 19 ? 62 : hour >= 19 && hour < 23 ? 57 : 47;
    return base + (minute % 60) * 0.1;
}

class NoiseReportCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 1 and 2 Dec whole, 3 Dec from 00:00 to 04:48 only (20 % of it), a reading a minute.
        for (const auto& [name, date, end] :
             {std::tuple{"d1.qrv", "2026/12/1", 86400}, std::tuple{"d2.qrv", "2026/12/2", 86400},
              std::tuple{"d3.qrv", "2026/12/3", 17280}}) {
            std::vector<ReadingRow> rows;
            add(rows, date, 0, end, 60, street);
            writeSavedFile(dir.filePath(name), rows);
            files << dir.filePath(name);
        }
    }

    QString write(const QString& name, const QByteArray& text)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }

    QTemporaryDir dir;
    QStringList files;
};

}  // namespace

TEST_F(NoiseReportCli, InfoGivesTheSummaryAndTheNights)
{
    const CliRun r = cli(QStringList{"info", "--json", "--periods", "--night-lmax", "75"} + files);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject m = measurementJson(r);
    EXPECT_EQ(m["sampleSeconds"].toDouble(), 60);
    EXPECT_EQ(m["minCoverage"].toDouble(), 75);
    const QJsonArray days = m["days"].toArray();
    ASSERT_EQ(days.size(), 3);
    EXPECT_TRUE(days[0].toObject()["inSummary"].toBool());
    EXPECT_FALSE(days[2].toObject()["inSummary"].toBool());                      // 3 Dec: 20 %
    EXPECT_EQ(days[2].toObject()["coverage"].toObject()["lden"].toDouble(), 0);  // no evening

    // Nights: 30 Nov-1 Dec (00:00-07:00 of 1 Dec: 87.5 %), 1-2 Dec and 2-3 Dec (23:00-24:00 and
    // 00:00-04:48: 348 of 480 minutes, 72.5 %: left out).
    const QJsonArray nights = m["nights"].toArray();
    ASSERT_EQ(nights.size(), 3);
    const QJsonObject n = nights[1].toObject();
    EXPECT_EQ(n["from"].toString(), "2026/12/1");
    EXPECT_EQ(n["to"].toString(), "2026/12/2");
    EXPECT_EQ(n["weighting"].toString(), "A");
    EXPECT_EQ(n["coverage"].toDouble(), 100);
    EXPECT_EQ(n["lmax"].toDouble(), 76.4);
    // Loud minutes at 00:30 (76.4), 02:30 (72.1), 04:30 (76.4), 06:30 (72.1): 4 events, 2 at or above 75 dB.
    EXPECT_EQ(n["events"].toInt(), 4);
    EXPECT_EQ(n["eventsAboveLmax"].toInt(), 2);
    EXPECT_EQ(nights[0].toObject()["coverage"].toDouble(), 87.5);
    EXPECT_EQ(nights[2].toObject()["coverage"].toDouble(), 72.5);

    const QJsonArray summary = m["summary"].toArray();
    ASSERT_EQ(summary.size(), 1);
    const QJsonObject s = summary[0].toObject();
    EXPECT_EQ(s["weighting"].toString(), "A");
    EXPECT_EQ(s["daysUsed"].toInt(), 2);
    EXPECT_EQ(s["daysLeftOut"].toInt(), 1);
    EXPECT_EQ(s["nightsUsed"].toInt(), 2);
    EXPECT_EQ(s["nightsLeftOut"].toInt(), 1);
    // Both days used are alike: their average is each one's Lden.
    EXPECT_EQ(s["lden"].toDouble(), days[0].toObject()["lden"].toDouble());

    // The text says so too.
    const CliRun text = cli(QStringList{"info", "--periods"} + files);
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(text.out.contains("over 2 days (1 left out)")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("2026/12/3 A-weighted (below the minimum coverage: left out of the summary)"));
    EXPECT_TRUE(text.out.contains(QString::fromUtf8("1–2 Dec 2026")));

    // A minimum of 70 % takes 2-3 Dec's night (72.5 %) in; 3 Dec itself has no Lden and stays out.
    const QJsonObject all =
        measurementJson(cli(QStringList{"info", "--json", "--periods", "--min-coverage", "70"} + files));
    EXPECT_EQ(all["summary"].toArray()[0].toObject()["nightsUsed"].toInt(), 3);
    EXPECT_EQ(all["summary"].toArray()[0].toObject()["daysLeftOut"].toInt(), 1);
}

TEST_F(NoiseReportCli, AnOptionWithoutItsModeOrValueIsBadUsage)
{
    struct Case {
        QStringList args;
        QString message;
    };
    const std::vector<Case> cases{
        {{"--threshold", "60"}, "info: --threshold needs --events"},
        {{"--event-gap", "2"}, "info: --event-gap needs --events"},
        {{"--event-min=1"}, "info: --event-min needs --events"},
        {{"--events", "--period-hours", "6,18,22"}, "info: --period-hours needs --periods"},
        {{"--events", "--night-lmax", "60"}, "info: --night-lmax needs --periods"},
        {{"--min-coverage", "50"}, "info: --min-coverage needs --periods"},
        {{"--periods", "--event-gap", "1e300"}, "info: --event-gap takes seconds from 0 to 86400; not '1e300'"},
        {{"--periods", "--min-coverage", "101"}, "info: --min-coverage takes a percentage from 0 to 100; not '101'"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(QStringList{"info"} + c.args + files);
        EXPECT_EQ(r.status, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    // A value missing at the end of the line says a value is needed.
    for (const char* option : {"--threshold", "--event-gap", "--event-min", "--period-hours", "--night-lmax",
                               "--min-coverage", "--interval", "--exposure"}) {
        const CliRun r = cli(QStringList{"info", "--periods", "--events"} + files + QStringList{option});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("info: %1 needs a value").arg(option))) << r.err.toStdString();
    }
    for (const char* option : {"--details", "--company", "--threshold"}) {
        const CliRun r = cli(QStringList{"report", "-o", dir.filePath("r.pdf")} + files + QStringList{option});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("report: %1 needs a value").arg(option))) << r.err.toStdString();
    }
    // The event rule also sets the events --periods counts: it is taken there.
    EXPECT_EQ(cli(QStringList{"info", "--periods", "--threshold", "60"} + files).status, 0);
    // Numbers are printed as numbers.
    const CliRun gap = cli(QStringList{"info", "--events", "--event-gap", "86400", "--event-min", "0.25"} + files);
    ASSERT_EQ(gap.status, 0) << gap.err.toStdString();
    EXPECT_TRUE(gap.out.contains("(gap 24 h, at least 0.25 s)")) << gap.out.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("r.pdf")));
}

TEST(NoiseEventGap, ZeroEndsEachEventAtTheFirstReadingBelow)
{
    // 60 s at 80 dB, then 50; again 80 dB for 1 s at 12:02:00 and 12:02:02 with 50 between.
    QTemporaryDir dir;
    std::vector<ReadingRow> rows;
    add(rows, "2026/12/1", 12 * 3600, 12 * 3600 + 180, 1, [](int s) {
        const int t = s - 12 * 3600;
        return t < 60 || t == 120 || t == 122 ? 80.0 : 50.0;
    });
    writeSavedFile(dir.filePath("gap.qrv"), rows);
    const QString file = dir.filePath("gap.qrv");
    CliRun r = cli({"info", "--json", "--events", "--event-gap", "0", file});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonArray events = measurementJson(r)["events"].toArray();
    ASSERT_EQ(events.size(), 1);  // the 1-s ones are under the minimum of 3 s
    EXPECT_EQ(events[0].toObject()["duration"].toDouble(), 60);
    EXPECT_EQ(events[0].toObject()["sel"].toDouble(), 97.8);  // 10 log10(60 x 10^8) = 97.78

    r = cli({"info", "--json", "--events", "--event-gap", "0", "--event-min", "0", file});
    events = measurementJson(r)["events"].toArray();
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[1].toObject()["start"].toString(), "2026/12/1 12:2:0");
    EXPECT_EQ(events[1].toObject()["duration"].toDouble(), 1);
    // With the default gap of 5 s the two seconds at 12:02 are one event of 3 s.
    events = measurementJson(cli({"info", "--json", "--events", file}))["events"].toArray();
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].toObject()["duration"].toDouble(), 3);
}

TEST(NoiseFileSteps, AOneSecondAndATwoSecondFileKeepTheirFiguresTogether)
{
    // A logged day, a reading a second (1 Dec 10:00-10:10), and an imported one every 2 s
    // (2 Dec 10:00-10:20), each with a loud stretch at 10:05.
    QTemporaryDir dir;
    std::vector<ReadingRow> logged;
    add(logged, "2026/12/1", 36000, 36600, 1, [](int s) { return s >= 36300 && s < 36310 ? 80.0 : 60.0; });
    std::vector<ReadingRow> imported;
    add(imported, "2026/12/2", 36000, 37200, 2, [](int s) { return s >= 36300 && s < 36320 ? 80.0 : 60.0; });
    writeSavedFile(dir.filePath("logged.qrv"), logged);
    writeSavedFile(dir.filePath("imported.qrv"), imported);
    const QString a = dir.filePath("logged.qrv");
    const QString b = dir.filePath("imported.qrv");
    const auto figures = [](const QStringList& files) {
        return measurementJson(cli(QStringList{"info", "--json", "--periods", "--events"} + files));
    };
    const QJsonObject alone1 = figures({a});
    const QJsonObject alone2 = figures({b});
    const QJsonObject both = figures({a, b});
    EXPECT_TRUE(both["sampleSeconds"].isNull());
    EXPECT_EQ(both["fileSampleSeconds"].toArray(), (QJsonArray{1, 2}));
    ASSERT_EQ(both["days"].toArray().size(), 2);
    EXPECT_EQ(both["days"].toArray()[0], alone1["days"].toArray()[0]);
    EXPECT_EQ(both["days"].toArray()[1], alone2["days"].toArray()[0]);
    EXPECT_EQ(both["events"].toArray()[0], alone1["events"].toArray()[0]);
    EXPECT_EQ(both["events"].toArray()[1], alone2["events"].toArray()[0]);
    // By hand: 1200 s of 12 h is 2.8 % of the imported day; 20 s at or above 70 dB; its event
    // lasts 20 s with SEL 10 log10(10 x 2 s x 10^8) = 93.0.
    const QJsonObject day2 = both["days"].toArray()[1].toObject();
    EXPECT_EQ(day2["coverage"].toObject()["day"].toDouble(), 2.8);
    EXPECT_EQ(day2["secondsAbove"].toDouble(), 20);
    const QJsonObject event2 = both["events"].toArray()[1].toObject();
    EXPECT_EQ(event2["duration"].toDouble(), 20);
    EXPECT_EQ(event2["sel"].toDouble(), 93.0);
    const CliRun text = cli({"info", "--periods", a, b});
    EXPECT_TRUE(text.out.contains("each file's own median time step: 1 s in logged.qrv, 2 s in imported.qrv"))
        << text.out.toStdString();
}

TEST_F(NoiseReportCli, DetailsFileIsCheckedWhole)
{
    const QString pdf = dir.filePath("r.pdf");
    struct Case {
        QByteArray json;
        QString message;
    };
    for (const Case& c : std::vector<Case>{{R"({"site": "x", "colour": "red"})", "unknown key \"colour\""},
                                           {R"({"limits": {"lden": 55, "lday": 50}})", "unknown key \"limits.lday\""},
                                           {R"({"position": "roof"})", "\"position\" takes"},
                                           {R"({"limits": {"lnight": "fifty"}})", "\"limits.lnight\" takes a level"},
                                           {R"({"meter": 5})", "\"meter\" takes a text"},
                                           {R"(["site"])", "the details are a JSON object"},
                                           {R"({"site": )", "not JSON"}}) {
        const QString details = write("bad.json", c.json);
        const CliRun r = cli(QStringList{"report", "-o", pdf, "--details", details} + files);
        EXPECT_EQ(r.status, 2) << c.json.toStdString();
        EXPECT_TRUE(r.err.startsWith("report: " + details + ": ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    const CliRun missing = cli(QStringList{"report", "-o", pdf, "--details", dir.filePath("none.json")} + files);
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains("cannot read the details file")) << missing.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(NoiseReportCli, ReportHoldsEveryFigureOfInfoAndEveryDetail)
{
    if (!test::pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const QStringList options{"--night-lmax", "75"};
    const CliRun info = cli(QStringList{"info", "--json", "--periods", "--events"} + options + files);
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    const QJsonObject m = measurementJson(info);
    const QString details = write("details.json", R"json({
        "site": "Harbour Road 12, bedroom window",
        "address": "Harbour Road 12, 9000 Portsby",
        "position": "facade",
        "height": 4.5,
        "meter": "Class 2 sound level meter, model SL-2",
        "serial": "SN0042",
        "calibrator": "Class 2 calibrator, 94 dB (SN 771)",
        "calibrationBefore": 93.9,
        "calibrationAfter": "94.0 dB at 1 kHz",
        "operator": "Ann Example",
        "weather": "dry, wind below 5 m/s",
        "remarks": "Meter in the bedroom window of the first floor, the window open; traffic on Harbour Road is the main source, a ferry horn at times.",
        "standards": ["ISO 1996-2:2017"],
        "limits": {"lden": 55, "lnight": 45, "lmax": 75, "source": "Portsby noise by-law 2019, table 2"}
    })json");
    const QString pdf = dir.filePath("report.pdf");
    const CliRun r =
        cli(QStringList{"report", "-o", pdf, "--company", "Harbour Acoustics", "--details", details} + options + files);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Ligatures (the "fi" of "first") read as the letters they join.
    const QString raw = test::pdfText(pdf).normalized(QString::NormalizationForm_KC);
    const QStringList pages = raw.split('\f', Qt::SkipEmptyParts);
    const QString text = raw.simplified();
    const QString first = pages.value(0).simplified();

    // Every field of the details file, the standards and the limits, on the first page.
    for (const char* field : {"Harbour Road 12, bedroom window", "Harbour Road 12, 9000 Portsby", "façade", "4.5 m",
                              "Class 2 sound level meter, model SL-2", "SN0042", "Class 2 calibrator, 94 dB (SN 771)", "93.9 dB",
                              "94.0 dB at 1 kHz", "Ann Example", "dry, wind below 5 m/s",
                              "Meter in the bedroom window of the first floor, the window open; traffic on Harbour "
                              "Road is the main source, a ferry horn at times.",
                              "ISO 1996-2:2017", "2002/49/EC", "ISO 1996-1", "Portsby noise by-law 2019, table 2"}) {
        EXPECT_TRUE(first.contains(QString::fromUtf8(field))) << field;
    }
    // ISO 1996-2 is named only because the details say so.
    EXPECT_EQ(text.count("ISO 1996-2"), 1);

    // The summary, with the limits compared.
    const QJsonObject s = m["summary"].toArray()[0].toObject();
    for (const char* key : {"lden", "lday", "levening", "lnight"})
        EXPECT_TRUE(first.contains(oneDecimalOf(s[key]))) << key;
    const QString summaryRow = QStringLiteral("A-weighted %1 %2 %3 %4 %5 %6 %7 %8")
                                   .arg(oneDecimalOf(s["lden"]), oneDecimalOf(s["lday"]), oneDecimalOf(s["levening"]),
                                        oneDecimalOf(s["lnight"]))
                                   .arg(s["daysUsed"].toInt())
                                   .arg(s["daysLeftOut"].toInt())
                                   .arg(s["nightsUsed"].toInt())
                                   .arg(s["nightsLeftOut"].toInt());
    EXPECT_TRUE(first.contains(summaryRow)) << summaryRow.toStdString() << '\n' << first.toStdString();
    EXPECT_TRUE(
        first.contains(QStringLiteral("Lden, whole measurement %1 55 exceeded by").arg(oneDecimalOf(s["lden"]))))
        << first.toStdString();
    EXPECT_TRUE(first.contains("Lmax, highest of the nights 76.4 75 exceeded in"));
    EXPECT_TRUE(first.contains("Measurement 2026-12-01 00:00:00 to 2026-12-03 04:47:00"));
    EXPECT_TRUE(first.contains("Harbour Acoustics"));

    // Every page: its number of all and the measurement period.
    for (int p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size()))) << p;
        EXPECT_TRUE(pages[p].contains("2026-12-01 00:00:00 to 2026-12-03 04:47:00")) << p;
    }

    // Each day: its figures, coverage and hours; the partial one marked.
    for (const QJsonValue& v : m["days"].toArray()) {
        const QJsonObject day = v.toObject();
        const QString date = iso(day["date"].toString() + " 0:0:0").left(10);
        EXPECT_TRUE(text.contains(date + ", A-weighted")) << date.toStdString();
        for (const char* key : {"lden", "ldn", "lday", "levening", "lnight"}) {
            if (!day[key].isNull()) {
                EXPECT_TRUE(text.contains(oneDecimalOf(day[key]))) << date.toStdString() << ' ' << key;
            }
        }
        for (const QJsonValue& c : day["coverage"].toObject())
            EXPECT_TRUE(text.contains(oneDecimalOf(c) + " %")) << date.toStdString();
        for (const QJsonValue& h : day["hours"].toArray()) {
            for (const QJsonValue& level : h.toObject()) {
                if (!level.isNull()) {
                    EXPECT_TRUE(text.contains(oneDecimalOf(level))) << date.toStdString();
                }
            }
        }
        const QString heading = date + ", A-weighted (partial day: left out of the summary)";
        EXPECT_EQ(text.contains(heading), !day["inSummary"].toBool()) << heading.toStdString();
    }
    const QString partialRow =
        QStringLiteral("2026-12-03 A - - - %1 0.0 % *").arg(oneDecimalOf(m["days"].toArray()[2].toObject()["lnight"]));
    EXPECT_TRUE(first.contains(partialRow)) << partialRow.toStdString() << '\n' << first.toStdString();

    // Each night: its figures, named by its two dates; the partial one marked.
    for (const QJsonValue& v : m["nights"].toArray()) {
        const QJsonObject night = v.toObject();
        const QString row = QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(oneDecimalOf(night["lnight"]),
                                     oneDecimalOf(night["coverage"]) + " %" + (night["inSummary"].toBool() ? "" : " *"),
                                     oneDecimalOf(night["lmax"]))
                                .arg(night["events"].toInt())
                                .arg(night["eventsAboveLmax"].toInt());
        EXPECT_TRUE(text.contains(row)) << row.toStdString();
    }
    EXPECT_TRUE(text.contains(QString::fromUtf8("Night 1–2 Dec 2026, A-weighted")));
    EXPECT_TRUE(
        text.contains(QString::fromUtf8("Night 2–3 Dec 2026, A-weighted (partial night: left out of the summary)")));

    // Each event, its times zero-padded, the date once in its day's table.
    for (const QJsonValue& v : m["events"].toArray()) {
        const QJsonObject e = v.toObject();
        const QString start = iso(e["start"].toString());
        const QString row =
            QStringLiteral("%1 %2 0:01:00 %3 %4 %5 %6")
                .arg(start.mid(11), iso(e["end"].toString()).mid(11), oneDecimalOf(e["lmax"]),
                     iso(e["lmaxAt"].toString()).mid(11), oneDecimalOf(e["leq"]), oneDecimalOf(e["sel"]));
        EXPECT_TRUE(text.contains(row)) << row.toStdString();
        EXPECT_TRUE(text.contains("Events at or above 70.0 dB starting on " + start.left(10)));
    }
    // No row time without its zeros.
    EXPECT_FALSE(text.contains(QRegularExpression(" \\d:\\d\\d?:\\d\\b")));

    // Each day's section names its own file only.
    EXPECT_TRUE(text.contains("2026-12-02, A-weighted Files d2.qrv Periods")) << text.toStdString();

    // The first page for a person to look at.
    if (!QStandardPaths::findExecutable("pdftoppm").isEmpty()) {
        const QString shots = QStringLiteral(SONAVISTOR_BINARY_DIR "/screenshots");
        QDir().mkpath(shots);
        QProcess::execute("pdftoppm", {"-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile", pdf,
                                       shots + "/noise_report_first_page"});
        EXPECT_TRUE(QFile::exists(shots + "/noise_report_first_page.png"));
    }
}
