// Integer division rounded down, for times before an epoch: -1 s is in the
// day before, where C++'s division would round it up into the day itself.
#pragma once

#include <QtGlobal>

namespace sonavistor {

inline qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace sonavistor
