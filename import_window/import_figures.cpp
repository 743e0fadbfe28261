#include "import_window/import_figures.h"

#include "common/number_text.h"

namespace sonavistor {

void ImportFigures::add(double level)
{
    if (count_ == 0) {
        maximum_ = level;
        minimum_ = level;
    } else if (level > maximum_) {
        maximum_ = level;
    } else if (level < minimum_) {
        minimum_ = level;
    }
    ++count_;
    total_ += level;
}

QString ImportFigures::maxText() const
{
    return count_ ? shortestLevelText(maximum_) : QString();
}

QString ImportFigures::minText() const
{
    return count_ ? shortestLevelText(minimum_) : QString();
}

QString ImportFigures::avgText() const
{
    return count_ ? oneDecimal(total_ / count_) : QString();
}

QString shortestLevelText(double level)
{
    // Fifteen significant digits, as a general number format shows a double:
    // enough for every tenth of a dB, without the binary noise of 65.3.
    return QString::number(level, 'g', 15);
}

double rowLevel(const ReadingRow& row)
{
    return row.MeaValue.toDouble();
}

}  // namespace sonavistor
