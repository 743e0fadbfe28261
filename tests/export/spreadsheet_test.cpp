#include "common/message_service.h"
#include "export/biff_writer.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "tests/support/scripted_messages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using sonavistor::test::ScriptedMessages;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A small dataset with any fields, for the exporter's rules.
class TestDataset : public ExportDataset {
public:
    std::vector<ExportField> fieldList;
    std::vector<std::vector<QVariant>> records;
    size_t at = 0;
    int disabled = 0;
    bool open = true;

    bool isOpen() const override { return open; }
    bool isEmpty() const override { return records.empty(); }
    int recordCount() const override { return static_cast<int>(records.size()); }
    std::vector<ExportField>& fields() override { return fieldList; }
    void first() override { at = 0; }
    void next() override { ++at; }
    bool eof() const override { return at >= records.size(); }
    int recordNumber() const override { return static_cast<int>(at) + 1; }
    QVariant value(int source) const override { return records[at][static_cast<size_t>(source)]; }
    int bookmark() const override { return static_cast<int>(at); }
    bool bookmarkValid(int mark) const override { return mark >= 0 && mark < recordCount(); }
    void gotoBookmark(int mark) override { at = static_cast<size_t>(mark); }
    void disableControls() override { ++disabled; }
    void enableControls() override { --disabled; }
};

class TestGrid : public ExportGrid {
public:
    std::vector<ExportColumn> columnList;
    TestDataset* data = nullptr;
    int footers = 0;
    std::vector<ExportColumn> columns() const override { return columnList; }
    int footerRowCount() const override { return footers; }
    ExportDataset* dataset() override { return data; }
};

// Splits a sheet into its records: (type, body).
std::vector<std::pair<int, QByteArray>> records(const QByteArray& sheet)
{
    std::vector<std::pair<int, QByteArray>> list;
    qsizetype at = 0;
    while (at + 4 <= sheet.size()) {
        const int type = static_cast<unsigned char>(sheet[at]) | static_cast<unsigned char>(sheet[at + 1]) << 8;
        const int length = static_cast<unsigned char>(sheet[at + 2]) | static_cast<unsigned char>(sheet[at + 3]) << 8;
        list.emplace_back(type, sheet.mid(at + 4, length));
        at += 4 + length;
    }
    return list;
}

int u16(const QByteArray& body, int offset)
{
    return static_cast<unsigned char>(body[offset]) | static_cast<unsigned char>(body[offset + 1]) << 8;
}

class Exporter : public ::testing::Test {
protected:
    Exporter()
    {
        data.fieldList = {{"NDate", "NDate", true, FieldKind::Text, 0},
                          {"MeaValue", "MeaValue", true, FieldKind::Text, 1},
                          {"RecNo", "RecNo", true, FieldKind::Integer, 2},
                          {"Extra", "Extra", true, FieldKind::Float, 3}};
        data.records = {{"2024/5/17", "65.3", 1, 2.5}, {QVariant(), "70.0", -1, 0.125}};
        grid.data = &data;
        grid.columnList = {{"RecNo", "RecNo", true, {}}, {"MeaValue", "Level|dB", true, {}},
                           {"NDate", "NDate", true, {}}};
    }
    QByteArray run()
    {
        TGridToExcel exporter(messages);
        exporter.DataGrid = &grid;
        exporter.ShowProgress = false;
        exporter.FileName = path;
        result = exporter.ExportSheet();
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    QString path = dir.filePath("out.xls");
    ScriptedMessages messages;
    TestDataset data;
    TestGrid grid;
    ExportResult result;
};

}  // namespace

TEST(BiffRecords, AreByteForByte)
{
    EXPECT_EQ(biff::bof(), hex("090808000000100000000000"));
    EXPECT_EQ(biff::eof(), hex("0a000000"));
    EXPECT_EQ(biff::rk(2, 0, 5), hex("7e020a00020000000000" "16000000"));
    EXPECT_EQ(biff::label(1, 0, "RecNo"), hex("04020d00010000000000" "0500") + "RecNo");
    EXPECT_EQ(biff::label(0, 3, ""), hex("040208000000030000000000"));
    EXPECT_EQ(biff::blank(4, 2), hex("010206000400020017 00").replace(' ', ""));
    EXPECT_EQ(biff::number(1, 1, 1.5), hex("03020e00010001000000" "000000000000f83f"));
    EXPECT_EQ(biff::rk(0, 0, -1).right(4), hex("feffffff"));
    EXPECT_EQ(biff::rk(0, 0, 536870912).right(4), hex("02000080"));  // does not fit: wraps
    // Long texts are not cut at 255 characters.
    EXPECT_EQ(biff::label(0, 0, QByteArray(300, 'x')).mid(10, 2), hex("2c01"));
}

