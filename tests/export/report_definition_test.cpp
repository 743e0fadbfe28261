#include "common/error.h"
#include "print/report_definition.h"
#include "print/report_layout.h"
#include "print/report_render.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

const char kGood[] =
    "sonavistor-report 1\n"
    "connection ReportDataConnection1\n"
    "paper A4 portrait\n"
    "margins 10 10 10 10\n"
    "font \"DejaVu Sans\" 10\n"
    "title \"Data {page}\"   # a comment\n"
    "column RecNo \"No.\" 20 right\n"
    "column MeaValue \"Level \\\"dB\\\"\" 30\n"
    "summary \"Summary\"\n"
    "footer \"Page {page} of {pages}\"\n";

// The error text of parsing text, or "" when it parses.
std::string errorOf(const QString& text)
{
    try {
        parseReportDefinition(text, "/p/Quorvane_en.rav");
    } catch (const Error& e) {
        return e.message().toStdString();
    }
    return "";
}

// Three lines that parse, and one more.
QString with(const char* line)
{
    return QStringLiteral("sonavistor-report 1\nconnection ReportDataConnection1\ncolumn RecNo \"No.\" 20 right\n") +
           QString::fromLatin1(line) + '\n';
}

}  // namespace

TEST(ReportDefinition, TheShippedFileAndTheExampleParse)
{
    QFile shipped(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    const ReportDefinition s = parseReportDefinition(QString::fromUtf8(shipped.readAll()), "quorvane_en.rav");
    EXPECT_EQ(s.columns.size(), 5u);
    EXPECT_FALSE(s.summaryHeading.isEmpty());

    const ReportDefinition d = parseReportDefinition(kGood, "x");
    EXPECT_EQ(d.connection, "ReportDataConnection1");
    EXPECT_EQ(d.title, "Data {page}");
    ASSERT_EQ(d.columns.size(), 2u);
    EXPECT_EQ(d.columns[0].align, ReportAlign::Right);
    EXPECT_EQ(d.columns[1].title, "Level \"dB\"");
    EXPECT_EQ(d.columns[1].field, ReportField::MeaValue);
    EXPECT_EQ(d.pageSizeMm(), QSizeF(210, 297));
    EXPECT_EQ(parseReportDefinition(with("paper 297 210"), "x").pageSizeMm(), QSizeF(297, 210));
}

TEST(ReportDefinition, ErrorsNameTheFileLineAndColumn)
{
    const struct {
        QString text;
        const char* expected;
    } cases[] = {
        {"", "/p/Quorvane_en.rav: the file is empty"},
        {"report 1\n", "line 1, column 1: not a report definition"},
        {"sonavistor-report 2\n", "line 1, column 19: version 2"},
        {with("title \"open"), "line 4, column 7: the text has no closing quote"},
        {with("colour red"), "line 4, column 1: unknown keyword \"colour\""},
        {with("column Level \"L\" 10"), "line 4, column 8: unknown field \"Level\""},
        {with("column NDate \"D\" 0"), "line 4, column 18: a column must be wider than 0 mm"},
        {with("column NDate \"D\" -5 left"), "line 4, column 18: a column must be wider than 0 mm"},
        {with("column NDate \"D\" 10 middle"), "line 4, column 21: the alignment is left, center or right"},
        {with("column NDate \"D\" 200"), "line 4, column 18: the columns are 220 mm wide up to here"},
        {with("paper 5 5000"), "line 4, column 7: a paper of 5 mm makes no page"},
        {with("paper B9"), "line 4, column 7: unknown paper \"B9\""},
        {with("title \"a\"\ntitle \"b\""), "line 5, column 1: title is given twice (first on line 4)"},
        {with("header \"{pagez}\" \"x\""), "line 4, column 9: unknown placeholder {pagez}"},
        {with("font \"X\" 900"), "line 4, column 10: a font of 900 points"},
        {with("header \"left\""), "line 4, column 14: header needs a text in quotes"},
        {with("margins 100 10 120 10"), "line 4, column 1: the margins leave no room"},
        {with("margins 10 10 10 270"), "line 4, column 1: the page has no room for the title, the rows"},
        {"sonavistor-report 1\ncolumn RecNo \"N\" 10\n", "Quorvane_en.rav: the definition names no data connection"},
        {"sonavistor-report 1\nconnection ReportDataConnection1\n", "Quorvane_en.rav: the definition has no column"},
        {"sonavistor-report 1\nconnection Other\n", "line 2, column 12: unknown data connection \"Other\""},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "definition:\n" << c.text.toStdString() << "\nerror: " << error;
    }
}

TEST(ReportDefinition, ReadingAMissingFileNamesIt)
{
    try {
        readReportDefinition("/no/such/folder/Quorvane_en.rav");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("/no/such/folder/Quorvane_en.rav")) << e.message().toStdString();
    }
}

