#include "widgets/alarm_player.h"
#include "widgets/wave_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

// Until the player has read its sound: a load still running when the test
// ends leaves the sound library's loader behind.
void waitForLoad(const AlarmPlayer& player)
{
    QDeadlineTimer deadline(5000);
    while (player.loading() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char* id, const QByteArray& body)
{
    return QByteArray(id, 4) + le32(static_cast<quint32>(body.size())) + body;
}

QByteArray format(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    QByteArray f(16, '\0');
    qToLittleEndian(tag, f.data());
    qToLittleEndian(channels, f.data() + 2);
    qToLittleEndian(rate, f.data() + 4);
    qToLittleEndian(rate * channels * bits / 8, f.data() + 8);
    qToLittleEndian(static_cast<quint16>(channels * bits / 8), f.data() + 12);
    qToLittleEndian(bits, f.data() + 14);
    return f;
}

QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + le32(static_cast<quint32>(chunks.size() + 4)) + "WAVE" + chunks;
}

const QByteArray kPcm = format(1, 1, 8000, 16);
const QByteArray kSamples(400, '\x10');

std::optional<QString> problem(const QByteArray& file)
{
    return waveProblem(file, file.size());
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(WaveFile, CompleteFilesPass)
{
    EXPECT_FALSE(problem(riff(chunk("fmt ", kPcm) + chunk("data", kSamples))));
    // Other chunks (odd-sized ones padded) may come between.
    EXPECT_FALSE(problem(riff(chunk("fmt ", kPcm) + chunk("LIST", "abc") + '\0' + chunk("data", kSamples))));
    EXPECT_FALSE(problem(riff(chunk("fmt ", format(3, 2, 44100, 32)) + chunk("data", kSamples))));
    EXPECT_FALSE(waveFileProblem(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/highalarm.wav")));
    EXPECT_FALSE(waveFileProblem(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/lowalarm.wav")));
}

// Each of these made the sound player wait for ever, or is something it cannot play.
TEST(WaveFile, IncompleteOrForeignFilesAreRefused)
{
    const QByteArray good = riff(chunk("fmt ", kPcm) + chunk("data", kSamples));
    EXPECT_TRUE(problem(QByteArray()));
    EXPECT_TRUE(problem("this is not a sound"));
    EXPECT_TRUE(problem(good.first(30)));                   // cut inside the format
    EXPECT_TRUE(problem(good.first(good.size() - 1)));      // data shorter than it says
    EXPECT_TRUE(problem(riff(chunk("fmt ", kPcm))));        // no data at all
    EXPECT_TRUE(problem(riff(chunk("data", kSamples) + chunk("fmt ", kPcm))));
    EXPECT_TRUE(problem(riff(chunk("fmt ", format(85, 1, 8000, 16)) + chunk("data", kSamples))));  // MP3
    EXPECT_TRUE(problem(riff(chunk("fmt ", format(1, 0, 8000, 16)) + chunk("data", kSamples))));
    EXPECT_TRUE(problem(riff(chunk("fmt ", kPcm) + chunk("data", ""))));
    // A chunk whose size runs past the end is not followed into nowhere.
    EXPECT_TRUE(problem(riff(chunk("fmt ", kPcm) + "LIST" + le32(0xFFFFFFF0u) + kSamples)));
    EXPECT_TRUE(waveFileProblem("/nonexistent/highalarm.wav"));
}

// Missing and broken sound files: nothing plays, nothing hangs, and the player
// is not left thinking a sound still plays (which would silence every later
// alarm).
TEST(AlarmPlayer, BadSoundFilesAreSilentAndDoNotBlockLaterAlarms)
{
    QTemporaryDir folder;
    AlarmPlayer player(folder.path());
    player.play("highalarm.wav");
    EXPECT_FALSE(player.playing());

    const QByteArray good = riff(chunk("fmt ", kPcm) + chunk("data", kSamples));
    write(folder.filePath("lowalarm.wav"), good.first(good.size() - 100));
    // The files are judged before anything loads: nothing is left to wait for.
    player.play("lowalarm.wav");
    EXPECT_FALSE(player.playing());
    write(folder.filePath("empty.wav"), QByteArray());
    player.play("empty.wav");
    EXPECT_FALSE(player.playing());

    // A real sound after all that is taken (whether this machine has a sound
    // device is another matter; it must at least not hang).
    ASSERT_TRUE(QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/highalarm.wav"),
                            folder.filePath("highalarm.wav")));
    player.play("highalarm.wav");
    waitForLoad(player);
    player.play("lowalarm.wav");
    waitForLoad(player);
}
