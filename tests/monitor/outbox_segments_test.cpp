// The outbox over a long backlog: files as a killed logger leaves them, an
// acknowledgement that never rewrites the backlog, a bounded window in
// memory, and damaged lines set aside with where they were.
#include "logging/log_journal.h"
#include "monitor/outbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace sonavistor;

namespace {

// An entry as the format gives it: the body, a blank, its CRC-32 in eight hex digits.
QByteArray line(const QByteArray& body)
{
    return body + ' ' + QByteArray::number(crc32(body), 16).rightJustified(8, '0') + '\n';
}

QByteArray interval(qint64 id)
{
    // One interval a minute from 2026-12-10 00:00: message id's start.
    const qint64 minute = id - 1;
    return QStringLiteral("{\"start\":\"2026-12-%1T%2:%3:00+01:00\",\"weighting\":\"A\",\"leq\":50}")
        .arg(10 + minute / 1440)
        .arg(minute / 60 % 24, 2, 10, QLatin1Char('0'))
        .arg(minute % 60, 2, 10, QLatin1Char('0'))
        .toUtf8();
}

QByteArray message(qint64 id)
{
    return line("M " + QByteArray::number(id) + " home/noise/sim/interval " + interval(id));
}

void writeRaw(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
    f.write(text);
}

ino_t inodeOf(const QString& path)
{
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : 0;
}

}  // namespace

TEST(OutboxBacklog, ALongBacklogLeftByAKillDrainsInOrderThroughABoundedWindowWithoutRewritingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOutboxFileName);
    const qint64 part = Outbox::kPartMessages;
    const qint64 total = 2 * part + 808;
    // As a killed logger leaves them: two full parts, the file being added
    // to, acknowledgements of 1 and 3, and a last line cut off.
    QByteArray first, second, rest;
    for (qint64 id = 1; id <= total; ++id)
        (id <= part ? first : id <= 2 * part ? second : rest) += message(id);
    writeRaw(path + "." + QByteArray::number(1), first);
    writeRaw(path + "." + QByteArray::number(part + 1), second);
    writeRaw(path, rest + message(total + 1).left(90));
    writeRaw(path + ".acked", line("A 1") + line("A 3"));
    const ino_t secondInode = inodeOf(path + "." + QString::number(part + 1));
    const qint64 secondSize = QFileInfo(path + "." + QString::number(part + 1)).size();

    Outbox box(path, 1'000'000);
    box.open();
    EXPECT_EQ(box.waitingCount(), total - 2);
    const QString said = box.takeMessages().join('\n');
    EXPECT_TRUE(said.contains(QString("%1 interval messages from an earlier run").arg(total - 2))) << said.toStdString();
    // The torn line: minute total of 2026-12-10... is message total+1's start.
    EXPECT_TRUE(said.contains(QString("line %1 was cut off by the end of the last run: the interval from 2026-12-16T06:00:00+01:00 (A-weighted) is lost").arg(809)))
        << said.toStdString();

    // Acknowledged in order, as a broker does; every message once, in order.
    qint64 expected = 2;
    size_t largestWindow = 0;
    while (!box.waiting().empty()) {
        largestWindow = std::max(largestWindow, box.waiting().size());
        const qint64 id = box.waiting().front().id;
        ASSERT_EQ(id, expected) << "out of order or lost";
        EXPECT_EQ(box.waiting().front().payload, interval(id));
        expected = id == 2 ? 4 : id + 1;
        if (id < 2 * part) {
            // The second part is never touched until it goes whole.
            ASSERT_EQ(inodeOf(path + "." + QString::number(part + 1)), secondInode);
            ASSERT_EQ(QFileInfo(path + "." + QString::number(part + 1)).size(), secondSize);
        }
        box.acknowledge(id);
        if (id == part + 1) {
            EXPECT_FALSE(QFile::exists(path + ".1")) << "a part whose messages are all acknowledged goes whole";
        }
        if (id == 2 * part + 1) {
            EXPECT_FALSE(QFile::exists(path + "." + QString::number(part + 1))) << "the second part too";
        }
    }
    EXPECT_EQ(expected, total + 1);
    EXPECT_LE(largestWindow, static_cast<size_t>(Outbox::kWindow + 1));
    EXPECT_EQ(box.waitingCount(), 0);
    EXPECT_EQ(QFileInfo(path).size(), 0);
    // Ids go on from the files', so an acknowledgement left behind never meets a new message.
    EXPECT_EQ(box.add("t", "{}"), total + 1);
}

