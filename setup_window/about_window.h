#pragma once
// The About window, "About Sonavistor" (old form name TForm3): the program's
// name and version and the operating system it runs on.

#include "common/child_window.h"
#include "setup/os_version.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace sonavistor {

class AboutWindow : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // version: what the platform says it is; none keeps the design text.
    explicit AboutWindow(std::optional<OsVersion> version = readOsVersion());

public slots:
    void closeAbout();  // OK

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showOperatingSystem(const std::optional<OsVersion>& version);

    QLabel* systemLabel_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace sonavistor
