#pragma once
// The alarm level edits of the setup window: how a level is shown and what a
// typed text means.

#include <QString>

namespace sonavistor {

// The level as a decimal number in its shortest form: 30 shows as "30",
// 35.5 as "35.5".
QString alarmLevelText(double level);

// The decimal value of a typed text, taken as typed (no range limit).
// Text that is not a finite decimal number throws Error with the standard
// conversion message ("'abc' is not a valid floating point value").
double alarmLevelValue(const QString& text);

// An up/down spinner bound to an edit steps from the edit's whole number
// when it holds one within [min, max], else from its own position, by delta,
// and stays within [min, max].
int spinnerStep(const QString& editText, int position, int delta, int min, int max);

}  // namespace sonavistor
