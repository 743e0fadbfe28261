#pragma once
// Saves what a widget shows as build/screenshots/NAME.png for reviewers.

#include <QString>

class QWidget;

namespace sonavistor::test {

// Returns the path written, or an empty string when saving failed.
QString saveScreenshot(QWidget* widget, const QString& name);

}  // namespace sonavistor::test
