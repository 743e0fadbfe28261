#include "analysis/general_number.h"

#include <QLocale>

#include <cmath>

namespace sonavistor {

QString generalNumber(double value)
{
    const char format = std::abs(value) < 1e15 ? 'f' : 'g';
    return QString::number(value, format, QLocale::FloatingPointShortest);
}

}  // namespace sonavistor
