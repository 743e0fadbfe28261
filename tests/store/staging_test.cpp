#include "common/error.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"
#include "store/staging_file.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

class Staging : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeasurementDatabase::createFromSchema(dir.filePath("Quorvane.db"));
        ASSERT_TRUE(db.ConnectAccess(dir.path()));
    }
    QString stagingPath() const { return dir.filePath("AsciiDBF.TXT"); }
    void writeStaging(const QByteArray& bytes)
    {
        QFile f(stagingPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray readStaging() const
    {
        QFile f(stagingPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    MeasurementDatabase db;
};

}  // namespace

TEST(StagingLines, ImportedRowHasFixedColumns)
{
    EXPECT_EQ(StagingFile::importLine({"2024/5/17", "9:5:3", "65.3", "A", 0}),
              "2024/5/17 ,9:5:3   ,65.3  ,A,0     \r\n");
    // Filled, never cut: a longer value shifts the later fields.
    EXPECT_EQ(StagingFile::importLine({"2024/12/31", "23:59:58", "200.0", "A", 1234567}),
              "2024/12/31,23:59:58,200.0 ,A,1234567\r\n");
    EXPECT_EQ(StagingFile::importLine({"12345/12/31", "123:59:58", "1234.5", "A", 7}),
              "12345/12/31,123:59:58,1234.5,A,7     \r\n");
}

TEST(StagingLines, SavedRowIsCopiedAsItStands)
{
    EXPECT_EQ(StagingFile::savedLine("2024/5/17 ,9:5:3   ,70    ,C", 1), "2024/5/17 ,9:5:3   ,70    ,C,1\r\n");
    EXPECT_EQ(StagingFile::savedLine("2024/5/17 ,9:5:3   ,65.3  ,A", 123456), "2024/5/17 ,9:5:3   ,65.3  ,A,123456\r\n");
}

TEST_F(Staging, WriterMakesHeaderAndLinesWithCrLf)
{
    StagingFile staging(dir.path());
    staging.open();
    staging.writeImportRow({"2024/5/17", "9:5:3", "65.3", "A", 0});
    staging.writeSavedLine("2024/5/17 ,9:5:3   ,70    ,C", 1);
    staging.close();
    EXPECT_EQ(readStaging(), "NDate,NTime,MeaValue,Weight,RecNo\r\n"
                             "2024/5/17 ,9:5:3   ,65.3  ,A,0     \r\n"
                             "2024/5/17 ,9:5:3   ,70    ,C,1\r\n");
}

TEST_F(Staging, UnwritableFolderIsTheFileSystemsError)
{
    StagingFile staging(dir.filePath("gone"));
    EXPECT_THROW(staging.open(), Error);
}

TEST_F(Staging, BulkLoadAppendsEveryLineTrimmedAndConverted)
{
    db.appendRow(TableGetRecorde, {"2024/5/16", "8:0:0", "50.0", "A", 5000});
    StagingFile staging(dir.path());
    staging.open();
    for (qint32 n = 0; n < 1000; ++n)
        staging.writeImportRow({"2024/5/17", "9:5:3", QString::number(60 + n % 10) + ".3", "A", n});
    staging.close();
    QSignalSpy reset(&db, &MeasurementDatabase::tableReset);
    db.PostDateTimeRecnoWeight(stagingPath());
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(db.rowCount(TableGetRecorde), 1001);  // the rows already there stay
    const auto rows = db.importQuery();
    EXPECT_EQ(rows[0], (ReadingRow{"2024/5/17", "9:5:3", "60.3", "A", 0}));
    EXPECT_EQ(rows[10].RecNo, 10);
    EXPECT_EQ(rows.back().RecNo, 5000);
}

TEST_F(Staging, SavedRowsKeepTheirLevelTextInLoadData)
{
    StagingFile staging(dir.path());
    staging.open();
    staging.writeSavedLine("2024/5/17 ,9:5:3   ,70    ,C", 1);
    staging.close();
    db.PostLoadData(stagingPath());
    ASSERT_EQ(db.rowCount(TableLoadData), 1);
    EXPECT_EQ(db.rows(TableLoadData)[0], (ReadingRow{"2024/5/17", "9:5:3", "70", "C", 1}));
}

TEST_F(Staging, HeaderOnlyAddsNothing)
{
    writeStaging("NDate,NTime,MeaValue,Weight,RecNo\r\n");
    db.PostLoadData(stagingPath());
    EXPECT_TRUE(db.isEmpty(TableLoadData));
}

TEST_F(Staging, ColumnsAreMatchedByTheHeadersNames)
{
    writeStaging("recno, weight ,NDATE,MeaValue\r\n7,C,2024/5/17,71.5\n");
    db.PostLoadData(stagingPath());
    ASSERT_EQ(db.rowCount(TableLoadData), 1);
    const ReadingRow r = db.rows(TableLoadData)[0];
    EXPECT_EQ(r.RecNo, 7);
    EXPECT_EQ(r.Weight, "C");
    EXPECT_EQ(r.NDate, "2024/5/17");
    EXPECT_EQ(r.MeaValue, "71.5");
    EXPECT_EQ(r.NTime, "");  // not named: the column's default
}

TEST_F(Staging, AFieldThatDoesNotConvertFailsTheWholeLoad)
{
    db.appendRow(TableLoadData, {"2024/5/16", "8:0:0", "50.0", "A", 100});
    const QByteArray bad[] = {
        "NDate,NTime,MeaValue,Weight,RecNo\r\n2024/5/17,9:5:3,65.3,A,1\r\n2024/5/17,9:5:5,65.4,A,2x\r\n",
        "NDate,NTime,MeaValue,Weight,RecNo\r\n2024/5/17,9:5:3,65.3,A,1\r\n2024/5/17,9:5:5,A,2\r\n",
        "NDate,NTime,MeaValue,Weight,RecNo\r\n2024/5/17,9:5:3,65.3,A,\r\n",
        "NDate,NTime,Level,Weight,RecNo\r\n2024/5/17,9:5:3,65.3,A,1\r\n",
        "NDate,NTime,MeaValue,Weight,RecNo\r\n2024/5/17,9:5:3,65.3,A,1\r\n2024/5/17,9:5:3,65.3,A,1\r\n",
    };
    for (const QByteArray& content : bad) {
        writeStaging(content);
        try {
            db.PostLoadData(stagingPath());
            ADD_FAILURE() << "loaded: " << content.constData();
        } catch (const Error& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
        EXPECT_EQ(db.rowCount(TableLoadData), 1) << content.constData();
    }
}

TEST_F(Staging, AMissingStagingFileIsReported)
{
    EXPECT_THROW(db.PostDateTimeRecnoWeight(dir.filePath("nothing.txt")), Error);
}
