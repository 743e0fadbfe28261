#include "common/message_service.h"
#include "widgets/chart_navigation.h"
#include "widgets/level_chart.h"
#include "widgets/line_decimation.h"
#include "widgets/print_graph.h"
#include "common/window_context.h"
#include "tests/support/pdf_text.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

// Four plain ranges and a point count: the arithmetic alone.
class Axes : public ChartAxes {
public:
    AxisRange r[4] = {{0, 140}, {0, 140}, {0, 59}, {0, 59}};
    double points = 0;
    AxisRange range(Axis a) const override { return r[static_cast<int>(a)]; }
    void setRange(Axis a, AxisRange v) override { r[static_cast<int>(a)] = v; }
    double largestX() const override { return points > 0 ? points - 1 : 0; }
    AxisRange bottom() const { return r[3]; }
};

void expectRange(AxisRange got, double min, double max)
{
    EXPECT_NEAR(got.min, min, 1e-9);
    EXPECT_NEAR(got.max, max, 1e-9);
}

}  // namespace

TEST(ChartNavigation, ZoomInAndOut)
{
    Axes a;
    ZoomIn(a);
    expectRange(a.bottom(), 11.8, 47.2);
    expectRange(a.range(Axis::Left), 0, 140);
    Axes b;
    ZoomOut(b);
    expectRange(b.bottom(), 0, 70.8);  // -11.8 would be below 0
    Axes c;
    c.r[3] = {20, 50};
    ZoomOut(c);
    expectRange(c.bottom(), 14, 56);
}

TEST(ChartNavigation, AnAxisStepsByWholeMultiplesOfItsIncrement)
{
    EXPECT_EQ(steppedIncrement(0.3, 1), 1);  // zoomed far in: still whole decibels
    EXPECT_EQ(steppedIncrement(1.5, 1), 2);
    EXPECT_EQ(steppedIncrement(11.7, 1), 20);
    EXPECT_EQ(steppedIncrement(35, 1), 50);
    EXPECT_EQ(steppedIncrement(3, 2), 4);
}

TEST(ChartNavigation, ScrollingByPointsNeverGoesLeftOfZero)
{
    Axes a;
    ScrollByPoints(a, -30);
    expectRange(a.bottom(), 0, 59);
    ScrollByPoints(a, 30);
    expectRange(a.bottom(), 30, 89);
    ScrollByPoints(a, -30);
    expectRange(a.bottom(), 0, 59);
    ZoomIn(a);
    ScrollByPoints(a, -30);
    expectRange(a.bottom(), 0, 59);  // the zoom is lost
}

TEST(ChartNavigation, ResetOnlyForMoreThanSixtyOnePoints)
{
    Axes a;
    a.r[3] = {10, 20};
    a.points = 61;
    ResetZoom(a);
    expectRange(a.bottom(), 10, 20);
    a.points = 62;
    ResetZoom(a);
    expectRange(a.bottom(), 0, 61);
}

TEST(ChartNavigation, FollowingMovesOnePointPerPoint)
{
    for (int n : {30, 60, 61, 200}) {
        Axes a;
        for (int i = 1; i <= n; ++i) {
            a.points = i;
            FollowNewestPoint(a);
        }
        if (n <= 60)
            expectRange(a.bottom(), 0, 59);
        else
            expectRange(a.bottom(), n - 60, n - 1);
    }
    Axes far;  // scrolled far to the left: each reading moves the view one point only
    far.points = 300;
    far.r[3] = {0, 59};
    FollowNewestPoint(far);
    expectRange(far.bottom(), 1, 60);
}

TEST(ChartNavigation, PercentScrollMovesTopAndBottom)
{
    Axes a;
    a.r[3] = {100, 200};
    a.r[2] = {100, 200};
    HorizScroll(a, 10);
    expectRange(a.bottom(), 110, 210);
    expectRange(a.range(Axis::Top), 110, 210);
    HorizScroll(a, -10);
    expectRange(a.bottom(), 100, 200);
}

TEST(LevelChart, QtChartFollowsAndZooms)
{
    QChartView view;
    view.resize(700, 400);
    LevelChart chart(&view, "SPL Graph Analyzing", "SPL  Unit: DB");
    for (int i = 0; i < 90; ++i)
        chart.addPoint(60 + (i % 20), true);
    expectRange(chart.range(Axis::Bottom), 30, 89);
    EXPECT_DOUBLE_EQ(chart.largestX(), 89);
    ZoomIn(chart);
    expectRange(chart.range(Axis::Bottom), 30 + 59 * 0.2, 89 - 59 * 0.2);
    expectRange(chart.range(Axis::Left), 0, 140);
    view.show();
    sonavistor::test::saveScreenshot(&view, "chart-zoom");
}

