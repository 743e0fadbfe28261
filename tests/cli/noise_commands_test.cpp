// info --periods --events and the noise report, run as a person runs them.
#include "analysis/saved_file.h"
#include "tests/support/pdf_text.h"
#include "tests/cli/cli_run.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

QString oneDecimalOf(const QJsonValue& v)
{
    return QString::number(v.toDouble(), 'f', 1);
}

// Whether the text holds the number as a number of its own: "1.0" is not
// found in "41.0" nor in "1.05".
bool hasNumber(const QString& text, const QString& number)
{
    return text.contains(QRegularExpression("(?<![\\d.])" + QRegularExpression::escape(number) + "(?![\\d])"));
}

// The report prints dates and times in ISO 8601: "2026/12/1" -> "2026-12-01", "2026/12/1 8:5:0" -> "08:05:00".
QString isoDate(const QString& date)
{
    return QDate::fromString(date, "yyyy/M/d").toString(Qt::ISODate);
}

QString isoTime(const QString& dateTime)
{
    return QTime::fromString(dateTime.section(' ', 1), "H:m:s").toString(Qt::ISODate);
}

// A day's section starts on the first page with its title (after the pages of the whole measurement).
int firstPageWith(const QStringList& pages, const QString& title)
{
    for (int p = 0; p < pages.size(); ++p) {
        if (pages[p].contains(title))
            return p;
    }
    return -1;
}

class NoiseCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Day 1: quiet readings in each period and a loud stretch at noon, A and C; day 2: a short morning.
        std::vector<ReadingRow> day1;
        const auto add = [](std::vector<ReadingRow>& rows, const char* date, int h, int m, int s, double level,
                            const char* weighting = "A") {
            rows.push_back({date, QStringLiteral("%1:%2:%3").arg(h).arg(m).arg(s), QString::number(level, 'f', 1),
                            weighting, static_cast<qint32>(rows.size())});
        };
        for (int s = 0; s < 30; ++s)
            add(day1, "2026/12/1", 3, 0, s, 41.0 + s % 3);
        for (int s = 0; s < 40; ++s)
            add(day1, "2026/12/1", 12, 0, s, s >= 10 && s < 20 ? 78.4 + s % 4 : 55.2);
        for (int s = 0; s < 20; ++s)
            add(day1, "2026/12/1", 20, 30, s, 50.3, s % 2 ? "C" : "A");
        std::vector<ReadingRow> day2;
        for (int s = 0; s < 10; ++s)
            add(day2, "2026/12/2", 8, 15, s, 64.7 + s);
        writeSavedFile(dir.filePath("day1.qrv"), day1);
        writeSavedFile(dir.filePath("day2.qrv"), day2);
        files = {dir.filePath("day1.qrv"), dir.filePath("day2.qrv")};
    }

    QTemporaryDir dir;
    QStringList files;
};

}  // namespace

TEST_F(NoiseCommands, InfoGivesDaysAndEventsOfTheFilesTogether)
{
    CliRun r = cli(QStringList{"info", "--json", "--periods", "--events"} + files);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);  // each file, then the measurement
    const QJsonObject m = QJsonDocument::fromJson(lines[2].toUtf8()).object();
    const QJsonArray days = m["days"].toArray();
    ASSERT_EQ(days.size(), 3);  // 12/1 A, 12/1 C, 12/2 A
    const QJsonObject first = days[0].toObject();
    EXPECT_EQ(first["date"].toString(), "2026/12/1");
    EXPECT_EQ(first["weighting"].toString(), "A");
    EXPECT_EQ(first["hours"].toArray().size(), 24);
    EXPECT_TRUE(first["hours"].toArray()[5].toObject()["leq"].isNull());
    EXPECT_EQ(first["events"].toInt(), 1);
    EXPECT_EQ(days[1].toObject()["weighting"].toString(), "C");
    EXPECT_TRUE(days[2].toObject()["lden"].isNull());  // no evening or night on the 2nd
    const QJsonArray events = m["events"].toArray();
    ASSERT_EQ(events.size(), 2);  // noon on the 1st; on the 2nd 64.7 dB and up reaches 70 at 8:15:6
    EXPECT_EQ(events[0].toObject()["start"].toString(), "2026/12/1 12:0:10");
    EXPECT_EQ(events[0].toObject()["duration"].toDouble(), 10);
    EXPECT_EQ(events[1].toObject()["start"].toString(), "2026/12/2 8:15:6");

    r = cli(QStringList{"info", "--periods", "--events", "--period-hours", "6,18,22", "--threshold", "60"} + files);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("periods:   day 6-18 h, evening 18-22 h, night 22-6 h")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("events at or above 60.0 dB (gap 5 s, at least 3 s): 2"));

    // Without the new options the output stays as it was: one line per file.
    r = cli(QStringList{"info", "--json"} + files);
    EXPECT_EQ(r.out.trimmed().split('\n').size(), 2);
}

