// The meter commands of sonavistor-cli against the simulated meter.
#include "analysis/saved_file.h"
#include "logging/log_journal.h"
#include "sim/memory_generator.h"
#include "tests/support/event_wait.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

struct CliRun {
    int status;
    QString out;
    QString err;
};

QByteArray sameStamp(const QString& when, int records, int level = 650)
{
    const QByteArray record = makeRecord(QDateTime::fromString(when, Qt::ISODate), std::vector<int>(60, level));
    QByteArray memory;
    for (int i = 0; i < records; ++i)
        memory += record;
    return memory;
}

class MeterCommands : public ::testing::Test {
protected:
    QString scenario(const QByteArray& memory, const QByteArray& extra = "")
    {
        QFile bin(dir.filePath("memory.bin"));
        bin.open(QIODevice::WriteOnly);
        bin.write(memory);
        bin.close();
        QFile json(dir.filePath("scenario.json"));
        json.open(QIODevice::WriteOnly);
        json.write("{\"memory\": \"memory.bin\"" + extra + "}");
        json.close();
        return "sim:" + json.fileName();
    }
    CliRun cli(const QStringList& args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        if (silenceMs > 0)
            env.insert("SONAVISTOR_TEST_SILENCE_MS", QString::number(silenceMs));
        p.setProcessEnvironment(env);
        p.start(CLI_PATH, args);
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    // The saved file of these records (at most 720): a reading every 2 s from
    // each record's stamp, levels in tenths of a dB up to 200.0, weighting A,
    // fields padded to 10, 8 and 6 characters.
    static QByteArray expectedSavedFile(const QByteArray& dayRecords)
    {
        const auto bcd = [](quint8 b) { return (b >> 4) * 10 + (b & 15); };
        const int records = std::min<int>(static_cast<int>(dayRecords.size() / 128), 720);
        QByteArray lines;
        for (int r = 0; r < records; ++r) {
            const auto* rec = reinterpret_cast<const quint8*>(dayRecords.constData()) + 128 * r;
            QDateTime t(QDate(2000 + bcd(rec[2]), bcd(rec[3]), bcd(rec[4])),
                        QTime(bcd(rec[5]), bcd(rec[6]), bcd(rec[7])), Qt::UTC);
            for (int k = 0; k < 60; ++k, t = t.addSecs(2)) {
                const int raw = std::min(rec[8 + 2 * k] + 256 * rec[9 + 2 * k], 2000);
                lines += t.toString("yyyy/M/d").leftJustified(10).toLatin1() + ',' +
                         t.toString("H:m:s").leftJustified(8).toLatin1() + ',' +
                         QString("%1.%2").arg(raw / 10).arg(raw % 10).leftJustified(6).toLatin1() + ",A\r\n";
            }
        }
        return "@Sonavistor File\r\nTotal:" + QByteArray::number(records * 60) + "\r\n" + lines;
    }
    QByteArray read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    // The wait for a quiet meter the tool is given; 0 keeps its own 2 s.
    int silenceMs = 0;
};

}  // namespace

TEST_F(MeterCommands, DaysListsEveryDayInIndexOrder)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 3) + sameStamp("2024-05-18T08:00:00", 2) +
                                   sameStamp("2024-05-17T20:00:00", 1));
    CliRun r = cli({"days", "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2024/05/17\t1\t3\n2024/05/18\t4\t2\n2024/05/17\t6\t1\n");
    r = cli({"days", "--json", "--meter", meter});
    const QJsonArray days = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(days.size(), 3);
    EXPECT_EQ(days[1].toObject()["date"].toString(), "2024/05/18");
    EXPECT_EQ(days[1].toObject()["first"].toInt(), 4);
    EXPECT_EQ(days[1].toObject()["records"].toInt(), 2);
}

