#include "common/error.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"

#include <QColor>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

ReadingRow row(qint32 recNo, const QString& level = "65.0", const QString& weight = "A")
{
    return {"2024/5/17", "9:5:3", level, weight, recNo};
}

class WorkingDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeasurementDatabase::createFromSchema(dir.filePath("Quorvane.db"));
        ASSERT_TRUE(db.ConnectAccess(dir.path()));
    }
    QTemporaryDir dir;
    MeasurementDatabase db;
};

}  // namespace

TEST(WorkingDatabaseMissing, EveryOperationIsASafeNoOp)
{
    QTemporaryDir dir;
    MeasurementDatabase db;
    EXPECT_FALSE(db.ConnectAccess(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath("Quorvane.db")));  // never created by opening
    EXPECT_FALSE(db.isOpen());
    db.ClearAllTables();
    db.appendRow(TableMeaData, row(1));
    EXPECT_EQ(db.rowCount(TableMeaData), 0);
    EXPECT_TRUE(db.isEmpty(TableMeaData));
    EXPECT_TRUE(db.rows(TableLoadData).empty());
    EXPECT_TRUE(db.columns(TableMeaData).isEmpty());
    db.PostLoadData(dir.filePath("AsciiDBF.TXT"));
}

TEST(WorkingDatabaseMissing, AFileThatIsNoWorkingDatabaseIsRefused)
{
    QTemporaryDir dir;
    QFile junk(dir.filePath("Quorvane.db"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a database at all, just text");
    junk.close();
    MeasurementDatabase db;
    EXPECT_FALSE(db.ConnectAccess(dir.path()));
    EXPECT_EQ(db.rowCount(TableMeaData), 0);
}

TEST_F(WorkingDatabase, ClearTableEmptiesTheChosenTables)
{
    for (TableId t : {TableMeaData, TableGetRecorde, TableLoadData})
        db.appendRow(t, row(1));
    db.ClearTable(TableMeaData);
    EXPECT_TRUE(db.isEmpty(TableMeaData));
    EXPECT_FALSE(db.isEmpty(TableGetRecorde));
    EXPECT_FALSE(db.isEmpty(TableLoadData));
    db.ClearAllTables();
    for (TableId t : {TableMeaData, TableGetRecorde, TableLoadData})
        EXPECT_TRUE(db.isEmpty(t));
    db.appendRow(TableMeaData, row(1));  // still open and usable
    EXPECT_EQ(db.rowCount(TableMeaData), 1);
}

TEST_F(WorkingDatabase, RowsComeInNumericRecNoOrderAsTheyWereWritten)
{
    for (qint32 n : {10, 2, 9, 1})
        db.appendRow(TableGetRecorde, row(n, QString::number(60 + n) + ".0"));
    std::vector<qint32> order;
    for (const ReadingRow& r : db.importQuery())
        order.push_back(r.RecNo);
    EXPECT_EQ(order, (std::vector<qint32>{1, 2, 9, 10}));
    EXPECT_EQ(db.rows(TableGetRecorde).back().MeaValue, "70.0");
    EXPECT_EQ(db.rows(TableGetRecorde).front().MeaValue, "61.0");  // text, decimal kept
    EXPECT_EQ(db.rows(TableGetRecorde).front(), row(1, "61.0"));
}

TEST_F(WorkingDatabase, ADuplicateRecNoIsTheDatabasesError)
{
    db.appendRow(TableMeaData, row(1));
    EXPECT_THROW(db.appendRow(TableMeaData, row(1)), Error);
    EXPECT_EQ(db.rowCount(TableMeaData), 1);
}

TEST_F(WorkingDatabase, ColumnsHaveTheRowShape)
{
    const auto columns = db.columns(TableLoadData);
    ASSERT_EQ(columns.size(), 5);
    EXPECT_EQ(columns[0].name, "NDate");
    EXPECT_EQ(columns[2].name, "MeaValue");
    EXPECT_EQ(columns[2].declaredType, "TEXT");
    EXPECT_EQ(columns[4].name, "RecNo");
    EXPECT_EQ(columns[4].declaredType, "INTEGER");
}

TEST_F(WorkingDatabase, ModelFollowsAppendsWithoutReadingTheTableAgain)
{
    ReadingTableModel model(db, TableMeaData);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    db.appendRow(TableMeaData, row(1, "85.3"));
    db.appendRow(TableGetRecorde, row(1));  // another table: not ours
    db.appendRow(TableMeaData, row(2, "70.0", "C"));
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(reset.count(), 0);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "MeaValue");
    EXPECT_EQ(model.data(model.index(1, ReadingTableModel::ColMeaValue), Qt::DisplayRole).toString(), "70.0");
    EXPECT_EQ(model.data(model.index(1, ReadingTableModel::ColWeight), Qt::DisplayRole).toString(), "C");

    model.setBackgroundRule([](const ReadingRow& r, int) { return r.RecNo == 1 ? QVariant(QColor(Qt::red)) : QVariant(); });
    EXPECT_EQ(model.data(model.index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::BackgroundRole).isValid());

    db.ClearTable(TableMeaData);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
}

// The grid model reads pages through the key: right rows at every position,
// with and without gaps in RecNo, and never more than a few pages in memory.
TEST_F(WorkingDatabase, ModelReadsPagesAndKeepsOnlyAFew)
{
    for (qint32 r = 1; r <= 1000; ++r)
        db.appendRow(TableLoadData, row(r, QString::number(r % 140) + ".5"));
    ReadingTableModel model(db, TableLoadData);
    const auto recNoAt = [&model](int row) {
        return model.data(model.index(row, ReadingTableModel::ColRecNo), Qt::DisplayRole).toInt();
    };
    for (int r = 0; r < 1000; r += 37)
        ASSERT_EQ(recNoAt(r), r + 1);
    EXPECT_EQ(model.rowAt(999).MeaValue, "20.5");  // RecNo 1000
    EXPECT_LE(model.cachedRows(), ReadingTableModel::PageRows * ReadingTableModel::CachedPages);

    // RecNo with gaps (a live window whose append failed once), then appended rows.
    db.ClearTable(TableMeaData);
    for (qint32 r = 0; r < 600; ++r)
        db.appendRow(TableMeaData, row(r * 3));
    ReadingTableModel gappy(db, TableMeaData);
    EXPECT_EQ(gappy.rowAt(599).RecNo, 1797);
    EXPECT_EQ(gappy.rowAt(300).RecNo, 900);
    db.appendRow(TableMeaData, row(5000));
    ASSERT_EQ(gappy.rowCount(), 601);
    EXPECT_EQ(gappy.rowAt(600).RecNo, 5000);

    ReadingTableModel live(db, TableGetRecorde);
    db.appendRow(TableGetRecorde, row(1));
    db.appendRow(TableGetRecorde, row(2));
    db.appendRow(TableGetRecorde, row(4));  // a gap after the model has seen none
    ASSERT_EQ(live.rowCount(), 3);
    EXPECT_EQ(live.rowAt(2).RecNo, 4);
    EXPECT_EQ(live.rowAt(1).RecNo, 2);
}
