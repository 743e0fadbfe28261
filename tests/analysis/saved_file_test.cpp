#include "analysis/saved_file.h"
#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

class SavedFile : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes, const QString& name = "m.qrv")
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return f.fileName();
    }
    QByteArray read(const QString& name = "m.qrv")
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Reads every reading; the error text when the read stops.
    QString readAll(const QString& path, std::vector<SavedReading>* out = nullptr)
    {
        try {
            SavedFileReader reader(path);
            if (!reader.isSavedFile())
                return "not a saved file";
            SavedReading r;
            while (reader.next(r))
                if (out)
                    out->push_back(r);
            return {};
        } catch (const Error& e) {
            return e.message();
        }
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(SavedFile, WritesMagicTotalAndFixedColumnsWithCrLf)
{
    const QString path = dir.filePath("m.qrv");
    writeSavedFile(path, {{"2024/5/17", "9:5:3", "65.3", "A", 0}, {"2024/12/31", "23:59:58", "102.4", "C", 1}});
    EXPECT_EQ(read(), "@Sonavistor File\r\nTotal:2\r\n"
                      "2024/5/17 ,9:5:3   ,65.3  ,A\r\n"
                      "2024/12/31,23:59:58,102.4 ,C\r\n");
    writeSavedFile(path, {});
    EXPECT_EQ(read(), "@Sonavistor File\r\nTotal:0\r\n");
}

TEST_F(SavedFile, ReadsBackWhatItWrote)
{
    const QString path = dir.filePath("m.qrv");
    writeSavedFile(path, {{"2024/5/17", "9:5:3", "65.3", "A", 0}, {"2024/5/17", "9:5:5", "70.0", "C", 1}});
    std::vector<SavedReading> readings;
    ASSERT_EQ(readAll(path, &readings), "");
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_DOUBLE_EQ(readings[0].level, 65.3);
    EXPECT_EQ(readings[0].weighting, 'A');
    EXPECT_EQ(readings[0].dateTime(), "2024/5/17 ,9:5:3   ,");
    EXPECT_DOUBLE_EQ(readings[1].level, 70.0);
    EXPECT_EQ(readings[1].weighting, 'C');
    SavedFileReader reader(path);
    EXPECT_EQ(reader.announced(), 2);
}

TEST_F(SavedFile, LevelsWithoutADecimalPointAreWhole)
{
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,70    ,C").level, 70.0);
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,70.0  ,C").level, 70.0);
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,123456,A").level, 123456.0);
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,  5.5 ,A").level, 5.5);
}

TEST_F(SavedFile, FirstLineMustBeTheMagicLineExactly)
{
    EXPECT_EQ(readAll(write("@sonavistor file\r\nTotal:0\r\n")), "not a saved file");
    EXPECT_EQ(readAll(write("@Sonavistor File \r\nTotal:0\r\n")), "not a saved file");
    EXPECT_EQ(readAll(write("")), "not a saved file");
    EXPECT_EQ(readAll(write("@Sonavistor File\nTotal:1\n2024/5/17 ,9:5:3   ,65.3  ,A\n")), "");  // LF alone
}

TEST_F(SavedFile, BadLinesStopTheReadQuotingTheText)
{
    const QByteArray head = "@Sonavistor File\r\nTotal:2\r\n";
    const QString noTotal = readAll(write("@Sonavistor File\r\nTotal:x3\r\n"));
    EXPECT_TRUE(noTotal.contains("'x3'")) << noTotal.toStdString();
    EXPECT_TRUE(noTotal.contains("line 2"));
    EXPECT_FALSE(readAll(write("@Sonavistor File\r\n")).isEmpty());  // Total line missing

    const QString blank = readAll(write(head + "2024/5/17 ,9:5:3   ,65.3  ,A\r\n\r\n"));
    EXPECT_TRUE(blank.contains("line 4")) << blank.toStdString();
    const QString twoDecimals = readAll(write(head + "2024/5/17 ,9:5:3   ,70.05 ,A\r\n"));
    EXPECT_TRUE(twoDecimals.contains("'70.05 '")) << twoDecimals.toStdString();
    const QString shifted = readAll(write(head + "2024/05/17 ,9:5:3   ,65.3  ,A\r\n"));
    EXPECT_TRUE(shifted.contains("line 3")) << shifted.toStdString();
    const QString binary = readAll(write(head + QByteArray("\x01\xff\xfe\x80", 4) + "\r\n"));
    EXPECT_TRUE(binary.contains("line 3")) << binary.toStdString();
}

TEST_F(SavedFile, HugeFilesWithoutLineEndsAreRefusedWithoutReadingThemWhole)
{
    const QString path = write("@Sonavistor File\r\nTotal:1\r\n" + QByteArray(20 * 1024 * 1024, '7'));
    const QString error = readAll(path);
    EXPECT_TRUE(error.contains("too long")) << error.toStdString();
}

TEST_F(SavedFile, AFailedWriteLeavesTheOldFileWhole)
{
    const QString path = dir.filePath("m.qrv");
    writeSavedFile(path, {{"2024/5/17", "9:5:3", "65.3", "A", 0}});
    const QByteArray before = read();
    // The folder of the file is gone: nothing can be written there.
    EXPECT_THROW(writeSavedFile(dir.filePath("gone/m.qrv"), {}), Error);
    // A file that cannot be replaced: a folder stands in its place.
    QDir(dir.path()).mkdir("taken.qrv");
    EXPECT_THROW(writeSavedFile(dir.filePath("taken.qrv"), {{"a", "b", "1.0", "A", 1}}), Error);
    EXPECT_EQ(read(), before);
}

TEST(SavedFileNames, QrvIsAddedOnlyWhenThePathHasNoDot)
{
    EXPECT_EQ(withSavedFileExtension("/home/me/day1"), "/home/me/day1.qrv");
    EXPECT_EQ(withSavedFileExtension("/home/me/day1.txt"), "/home/me/day1.txt");
    EXPECT_EQ(withSavedFileExtension("/home/me.v2/day1"), "/home/me.v2/day1");
}

TEST_F(SavedFile, NegativeLevelsKeepTheirSign)
{
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,-65.3 ,A").level, -65.3);
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,-0.5  ,A").level, -0.5);
    EXPECT_DOUBLE_EQ(parseSavedReading("2024/5/17 ,9:5:3   ,-70   ,A").level, -70.0);
}

TEST_F(SavedFile, TheTotalLineIsTotalAndACount)
{
    EXPECT_EQ(readAll(write("@Sonavistor File\r\nTotal:0\r\n")), "");
    for (const char* bad : {"Total:-3", "Count:3", "3", "total:3"}) {
        const QString error = readAll(write(QByteArray("@Sonavistor File\r\n") + bad + "\r\n"));
        EXPECT_TRUE(error.contains("line 2")) << bad << ": " << error.toStdString();
    }
}

TEST_F(SavedFile, SeparatorsAndControlBytesInsideFieldsAreRefused)
{
    const QByteArray head = "@Sonavistor File\r\nTotal:1\r\n";
    for (const QByteArray& line : {QByteArray("2024,5/17 ,9:5:3   ,65.3  ,A"), QByteArray("2024/5/17 ,9:5,3   ,65.3  ,A"),
                                   QByteArray("2024/5/17 ,9:5:3   ,65.3  ,,"), QByteArray("2024/5/17 ;9:5:3   ,65.3  ,A"),
                                   QByteArray("2024/5/17\x1b,9:5:3   ,65.3  ,A")}) {
        const QString error = readAll(write(head + line + "\r\n"));
        EXPECT_TRUE(error.contains("m.qrv, line 3")) << line.toStdString() << ": " << error.toStdString();
        // One line, whatever bytes the file holds.
        for (QChar c : error)
            EXPECT_GE(c.unicode(), 0x20) << error.toStdString();
    }
}

TEST_F(SavedFile, WritersRefuseRowsThatCouldNotBeReadBack)
{
    EXPECT_THROW(writeSavedFile(dir.filePath("c.qrv"), {{"2024,5/17", "9:5:3", "65.3", "A", 0}}), Error);
    EXPECT_THROW(writeSavedFile(dir.filePath("c.qrv"), {{"2024/5/17", "9:5\r3", "65.3", "A", 0}}), Error);
    EXPECT_FALSE(QFile::exists(dir.filePath("c.qrv")));
}

TEST_F(SavedFile, ControlBytesAreFoundAnywhereInALineAndHighBytesAreNoControlBytes)
{
    const auto errorOf = [](const QByteArray& line) -> std::string {
        try {
            parseSavedReading(line);
            return "read";
        } catch (const Error& e) {
            return e.message().toStdString();
        }
    };
    const QByteArray good = "2024/5/17 ,9:5:3   ,65.3  ,A";
    for (int at : {0, 7, 8, 15, 21, 27}) {
        for (char control : {'\x1f', '\x7f', '\x00'}) {
            QByteArray line = good;
            line[at] = control;
            EXPECT_NE(errorOf(line).find("control character"), std::string::npos) << at << ": " << errorOf(line);
        }
    }
    // Bytes above 0x7F are text: this line fails on its level, not as a control byte.
    QByteArray high = good;
    high.replace(20, 4, "\x80\xff\xa0\x9f");
    EXPECT_NE(errorOf(high).find("not a valid level"), std::string::npos) << errorOf(high);
}

TEST_F(SavedFile, LinesAcrossReadBlocksAndTheLongestLineAllowed)
{
    // 8,734 readings, three with LF alone, so that the long lines start 100
    // bytes before the end of the reader's first 256 KiB block.
    const QByteArray reading = "2024/5/17 ,9:5:3   ,65.3  ,A";
    QByteArray text = "@Sonavistor File\r\nTotal:1\r\n";
    for (int i = 0; i < 8734; ++i)
        text += reading + (i < 3 ? "\n" : "\r\n");
    ASSERT_EQ(text.size(), 256 * 1024 - 100);
    // 4,094 characters and CR LF is still a reading line; 4,095 is too long.
    const QByteArray longest = reading.left(26) + QByteArray(4094 - 27, 'x') + "C";
    text += longest + "\r\n" + QByteArray(4095, '7') + "\r\n";
    std::vector<SavedReading> readings;
    const QString error = readAll(write(text), &readings);
    ASSERT_EQ(readings.size(), 8735u);
    EXPECT_EQ(readings[8733].line, reading);
    EXPECT_EQ(readings.back().line, longest);
    EXPECT_EQ(readings.back().weighting, 'C');
    EXPECT_TRUE(error.contains("line 8738: the line is too long")) << error.toStdString();
}