// The series holds only the stretch around what shows; whatever the view,
// every visible point must be in it with its own level.
TEST(LevelChart, SeriesAlwaysHoldsTheVisiblePoints)
{
    LevelChart chart(nullptr, "SPL Graph Analyzing", "SPL  Unit: DB");
    auto level = [](int i) { return 40.0 + (i * 7) % 90; };
    auto expectVisibleLoaded = [&](const char* when) {
        chart.applyRanges();
        const AxisRange r = chart.range(Axis::Bottom);
        QList<QPointF> held = chart.firstSeries()->points();
        ASSERT_FALSE(held.isEmpty()) << when;
        const int first = static_cast<int>(held.first().x());
        for (int k = 0; k < held.size(); ++k)
            ASSERT_EQ(held[k], QPointF(first + k, level(first + k))) << when;
        EXPECT_LE(held.first().x(), std::max(0.0, r.min)) << when;
        EXPECT_GE(held.last().x(), std::min(r.max, chart.largestX())) << when;
    };
    for (int i = 0; i < 5000; ++i)
        chart.addPoint(level(i), true);
    expectVisibleLoaded("following");
    EXPECT_EQ(chart.pointCount(), 5000);
    EXPECT_LT(chart.firstSeries()->count(), 400);

    for (int i = 0; i < 40; ++i)
        ScrollByPoints(chart, -30);
    expectVisibleLoaded("scrolled back");
    // Readings that come while the user looks elsewhere are kept for later.
    for (int i = 5000; i < 5100; ++i)
        chart.addPoint(level(i), false);
    expectVisibleLoaded("new points off screen");
    for (int i = 0; i < 60; ++i)
        ScrollByPoints(chart, 30);
    expectVisibleLoaded("scrolled to the end");

    ResetZoom(chart);
    chart.applyRanges();
    // All 5100 points at once are drawn thinned out (see ManySeriesThinOutLongViews).
    EXPECT_LT(chart.firstSeries()->count(), 5100);
    for (int i = 0; i < 3; ++i)
        ZoomIn(chart);
    expectVisibleLoaded("zoomed in");

    chart.clear();
    EXPECT_EQ(chart.pointCount(), 0);
    EXPECT_EQ(chart.firstSeries()->count(), 0);
}

TEST(LineDecimation, RunsKeepTheirLowestAndHighestInOrder)
{
    std::vector<QPointF> points;
    for (int i = 0; i < 16; ++i)
        points.emplace_back(i, 50);
    points[5].setY(90);  // a peak
    points[6].setY(20);  // and a dip right after it
    points[13].setY(10);
    QList<QPointF> out;
    appendDecimated(points, 0, 16, 8, out);
    EXPECT_EQ(out, QList<QPointF>({{5, 90}, {6, 20}, {8, 50}, {13, 10}}));
    EXPECT_EQ(decimationStride(2048, 1024), 1u);
    EXPECT_EQ(decimationStride(2049, 1024), 4u);
    EXPECT_EQ(decimationStride(43200, 1024), 64u);
}

// Ten days side by side, zoomed all the way out: each series holds a few
// points per pixel, not its whole day, and still every peak.
TEST(LevelChart, ManySeriesThinOutLongViews)
{
    LevelChart chart(nullptr, "Data Analyze", "SPL", 3);
    chart.followDataOnXAxes();
    std::vector<QPointF> day;
    for (int i = 0; i < 43200; ++i)
        day.emplace_back(i, 40 + i % 30);
    day[30001].setY(125);
    chart.setPoints(1, day);
    chart.setPoints(2, std::vector<QPointF>(day.begin(), day.begin() + 100));
    expectRange(chart.range(Axis::Bottom), 0, 43199);
    expectRange(chart.range(Axis::Top), 0, 43199);
    EXPECT_EQ(chart.firstSeries()->count(), 0);
    EXPECT_LE(chart.series(1)->count(), 2 * static_cast<int>(LevelChart::DrawnRuns));
    EXPECT_TRUE(chart.series(1)->points().contains(QPointF(30001, 125)));
    EXPECT_EQ(chart.series(2)->count(), 100);
    EXPECT_DOUBLE_EQ(chart.largestX(), 0);  // firstSeries's, for Reset Zoom

    chart.setRange(Axis::Bottom, {30000, 30060});
    chart.applyRanges();
    EXPECT_EQ(chart.axis(Axis::Bottom)->max(), 30060);
    EXPECT_TRUE(chart.series(1)->points().contains(QPointF(30002, 40 + 30002 % 30)));  // every point again
    // A range set by hand stays when more points come.
    chart.setPoints(0, day);
    expectRange(chart.range(Axis::Bottom), 30000, 30060);
}

TEST(PrintGraph, VectorChartAndFooterTextOnALandscapePageOrientationRestored)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("graph.pdf"));
    printer.setPageOrientation(QPageLayout::Portrait);
    QChartView view;
    view.resize(600, 300);
    view.show();
    LevelChart chart(&view, "SPL Graph Analyzing", "SPL  Unit: DB");
    for (int i = 0; i < 100; ++i)
        chart.addPoint(50 + i % 30, true);
    EXPECT_TRUE(printChart(chart, {"          MAX:     79.0", "          Date:     2026/12/10"}, printer));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    if (!test::pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    // Texts of the chart and of the footer are text in the file, not a picture.
    const QString text = test::pdfText(dir.filePath("graph.pdf"));
    EXPECT_TRUE(text.contains("MAX:")) << text.toStdString();
    EXPECT_TRUE(text.contains("2026/12/10"));
    EXPECT_TRUE(text.contains("SPL Graph Analyzing"));
}

TEST(PrintGraph, WithoutAPrinterOffersAPdfFile)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    QTemporaryDir dir;
    test::ScriptedMessages messages;
    test::ScriptedFileDialogs dialogs;
    QPrinter printer;  // no file chosen for it: nothing to print on
    const WindowContext context{messages, dialogs, &printer, dir.path()};
    QChartView view;
    LevelChart chart(&view, "SPL Graph Analyzing", "SPL  Unit: DB");
    messages.answer(No);
    PrintGraph(chart, {"MAX:"}, context);
    EXPECT_EQ(dialogs.shown(), 0);
    messages.answer(Yes);
    dialogs.choose(dir.filePath("graph.pdf"));
    PrintGraph(chart, {"MAX:"}, context);
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_EQ(messages.shown()[1].caption, "Print Graph");
    EXPECT_EQ(dialogs.filters().value(0), "*.pdf|*.pdf");
    EXPECT_GT(QFileInfo(dir.filePath("graph.pdf")).size(), 1000);
}