TEST_F(MeterCommands, MoreThan255DaysAreAllListed)
{
    QByteArray memory;
    for (int d = 0; d < 260; ++d)
        memory += sameStamp(QDate(2023, 1, 1).addDays(d).toString(Qt::ISODate) + "T08:00:00", 1);
    const CliRun r = cli({"days", "--meter", scenario(memory)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 260);
}

TEST_F(MeterCommands, ImportWritesWhatTheImportPathWrites)
{
    const QByteArray first = generateMemory({{QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), 3}});
    const QByteArray second = generateMemory({{QDateTime::fromString("2024-05-18T09:00:00", Qt::ISODate), 4}});
    const QString meter = scenario(first + second);
    const QString out = dir.filePath("day.qrv");
    CliRun r = cli({"import", "2024/05/18", "-o", out, "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(out), expectedSavedFile(second));
    // By line number too; an existing file only with --force.
    r = cli({"import", "1", "-o", out, "--meter", meter});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("--force"));
    r = cli({"import", "1", "-o", out, "--force", "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(out), expectedSavedFile(first));
    EXPECT_EQ(cli({"import", "9", "-o", dir.filePath("x.qrv"), "--meter", meter}).status, 1);
}

TEST_F(MeterCommands, ADayOfMoreThan720RecordsGivesItsFirst43200Rows)
{
    const QString meter = scenario(sameStamp("2024-05-17T00:00:00", 730));
    const QString out = dir.filePath("long.qrv");
    const CliRun r = cli({"import", "1", "-o", out, "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray text = read(out);
    EXPECT_TRUE(text.startsWith("@Sonavistor File\r\nTotal:43200\r\n"));
    EXPECT_EQ(text.count("\r\n"), 43202);
}

TEST_F(MeterCommands, ABadRecordHeaderFailsAfterFourAttempts)
{
    // A record whose year byte is 0: its own date entry, and a bad header.
    QByteArray bad = sameStamp("2024-05-17T08:00:00", 1);
    bad[2] = 0;
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 2) + bad);
    const QString out = dir.filePath("bad.qrv");
    const CliRun r = cli({"import", "2", "-o", out, "--meter", meter});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Import Failed! try again")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(MeterCommands, FailuresAreClearAndLeaveNoFile)
{
    const QByteArray memory = sameStamp("2024-05-17T08:00:00", 40);
    CliRun r = cli({"days", "--meter", scenario(memory, ", \"countMark\": 0")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("count mark")) << r.err.toStdString();

    const QString out = dir.filePath("gone.qrv");
    r = cli({"import", "1", "-o", out, "--meter", scenario(memory, ", \"unplugAfterReports\": 80")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("disconnected while reading the day's records")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    r = cli({"days", "--meter", scenario(memory, ", \"unplugAfterReports\": 10")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("while reading the date list")) << r.err.toStdString();

    // A scenario the tool cannot use is a failure of its input, not of the command line.
    r = cli({"days", "--meter", scenario(memory, ", \"colour\": 1")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("\"colour\""));
    const QString noMemory = scenario(memory);
    QFile::remove(dir.filePath("memory.bin"));
    r = cli({"days", "--meter", noMemory});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("memory.bin")) << r.err.toStdString();
    QFile::link("/dev/zero", dir.filePath("zero.bin"));
    QFile json(dir.filePath("zero.json"));
    json.open(QIODevice::WriteOnly);
    json.write("{\"memory\": \"zero.bin\"}");
    json.close();
    r = cli({"days", "--meter", "sim:" + json.fileName()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("larger than the meter's memory")) << r.err.toStdString();

    r = cli({"days", "--meter", "usb"});  // no meter on these machines
    if (r.status == 0)
        GTEST_SKIP() << "a meter is attached to this machine";
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("no meter connected"));
}

TEST_F(MeterCommands, LiveLinesAndTheClock)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1),
                                   ", \"live\": [[853, 64], [1500, 56], [300, 5]]");
    CliRun r = cli({"live", "-n", "3", "--interval", "0.05", "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("\t85.3\tA\tFAST\t30-130\t-")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("\t140.0\tC\tSLOW\t30-130\tMAX,MIN")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("\t30.0\tA\tSLOW\t-\t-")) << lines[2].toStdString();

    r = cli({"set-clock", "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("(sent ")) << r.out.toStdString();
}

TEST_F(MeterCommands, RefusesWhileTheProgramRuns)
{
    QProcess holder;
    holder.start(INSTANCE_LOCK_PROBE, {"hold", dir.path(), "sonavistor"});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    const CliRun r = cli({"days", "--meter", scenario(sameStamp("2024-05-17T08:00:00", 1))});
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Sonavistor is running")) << r.err.toStdString();
}

TEST_F(MeterCommands, CtrlCEndsLiveCleanly)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"live", "--interval", "0.05", "--meter", meter});
    ASSERT_TRUE(p.waitForReadyRead(10000));
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

TEST_F(MeterCommands, LiveSaysOnceThatTheMeterDoesNotAnswerAndKeepsAsking)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1), ", \"silentAfterReports\": 1");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    env.insert("SONAVISTOR_TEST_SILENCE_MS", "300");
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"live", "--interval", "0.05", "--meter", meter});
    QByteArray err;
    ASSERT_TRUE(waitUntilTrue([&] {
        err += p.readAllStandardError();
        return err.contains("did not answer");
    }, 20000));
    EXPECT_FALSE(p.waitForFinished(1500));  // further requests have gone unanswered meanwhile
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    err += p.readAllStandardError();
    EXPECT_EQ(err.count("the meter did not answer while reading live levels"), 1) << err.toStdString();
    EXPECT_EQ(p.readAllStandardOutput().count('\n'), 1);
}

TEST_F(MeterCommands, DevicesListsTheMeterAndWatchesWithoutOne)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1));
    CliRun r = cli({"devices", "--meter", meter});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "/dev/fake-hidraw0\t0483:5750\tin 65 out 65\tmeter\n");
    r = cli({"devices", "--json", "--meter", meter});
    const QJsonArray list = QJsonDocument::fromJson(r.out.toUtf8()).array();
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].toObject()["meter"].toBool());
    EXPECT_EQ(list[0].toObject()["product"].toString(), "5750");
    // Watching ends on time; a bad duration is bad usage.
    r = cli({"devices", "--watch", "0.2", "--meter", meter});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(cli({"devices", "--watch", "soon", "--meter", meter}).status, 2);
}

