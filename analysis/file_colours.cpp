#include "analysis/file_colours.h"

namespace sonavistor {

std::optional<int> fileOfRecNo(qint32 recNo, const RecNoStarts& s)
{
    if (recNo < s[0])
        return 1;
    for (int k = 2; k <= 9; ++k) {
        if (s[static_cast<size_t>(k - 2)] <= recNo && recNo < s[static_cast<size_t>(k - 1)])
            return k;
    }
    if (recNo >= s[8] && s[8] > s[7])
        return 10;
    return std::nullopt;
}

QColor fileColour(int file, const QPalette& palette)
{
    switch (file) {
    case 1: return QColor(0, 0, 255);       // blue
    case 2: return QColor(0, 128, 0);       // green
    case 3: return QColor(0, 0, 128);       // navy
    case 4: return QColor(255, 0, 0);       // red
    case 5: return QColor(128, 0, 128);     // purple
    case 6: return palette.color(QPalette::Active, QPalette::Dark);
    case 7: return QColor(128, 0, 0);       // maroon
    case 8: return kDesktopColour;
    case 9: return QColor(192, 220, 192);   // money green
    case 10: return QColor(255, 255, 0);    // yellow
    default: return QColor();
    }
}

}  // namespace sonavistor
