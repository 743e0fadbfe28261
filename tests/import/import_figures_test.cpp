#include "import_window/import_figures.h"
#include "import_window/import_view.h"

#include <gtest/gtest.h>

using namespace sonavistor;

TEST(ImportFigures, TheFirstRowSetsBothEndsAndWholeLevelsLoseTheirDecimal)
{
    ImportFigures f;
    EXPECT_EQ(f.avgText(), "");
    for (const char* level : {"65.3", "102.4", "0.0", "60.0"})
        f.add(rowLevel({"", "", level, "A", 0}));
    EXPECT_EQ(f.maxText(), "102.4");
    EXPECT_EQ(f.minText(), "0");
    EXPECT_EQ(f.avgText(), "56.9");  // 227.7 / 4
}

TEST(ImportView, PanelsCentreWithHalvesTowardZeroAndAFollowedViewKeepsItsWidth)
{
    // A chart panel smaller than the panel: -9.5 becomes -9, not -10.
    EXPECT_EQ(centredPanelPos({301, 280}, {320, 300}), QPoint(-9, -10));
    EXPECT_EQ(followedRange({0, 59}, 60), (AxisRange{0, 59}));
    const AxisRange zoomed = followedRange({11.8, 47.2}, 100);
    EXPECT_NEAR(zoomed.min, 63.8, 1e-9);
    EXPECT_NEAR(zoomed.max, 99.2, 1e-9);
}
