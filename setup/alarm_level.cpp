#include "setup/alarm_level.h"

#include "common/error.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace sonavistor {

QString alarmLevelText(double level)
{
    return QLocale::c().toString(level, 'g', QLocale::FloatingPointShortest);
}

double alarmLevelValue(const QString& text)
{
    bool ok = false;
    // "." is the decimal point whatever the desktop's locale, as in every
    // number the program reads; blanks around the number do not count.
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    // An overflowing exponent ("1e309") or "inf"/"nan" is no level either.
    if (!ok || !std::isfinite(value))
        throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

int spinnerStep(const QString& editText, int position, int delta, int min, int max)
{
    bool ok = false;
    const int typed = editText.trimmed().toInt(&ok);
    const int from = ok && typed >= min && typed <= max ? typed : position;
    return std::clamp(from + delta, min, max);
}

}  // namespace sonavistor
