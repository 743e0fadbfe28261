#pragma once
// An up/down spinner bound to an edit: two arrow buttons that step the
// edit's number by one within a range, as Up and Down do in the edit. The
// edit itself takes any text.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace sonavistor {

class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent = nullptr);

    int position() const { return position_; }
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // One click on the up (+1) or down (-1) arrow.
    void step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* associate_;
    int min_;
    int max_;
    int position_;
};

}  // namespace sonavistor