TEST_F(Exporter, GridOrderTitlesLinesAndCellKinds)
{
    const auto recs = records(run());
    ASSERT_TRUE(result.written);
    EXPECT_EQ(result.recordsWritten, 2);
    // BOF, empty title at D1, two title rows of three labels, 2 x 4 cells, EOF.
    ASSERT_EQ(recs.size(), 1u + 1 + 6 + 8 + 1);
    EXPECT_EQ(recs.front().first, 0x0809);
    EXPECT_EQ(recs[1], std::make_pair(0x0204, hex("0000030000000000")));
    EXPECT_EQ(recs[2].second.mid(8), "RecNo");
    EXPECT_EQ(recs[3].second.mid(8), "Level");
    EXPECT_EQ(recs[5].second.mid(8), "");   // second title line of RecNo
    EXPECT_EQ(recs[6].second.mid(8), "dB");
    EXPECT_EQ(u16(recs[6].second, 0), 2);    // on row 2
    // Data from row 3, fields in grid order, the extra field after them.
    EXPECT_EQ(recs[8].first, 0x027E);        // RecNo 1 as RK
    EXPECT_EQ(u16(recs[8].second, 0), 3);
    EXPECT_EQ(recs[9].second.mid(8), "65.3");
    EXPECT_EQ(recs[10].second.mid(8), "2024/5/17");
    EXPECT_EQ(recs[11].first, 0x0203);       // the float field
    EXPECT_EQ(u16(recs[11].second, 2), 3);   // in column 3, without a title
    EXPECT_EQ(recs[14].first, 0x0201);       // a null date: BLANK with format 23
    EXPECT_EQ(u16(recs[14].second, 4), 0x17);
    EXPECT_EQ(recs.back().first, 0x000A);
    EXPECT_EQ(data.fieldList[0].name, "RecNo");  // the alignment stays on the dataset
    EXPECT_EQ(data.disabled, 0);
}

TEST_F(Exporter, HiddenColumnsAndMarkedTitlesGiveBlanks)
{
    grid.columnList[1].title = "Level*****";
    grid.columnList[2].visible = false;
    const auto recs = records(run());
    // Titles: only the visible RecNo and the marked Level (its title stays).
    EXPECT_EQ(recs[2].second.mid(8), "RecNo");
    EXPECT_EQ(recs[3].second.mid(8), "Level*****");
    EXPECT_EQ(recs[4].first, 0x027E);  // data follows on the next row
    EXPECT_EQ(recs[5].first, 0x0201);  // marked field
    EXPECT_EQ(recs[6].first, 0x0201);  // hidden field
}

TEST_F(Exporter, NothingIsWrittenForAnEmptyOrClosedDatasetOrBlankName)
{
    data.records.clear();
    run();
    EXPECT_FALSE(QFile::exists(path));
    data.records = {{"d", "1.0", 1, 1.0}};
    data.open = false;
    run();
    EXPECT_FALSE(QFile::exists(path));
    data.open = true;
    path = "   ";
    run();
    EXPECT_FALSE(result.written);
}

TEST_F(Exporter, ExistingFileIsReplacedOnlyOnYes)
{
    QFile old(path);
    old.open(QIODevice::WriteOnly);
    old.write("keep me");
    old.close();
    messages.answer(No);
    EXPECT_EQ(run(), "keep me");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].caption, QString::fromUtf8("提示"));
    EXPECT_EQ(messages.shown()[0].defaultButton, No);
    EXPECT_TRUE(messages.shown()[0].text.contains(path));
    messages.answer(Yes);
    EXPECT_TRUE(run().startsWith(biff::bof()));
}

TEST_F(Exporter, FooterRowsFollowTheData)
{
    grid.footers = 1;
    grid.columnList[0].footerTexts = {"Sum"};
    auto recs = records(run());
    EXPECT_EQ(recs[recs.size() - 4].second.mid(8), "Sum");
    EXPECT_EQ(u16(recs[recs.size() - 4].second, 0), 5);
    QFile::remove(path);
    grid.footers = 2;
    grid.columnList[0].footerTexts = {"Sum", "Avg"};
    recs = records(run());
    // Column 0's two texts one per row; the other columns have none.
    EXPECT_EQ(recs[recs.size() - 3].second.mid(8), "Sum");
    EXPECT_EQ(recs[recs.size() - 2].second.mid(8), "Avg");
    EXPECT_EQ(u16(recs[recs.size() - 2].second, 0), 6);
}

TEST_F(Exporter, RowsPastTheSheetsLimitAreNotWrappedOntoItsTop)
{
    data.records.assign(70000, {"2024/5/17", "65.3", 1, 1.0});
    const auto recs = records(run());
    EXPECT_TRUE(result.rowLimitReached);
    EXPECT_EQ(result.recordsWritten, 65535 - 3 + 1);  // rows 3 .. 65535
    // Only the title cell is on row 0: no data row wrapped round to the top.
    int onRowZero = 0;
    for (const auto& [type, body] : recs) {
        if (type != 0x0809 && type != 0x000A && u16(body, 0) == 0)
            ++onRowZero;
    }
    EXPECT_EQ(onRowZero, 1);
    EXPECT_EQ(recs.back().first, 0x000A);
}