TEST(ReportLayout, PagesAreArithmeticAndTheSummaryFollowsTheLastRow)
{
    const ReportDefinition d = parseReportDefinition(kGood, "x");
    const ReportLayout one = layoutReport(d, 1);
    // A4 (297 mm) less 10 mm margins; 10 pt lines of 5.12 mm; the title (1.5
    // lines), the header (1.5), its rule (1.2) above, the footer (1.5) below:
    // 247.8 mm of rows.
    const int perPage = 48;
    ASSERT_EQ(one.rowsPerPage, perPage);
    EXPECT_EQ(one.pageCount, 1);
    EXPECT_TRUE(one.summaryOn(0));

    const ReportLayout day = layoutReport(d, 43200);
    EXPECT_EQ(day.dataPages, (43200 + perPage - 1) / perPage);
    EXPECT_EQ(day.firstRow(1), perPage);
    EXPECT_EQ(day.rowsOn(day.dataPages - 1), 43200 - (day.dataPages - 1) * perPage);

    // A full last page pushes the summary onto a page of its own.
    const ReportLayout full = layoutReport(d, 2LL * perPage);
    EXPECT_EQ(full.pageCount, 3);
    EXPECT_TRUE(full.summaryOnOwnPage);
    EXPECT_FALSE(full.summaryOn(1));
    EXPECT_EQ(full.rowsOn(2), 0);
}

TEST(ReportSummary, FiguresOfTheNumericLevels)
{
    const ReportSummary s = summarizeRows({{"2024/5/17", "9:0:0", "60.0", "A", 1},
                                           {"2024/5/17", "9:0:2", "n/a", "A", 2},
                                           {"2024/5/17", "9:0:4", "70.0", "A", 3}});
    // The two numeric levels are 4 s apart: SEL = 67.4 + 10 log10(8 s), LEX,8h = 67.4 + 10 log10(8 s / 8 h),
    // NIOSH TWA = 85 + 10 log10((4 s / 8 h) (2^(-25/3) + 2^(-5))) = 31.8; OSHA counts nothing below 80 dB.
    EXPECT_EQ(summaryLines(s), QStringList({"Rows: 3", "First: 2024/5/17 9:0:0", "Last: 2024/5/17 9:0:4",
                                            "Min: 60.0 dB", "Max: 70.0 dB", "Average: 65.0 dB", "Leq: 67.4 dB",
                                            "Samples: 4 s each (the median time step)",
                                            "A-weighted: 2 samples, 0:00:08; Leq 67.4 dB, SEL 76.4 dB",
                                            "    Lmax 70.0 dB, Lmin 60.0 dB, L10 70.0 dB, L50 60.0 dB, L90 60.0 dB",
                                            "    LEX,8h 31.8 dB (exposure 0:00:08)",
                                            "    NIOSH dose 0.00 %, TWA 31.8 dB; OSHA dose 0.00 %, TWA -"}));
    EXPECT_EQ(summaryLines(summarizeRows({{"d", "t", "", "A", 1}}))[6], "Leq: -");
}
