#pragma once
// A status bar of fixed-width panels, one of which the owner draws itself.

#include <QStatusBar>

#include <functional>
#include <vector>

namespace sonavistor {

class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    using DrawPanel = std::function<void(QPainter&, const QRect&)>;

    explicit PanelStatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);

    int panelCount() const { return static_cast<int>(panels_.size()); }
    int panelWidth(int index) const { return panels_.at(index).width; }
    QString panelText(int index) const { return panels_.at(index).text; }
    // Sets a panel's text; the bar repaints when it is next asked to.
    void setPanelText(int index, const QString& text);
    QRect panelRect(int index) const;
    // The panel the owner draws; every other panel shows its text.
    void setOwnerDrawn(int index, DrawPanel draw);
    // How often the bar has painted (tests watch the refresh with it).
    int paintCount() const { return paintCount_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        int width;
        QString text;
    };
    std::vector<Panel> panels_;
    int ownerDrawn_ = -1;
    DrawPanel draw_;
    int paintCount_ = 0;
};

}  // namespace sonavistor