TEST_F(MeterCommands, NoStaleBytesAndNoEndlessWait)
{
    // The day list leaves dates in the memory image; a transfer cut short by
    // an early FF FF must not decode them as readings.
    QByteArray memory = sameStamp("2024-05-17T08:00:00", 10);
    memory[0] = memory[1] = '\xff';
    const QString out = dir.filePath("day.qrv");
    CliRun r = cli({"import", "1", "-o", out, "--meter", scenario(memory)});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Import Failed! try again")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));

    // A level of 6553.5 dB starts a record's second half with FF FF: every
    // reading of the day still comes, none invented.
    std::vector<int> levels(60, 650);
    levels[28] = 0xFFFF;
    memory = makeRecord(QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), levels).repeated(10);
    r = cli({"import", "1", "-o", out, "--meter", scenario(memory)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(out), expectedSavedFile(memory));

    // A meter that goes quiet halfway ends the read with a clear error.
    silenceMs = 300;
    r = cli({"import", "1", "-o", dir.filePath("quiet.qrv"), "--force", "--meter",
             scenario(memory, ", \"silentAfterReports\": 73")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("the meter stopped answering while reading the day's records (")) << r.err.toStdString();
    r = cli({"days", "--meter", scenario(sameStamp("2024-05-17T08:00:00", 2000), ", \"silentAfterReports\": 30")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("the meter stopped answering while reading the date list (29 of 128 reports)"))
        << r.err.toStdString();

    // A meter that never answers at all: each command ends and says so.
    const QString silent = scenario(memory, ", \"silentAfterReports\": 0");
    for (const QStringList& args : {QStringList{"days"}, QStringList{"import", "1", "-o", dir.filePath("none.qrv")}}) {
        silenceMs = args[0] == "days" ? 0 : 300;  // the tool's own limit once
        QElapsedTimer clock;
        clock.start();
        r = cli(args + QStringList{"--meter", silent});
        EXPECT_EQ(r.status, 1) << args[0].toStdString();
        EXPECT_LT(clock.elapsed(), 5000) << args[0].toStdString();
        EXPECT_TRUE(r.err.contains("the meter did not answer while asking for the record count")) << r.err.toStdString();
    }
}

// ---------------------------------------------------------------- log and dump

namespace {

int readingsIn(const QString& folder)
{
    int rows = 0;
    for (const QString& name : QDir(folder).entryList({"*.qrv"})) {
        SavedFileReader reader(QDir(folder).filePath(name));
        SavedReading reading;
        while (reader.next(reading))
            ++rows;
        EXPECT_EQ(reader.announced(), rows) << name.toStdString();  // one file a day here, two at midnight
    }
    return rows;
}

}  // namespace

TEST_F(MeterCommands, ALoggerKilledIsCompletedByTheNextStartAndSigtermEndsItCleanly)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1), ", \"live\": [[853, 64], [700, 80]]");
    const QString logs = dir.filePath("logs");
    const QString journal = logs + "/sonavistor-log.journal";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"log", "--dir", logs, "--interval", "0.02", "--meter", meter});
    ASSERT_TRUE(waitUntilTrue([&] { return QFileInfo(journal).size() > 20 * 51; }, 20000));
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished();
    // Nothing reached a day file yet; the journal holds every reading.
    EXPECT_TRUE(QDir(logs).entryList({"*.qrv"}).isEmpty());
    int journaled = 0;
    for (const JournalEntry& e : readJournal(journal).entries)
        journaled += e.kind == JournalEntry::Kind::Reading;

    // While it logs, other meter commands and a second logger keep off the meter.
    p.setReadChannel(QProcess::StandardError);  // where it says what it does
    p.start(CLI_PATH, {"log", "--dir", logs, "--interval", "0.02", "--meter", meter});
    ASSERT_TRUE(p.waitForReadyRead(10000));
    EXPECT_EQ(cli({"days", "--meter", meter}).err, "sonavistor-cli log is running and uses the meter; stop it first "
                                                   "(systemctl --user stop sonavistor-log)\n");
    EXPECT_EQ(cli({"log", "--dir", dir.filePath("other"), "--meter", meter}).status, 1);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("%1 reading(s) completed from the journal").arg(journaled))) << err.toStdString();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const int logged = out.section(' ', 1, 1).toInt();
    EXPECT_GT(logged, 0) << out.toStdString();
    EXPECT_EQ(readingsIn(logs), journaled + logged);
    EXPECT_FALSE(QFile::exists(journal));
}

