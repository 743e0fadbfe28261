#include "widgets/led_font_num.h"
#include "widgets/led_geometry.h"
#include "tests/support/screenshot.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

using Points = std::vector<QPoint>;

}  // namespace

TEST(LedGeometry, DefaultCellCorners)
{
    const LedCellPoints cell = BuildSegments(0, 0, 17, 29, 3);
    EXPECT_EQ(cell.segment(0), (Points{{2, 0}, {4, 2}, {8, 2}, {10, 0}}));
    EXPECT_EQ(cell.segment(1), (Points{{12, 1}, {10, 3}, {10, 11}, {12, 13}}));
    EXPECT_EQ(cell.segment(6), (Points{{3, 13}, {2, 14}, {3, 15}, {9, 15}, {10, 14}, {9, 13}}));
    EXPECT_EQ(cell.dot(), (Points{{14, 26}, {14, 29}, {17, 29}, {17, 26}}));
    // The stored lists repeat a quadrilateral's fourth corner twice.
    EXPECT_EQ(cell.SegmentPoints[4], QPoint(10, 0));
    EXPECT_EQ(cell.SegmentPoints[5], QPoint(10, 0));
    EXPECT_EQ(cell.DotPoints[5], QPoint(14, 26));
}

TEST(LedGeometry, NarrowCellsMakeTrianglesAndThinStrokesTheirOwnMiddle)
{
    const LedCellPoints narrow = BuildSegments(4, 4, 13, 17, 3);
    EXPECT_EQ(narrow.segment(0), (Points{{6, 4}, {8, 6}, {8, 6}, {10, 4}}));
    const LedCellPoints thin = BuildSegments(0, 0, 17, 29, 1);
    EXPECT_EQ(thin.segment(6), (Points{{2, 14}, {2, 14}, {2, 14}, {12, 14}, {12, 14}, {12, 14}}));
}

TEST(LedGeometry, WriteRulesDependOnTheOrder)
{
    LedMetrics m;
    EXPECT_TRUE(m.setWordWidth(28));
    EXPECT_TRUE(m.setWordHeight(48));
    EXPECT_EQ(m.WordHeight, 49);  // always odd
    EXPECT_TRUE(m.setThick(6));

    LedMetrics tooSmall;
    tooSmall.setWordWidth(12);
    EXPECT_FALSE(tooSmall.setThick(6));  // 2 x 6 is not below 12
    EXPECT_EQ(tooSmall.Thick, 3);
    EXPECT_FALSE(tooSmall.setWordWidth(6));  // not above 2 x stroke
    EXPECT_FALSE(tooSmall.setWordHeight(11)); // not above 4 x stroke - 1
}

TEST(LedGeometry, PointsAndCharacters)
{
    LedMetrics m;
    const auto lit = [&m](const QString& text) {
        std::vector<Points> shapes;
        for (const LedPolygon& p : planDigits(text, m, false, true))
            shapes.push_back(p.points);
        return shapes;
    };
    const LedCellPoints first = BuildSegments(4, 4, 17, 29, 3);
    const LedCellPoints second = BuildSegments(25, 4, 17, 29, 3);
    EXPECT_EQ(lit(".5").size(), 5u);  // a point before any digit lights nothing
    EXPECT_EQ(lit("5.").back(), first.dot());
    EXPECT_EQ(lit("-"), (std::vector<Points>{first.segment(6)}));
    EXPECT_TRUE(lit(" 5").size() == 5u && lit(" 5")[0] == second.segment(0));
    EXPECT_EQ(lit("5.5.").size(), 5u + 1 + 5);  // the second point is an ordinary, unlit cell
    EXPECT_EQ(planDigits(" ", m, true, true).size(), 8u);  // the unlit pattern only
    EXPECT_TRUE(planDigits("88", m, false, false).empty());
}

TEST(LedDisplay, LiveLevelRendersAndSizesItself)
{
    TLEDFontNum led;
    led.setBGColor(QColor(0, 128, 0));
    led.setDarkColor(QColor(0, 128, 0));
    led.setWordWidth(28);
    led.setWordHeight(48);
    led.setThick(6);
    led.show();
    led.setText("85.3");
    EXPECT_EQ(led.size(), QSize(100, 57));
    const QImage image = led.render().toImage();
    const QColor lit(247, 255, 0);
    const QColor green(0, 128, 0);
    EXPECT_EQ(image.pixelColor(61, 50), lit);   // the point square (58,47)-(64,53)
    EXPECT_EQ(image.pixelColor(58, 47), lit);
    EXPECT_EQ(image.pixelColor(64, 53), lit);
    EXPECT_EQ(image.pixelColor(57, 50), green);
    EXPECT_EQ(image.pixelColor(4 + 14, 4 + 2), lit);    // the top of the 8
    EXPECT_EQ(image.pixelColor(68 + 2, 4 + 36), green);  // the 3's lower left stays unlit, and
                                                         // unlit segments are not drawn at all
    EXPECT_EQ(image.pixelColor(68 + 10, 4 + 24), lit);   // inside the 3's middle segment
    sonavistor::test::saveScreenshot(&led, "led-85.3");
}

TEST(LedDisplay, AutoSizeKeepsAOnePixelWiderDisplay)
{
    TLEDFontNum led;
    led.show();
    EXPECT_EQ(led.size(), QSize(47, 38));  // the default display, one pixel wider than "00" needs
    led.setText("13");
    EXPECT_EQ(led.size(), QSize(47, 38));
    led.setText("130");
    EXPECT_EQ(led.size(), QSize(67, 37));
    TLEDFontNum small;
    small.setWordWidth(13);
    small.setWordHeight(17);
    small.show();
    small.setSpace(0);
    small.setText("130");
    EXPECT_EQ(small.size(), QSize(47, 25));
    small.setText("");
    EXPECT_EQ(small.width(), 8);  // 2 x offset - space (0 here)
    small.setAutoSize(false);
    small.setText("88888");
    EXPECT_EQ(small.width(), 8);
}
