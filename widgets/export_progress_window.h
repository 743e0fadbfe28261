#pragma once
// The spreadsheet exporter's progress window: borderless, 300 x 100, black,
// centred on the screen, a raised panel with "正在导出数据，请稍候......" and a
// blue gauge up to the record count. It shows itself, painted at once, when
// the export gives it its maximum and hides when the export is over.

#include "common/progress.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace sonavistor {

class ExportProgressWindow : public QWidget, public Progress {
    Q_OBJECT
public:
    explicit ExportProgressWindow(QWidget* parent = nullptr);

    void setMaximum(int maximum) override;
    void setPosition(int position) override;
    int position() const override;
    void finish() override;

    QLabel* label() const { return label_; }
    QProgressBar* gauge() const { return gauge_; }

private:
    QLabel* label_ = nullptr;
    QProgressBar* gauge_ = nullptr;
};

}  // namespace sonavistor
