// sonavistor-cli history as a person runs it, against info over the same files.
#include "tests/history/logged_days.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

struct CliRun {
    int status;
    QByteArray out;
    QByteArray err;
};

CliRun cli(const QStringList& args, const QString& cache)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", cache);
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

}  // namespace

TEST(HistoryCommand, AgreesWithInfoForEveryDayAndNamesBadFiles)
{
    QTemporaryDir folder;
    QTemporaryDir cache;
    QStringList files;
    for (int d = 1; d <= 2; ++d) {
        files << test::writeLoggedDay(folder.filePath(QStringLiteral("2026-12-0%1.qrv").arg(d)), {2026, 12, d},
                                      [d](int s) { return s % 30 ? -1 : 400 + (s * 7 + d * 13) % 400; });
    }
    QFile bad(folder.filePath("notes.qrv"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("shopping list\r\n");
    bad.close();

    const CliRun history = cli({"history", folder.path(), "--json"}, cache.path());
    ASSERT_EQ(history.status, 0) << history.err.toStdString();
    EXPECT_TRUE(history.err.contains("notes.qrv: not a saved measurement file")) << history.err.toStdString();
    const QList<QByteArray> days = history.out.trimmed().split('\n');
    ASSERT_EQ(days.size(), 2);
    for (int d = 0; d < 2; ++d) {
        const QJsonObject day = QJsonDocument::fromJson(days[d]).object();
        const CliRun info = cli({"info", "--json", "--interval", "1h", files[d]}, cache.path());
        const QJsonObject file = QJsonDocument::fromJson(info.out).object();
        EXPECT_EQ(day["date"].toString(), QStringLiteral("2026-12-0%1").arg(d + 1));
        EXPECT_EQ(day["leq"].toDouble(), file["A"].toObject()["leq"].toDouble());
        EXPECT_EQ(day["lmax"].toDouble(), file["A"].toObject()["lmax"].toDouble());
        EXPECT_NEAR(day["l90"].toDouble(), file["l90"].toDouble(), 1e-9);
        const QJsonArray intervals = file["intervals"].toArray();
        ASSERT_EQ(intervals.size(), 24);
        for (int h = 0; h < 24; ++h)
            EXPECT_EQ(day["hours"][h]["leq"].toDouble(), intervals[h]["leq"].toDouble()) << "hour " << h;
    }
    EXPECT_EQ(cli({"history", folder.path(), "--csv", "--from", "2026-12-02"}, cache.path()).out.count('\n'), 2);
    EXPECT_EQ(cli({"history", folder.path(), "--from", "2026-12-03", "--to", "2026-12-01"}, cache.path()).status, 2);
}
