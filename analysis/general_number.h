#pragma once
// Numbers in their shortest general form, as the MIN and MAX boxes of the
// data view show a level: 70, 65.3, 1300.

#include <QString>

namespace sonavistor {

// The fewest digits that read back as the same value, "." as decimal point,
// no exponent below 1e15.
QString generalNumber(double value);

}  // namespace sonavistor
