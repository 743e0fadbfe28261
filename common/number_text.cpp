#include "common/number_text.h"

#include <cmath>

namespace sonavistor {

QString oneDecimal(double value)
{
    const double tenths = std::round(value * 10.0);  // std::round takes halves away from zero
    return QString::number(tenths / 10.0, 'f', 1);
}

}  // namespace sonavistor
