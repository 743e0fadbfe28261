#pragma once
// Numbers as the program writes them.

#include <QString>

namespace sonavistor {

// One decimal with "." whatever the locale; a half is rounded away from zero
// (85.25 -> "85.3", -0.25 -> "-0.3").
QString oneDecimal(double value);

}  // namespace sonavistor