TEST(OutboxBacklog, AStopInTheMiddleOfADrainGoesOnWhereTheAcknowledgementsEnded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOutboxFileName);
    QByteArray text;
    for (qint64 id = 1; id <= 5000; ++id)
        text += message(id);
    writeRaw(path, text);
    {
        Outbox box(path, 1'000'000);
        box.open();
        // Acknowledgements come out of order within what is in flight.
        for (qint64 id = 1; id <= 3000; ++id)
            box.acknowledge(id == 2999 ? 3000 : id == 3000 ? 2999 : id);
        box.acknowledge(3005);
    }  // as a kill leaves it: nothing is written at the end
    Outbox again(path, 1'000'000);
    again.open();
    EXPECT_EQ(again.waitingCount(), 5000 - 3001);
    ASSERT_FALSE(again.waiting().empty());
    EXPECT_EQ(again.waiting().front().id, 3001);
    EXPECT_EQ(again.waiting()[3].id, 3004);
    EXPECT_EQ(again.waiting()[4].id, 3006);
}

TEST(OutboxBacklog, DamagedLinesAreSetAsideWithTheirLineAndTheIntervalTheyLose)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOutboxFileName);
    QByteArray damaged = message(2);
    damaged[damaged.size() - 3] = damaged[damaged.size() - 3] == '0' ? '1' : '0';  // a check digit
    QByteArray runTogether = message(3) + message(4);
    runTogether[message(3).size() - 1] = '#';  // a line end damaged into another byte
    QByteArray bothBad = message(5) + message(6);
    bothBad[bothBad.size() - 2] = 'x';
    bothBad[message(5).size() - 1] = '#';
    bothBad[message(5).size() - 3] = bothBad[message(5).size() - 3] == '0' ? '1' : '0';
    writeRaw(path, message(1) + damaged + runTogether + bothBad + message(7));

    Outbox box(path, 100);
    box.open();
    std::vector<qint64> ids;
    for (const OutboxMessage& m : box.waiting())
        ids.push_back(m.id);
    EXPECT_EQ(ids, (std::vector<qint64>{1, 3, 4, 7}));
    const QStringList said = box.takeMessages();
    const QString all = said.join('\n');
    EXPECT_TRUE(all.contains("line 2 is damaged: the interval from 2026-12-10T00:01:00+01:00 (A-weighted) is lost"))
        << all.toStdString();
    EXPECT_TRUE(all.contains("line 3 holds two entries run together (a damaged line end): the interval from "
                             "2026-12-10T00:02:00+01:00 (A-weighted) is kept; the interval from 2026-12-10T00:03:00+01:00 "
                             "(A-weighted) is kept"))
        << all.toStdString();
    // Neither half checks: both intervals are named.
    EXPECT_TRUE(all.contains("line 4 holds two entries run together (a damaged line end): the interval from "
                             "2026-12-10T00:04:00+01:00 (A-weighted) is lost; the interval from 2026-12-10T00:05:00+01:00 "
                             "(A-weighted) is lost"))
        << all.toStdString();
    EXPECT_TRUE(all.contains("3 damaged or torn lines"));

    QFile aside(path + ".damaged");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    const QList<QByteArray> kept = aside.readAll().split('\n');
    ASSERT_GE(kept.size(), 3);
    EXPECT_EQ(kept[0], QByteArray(kOutboxFileName) + " line 2: " + damaged.chopped(1));
    EXPECT_TRUE(kept[1].startsWith(QByteArray(kOutboxFileName) + " line 3: M 3 "));

    // The next start does not say them again.
    Outbox next(path, 100);
    next.open();
    EXPECT_FALSE(next.takeMessages().join('\n').contains("damaged"));
}
