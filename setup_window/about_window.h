#pragma once
// TForm3, "About Sonavistor": the program's name and version and the
// operating system it runs on.

#include "common/child_window.h"
#include "setup/os_version.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace sonavistor {

class TForm3 : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // version: what the platform says it is; none keeps the design text.
    explicit TForm3(std::optional<OsVersion> version = readOsVersion());

public slots:
    void BitBtn1Click();  // OK

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const std::optional<OsVersion>& version);

    QLabel* Label1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

}  // namespace sonavistor
