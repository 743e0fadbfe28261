#include "analysis/file_colours.h"
#include "analysis/general_number.h"

#include <QPalette>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

std::optional<int> fileOf(qint32 recNo, RecNoStarts starts)
{
    return fileOfRecNo(recNo, starts);
}

}  // namespace

TEST(FileOfRecNo, TenFilesAndTheTenthOnlyAfterANonEmptyNinth)
{
    const RecNoStarts ten{3, 5, 7, 9, 11, 13, 15, 17, 19, 21};
    for (int file = 1; file <= 10; ++file) {
        EXPECT_EQ(fileOf(2 * file - 1, ten), file);
        EXPECT_EQ(fileOf(2 * file, ten), file);
    }
    // An empty ninth file (S9 = S8): the tenth file's rows match no rule.
    const RecNoStarts emptyNinth{3, 5, 7, 9, 11, 13, 15, 17, 17, 21};
    EXPECT_EQ(fileOf(17, emptyNinth), std::nullopt);
    EXPECT_EQ(fileOf(20, emptyNinth), std::nullopt);
    // An empty file in between takes none of the rows after it.
    EXPECT_EQ(fileOf(4, RecNoStarts{4, 4, 6}), 3);
}

TEST(FileColours, TheTenColours)
{
    QPalette palette;
    palette.setColor(QPalette::Dark, QColor(160, 160, 160));
    const QColor expected[10] = {{0, 0, 255},   {0, 128, 0},     {0, 0, 128},       {255, 0, 0},
                                 {128, 0, 128}, {160, 160, 160}, {128, 0, 0},       kDesktopColour,
                                 {192, 220, 192}, {255, 255, 0}};
    for (int file = 1; file <= 10; ++file)
        EXPECT_EQ(fileColour(file, palette), expected[file - 1]) << file;
}

TEST(GeneralNumber, ShortestFormWithoutExponent)
{
    EXPECT_EQ(generalNumber(65 + 3 / 10.0), "65.3");
    EXPECT_EQ(generalNumber(123456.0), "123456");
    EXPECT_EQ(generalNumber(99999 + 9 / 10.0), "99999.9");
}
