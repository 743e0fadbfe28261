#pragma once
// The data sheet's preview: one page at a time, drawn when it is shown (a
// day of readings is some 800 pages; none is drawn before it is looked at),
// with page and zoom buttons, Print and Save PDF.

#include "print/report_render.h"

#include <QDialog>
#include <QPixmap>

#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;

namespace sonavistor {

// The page on screen.
class ReportPageView : public QWidget {
    Q_OBJECT
public:
    ReportPageView(const ReportDocument& document, QWidget* parent = nullptr);
    void setPage(int page);
    void setPixelsPerMm(double ppm);
    double pixelsPerMm() const { return ppm_; }
    int pagesDrawn() const { return pagesDrawn_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ReportDocument& document_;
    int page_ = 0;
    double ppm_ = 96 / 25.4;
    QPixmap cache_;
    int cachedPage_ = -1;
    int pagesDrawn_ = 0;
};

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> print;    // null: no printer to print on
        std::function<void()> savePdf;
    };

    ReportPreview(const ReportDocument& document, Actions actions, QWidget* parent = nullptr);

    int currentPage() const { return page_; }  // from 0
    int pageCount() const { return document_.pageCount(); }
    ReportPageView* pageView() const { return view_; }

public slots:
    void showPage(int page);
    void zoomBy(double factor);

private:
    const ReportDocument& document_;
    Actions actions_;
    int page_ = 0;
    ReportPageView* view_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QSpinBox* PageNumber = nullptr;
    QLabel* PageLabel = nullptr;
    QPushButton* FirstPage = nullptr;
    QPushButton* PriorPage = nullptr;
    QPushButton* NextPage = nullptr;
    QPushButton* LastPage = nullptr;
};

}  // namespace sonavistor