TEST_F(NoiseCommands, BadOptionsAreUsageErrors)
{
    for (const QStringList& bad : {QStringList{"--period-hours", "19,7,23"}, QStringList{"--period-hours", "7,19"},
                                   QStringList{"--threshold", "200.5"}, QStringList{"--threshold=-1"},
                                   QStringList{"--event-gap", "-1"}, QStringList{"--event-min", "x"}}) {
        for (const QString command : {"info", "report"}) {
            QStringList args{command};
            if (command == "report")
                args << "-o" << dir.filePath("r.pdf");
            const CliRun r = cli(args + bad + files);
            EXPECT_EQ(r.status, 2) << command.toStdString() << ' ' << bad.join(' ').toStdString();
            EXPECT_TRUE(r.err.startsWith(command + ": " + bad[0].section('=', 0, 0))) << r.err.toStdString();
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("r.pdf")));
}

TEST_F(NoiseCommands, ReportHoldsEveryFigureInfoGives)
{
    if (!test::pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    const CliRun info = cli(QStringList{"info", "--json", "--periods", "--events"} + files);
    ASSERT_EQ(info.status, 0);
    const QJsonObject m = QJsonDocument::fromJson(info.out.trimmed().split('\n').last().toUtf8()).object();
    const QString pdf = dir.filePath("report.pdf");
    const CliRun r = cli(QStringList{"report", "-o", pdf, "--company", "Harbour Acoustics"} + files);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList pages = test::pdfText(pdf).split('\f');

    // Each day and weighting has two pages: figures and charts, then hours and events.
    const QJsonArray days = m["days"].toArray();
    for (int d = 0; d < days.size(); ++d) {
        const QJsonObject day = days[d].toObject();
        const QString title = isoDate(day["date"].toString()) + ", " + day["weighting"].toString() + "-weighted";
        const QString text = pages.value(firstPageWith(pages, title)) + pages.value(firstPageWith(pages, title) + 1);
        EXPECT_TRUE(text.contains(title)) << title.toStdString();
        EXPECT_TRUE(text.contains("Harbour Acoustics"));
        for (const char* key : {"lden", "ldn", "lday", "levening", "lnight"}) {
            if (!day[key].isNull()) {
                EXPECT_TRUE(hasNumber(text, oneDecimalOf(day[key]))) << title.toStdString() << ' ' << key;
            }
        }
        for (const QJsonValue& v : day["coverage"].toObject())
            EXPECT_TRUE(hasNumber(text, oneDecimalOf(v) + " %")) << title.toStdString();
        const QJsonArray hours = day["hours"].toArray();
        for (int h = 0; h < hours.size(); ++h) {
            for (const QJsonValue& v : hours[h].toObject()) {
                if (!v.isNull()) {
                    EXPECT_TRUE(hasNumber(text, oneDecimalOf(v))) << title.toStdString() << " hour " << h;
                }
            }
        }
    }
    for (const QJsonValue& e : m["events"].toArray()) {
        const QJsonObject event = e.toObject();
        for (const char* key : {"start", "end", "lmaxAt"})
            EXPECT_TRUE(pages.join("").contains(isoTime(event[key].toString()))) << key;
        for (const char* key : {"lmax", "leq", "sel"})
            EXPECT_TRUE(hasNumber(pages.join("\n"), oneDecimalOf(event[key]))) << key;
    }

    // The file is there whole or not at all: a second run without --force leaves it alone.
    EXPECT_EQ(cli(QStringList{"report", "-o", pdf} + files).status, 1);
}