TEST_F(MeterCommands, LogRefusesWhileTheProgramRunsAndBadUsage)
{
    const QString meter = scenario(sameStamp("2024-05-17T08:00:00", 1));
    QProcess holder;
    holder.start(INSTANCE_LOCK_PROBE, {"hold", dir.path(), "sonavistor"});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    const CliRun r = cli({"log", "--dir", dir.filePath("logs"), "--meter", meter});
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Sonavistor is running")) << r.err.toStdString();
    EXPECT_EQ(cli({"log", "--meter", meter}).status, 2);
    EXPECT_EQ(cli({"log", "--dir", dir.filePath("logs"), "--interval", "0", "--meter", meter}).status, 2);
}

TEST_F(MeterCommands, ADumpReplaysByteIdenticallyAndAVanishingMeterLeavesNoScenario)
{
    // Three days, the middle one longer than one read of 720 records.
    const QByteArray memory = generateMemory({{QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), 3}}) +
                              sameStamp("2024-05-18T08:00:00", 730) +
                              generateMemory({{QDateTime::fromString("2024-05-19T09:00:00", Qt::ISODate), 4}});
    const QString original = scenario(memory);
    const QString dump = dir.filePath("dump/meter.json");
    QDir().mkpath(dir.filePath("dump"));
    CliRun r = cli({"dump", "-o", dump, "--meter", original});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(dir.filePath("dump/meter.memory.bin")), memory);
    const QString replay = "sim:" + dump;
    EXPECT_EQ(cli({"days", "--meter", replay}).out, cli({"days", "--meter", original}).out);
    for (const char* day : {"1", "2", "3"}) {
        const QString a = dir.filePath(QStringLiteral("a%1.qrv").arg(day));
        const QString b = dir.filePath(QStringLiteral("b%1.qrv").arg(day));
        ASSERT_EQ(cli({"import", day, "-o", a, "--meter", original}).status, 0);
        ASSERT_EQ(cli({"import", day, "-o", b, "--meter", replay}).status, 0);
        EXPECT_EQ(read(a), read(b)) << day;
    }
    EXPECT_EQ(cli({"dump", "-o", dump, "--meter", original}).status, 1);  // only with --force

    // Gone after the date list and part of the records: no file at all.
    const QString gone = dir.filePath("gone.json");
    r = cli({"dump", "-o", gone, "--meter", scenario(memory, ", \"unplugAfterReports\": 1000")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("disconnected while reading records")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(gone));
    EXPECT_FALSE(QFile::exists(dir.filePath("gone.memory.bin")));
}
