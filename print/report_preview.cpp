#include "print/report_preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace sonavistor {

namespace {

constexpr char kPreviewCaption[] = "Data Sheet Preview";
constexpr double kSmallestPpm = 1.0;
constexpr double kLargestPpm = 20.0;
constexpr int kPageBorder = 12;  // grey around the paper

QPushButton* addButton(QHBoxLayout* row, QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    row->addWidget(b);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- page view

ReportPageView::ReportPageView(const ReportDocument& document, QWidget* parent)
    : QWidget(parent), document_(document)
{
    setObjectName(QStringLiteral("PageView"));
    setAccessibleName(QStringLiteral("Page"));
    setPixelsPerMm(ppm_);
}

void ReportPageView::setPage(int page)
{
    page_ = page;
    update();
}

void ReportPageView::setPixelsPerMm(double ppm)
{
    ppm_ = std::clamp(ppm, kSmallestPpm, kLargestPpm);
    cachedPage_ = -1;
    const QSizeF mm = document_.layout.pageMm;
    setFixedSize(static_cast<int>(std::ceil(mm.width() * ppm_)) + 2 * kPageBorder,
                 static_cast<int>(std::ceil(mm.height() * ppm_)) + 2 * kPageBorder);
    update();
}

void ReportPageView::paintEvent(QPaintEvent*)
{
    // The page is drawn once when it comes into view; scrolling reuses it.
    if (cachedPage_ != page_) {
        const QSizeF mm = document_.layout.pageMm;
        cache_ = QPixmap(static_cast<int>(std::ceil(mm.width() * ppm_)), static_cast<int>(std::ceil(mm.height() * ppm_)));
        cache_.fill(Qt::white);
        QPainter page(&cache_);
        page.setRenderHint(QPainter::Antialiasing);
        page.setRenderHint(QPainter::TextAntialiasing);
        renderReportPage(page, document_, page_, ppm_);
        cachedPage_ = page_;
        ++pagesDrawn_;
    }
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    p.fillRect(QRect(QPoint(kPageBorder + 3, kPageBorder + 3), cache_.size()), QColor(64, 64, 64));  // shadow
    p.drawPixmap(kPageBorder, kPageBorder, cache_);
}

// ---------------------------------------------------------------- dialog

ReportPreview::ReportPreview(const ReportDocument& document, Actions actions, QWidget* parent)
    : QDialog(parent), document_(document), actions_(std::move(actions))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QString::fromLatin1(kPreviewCaption));
    resize(900, 1000);

    auto* outer = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    outer->addLayout(bar);
    FirstPage = addButton(bar, this, "FirstPage", QStringLiteral("&First"));
    PriorPage = addButton(bar, this, "PriorPage", QStringLiteral("P&rior"));
    auto* pageCaption = new QLabel(QStringLiteral("&Page"), this);
    bar->addWidget(pageCaption);
    PageNumber = new QSpinBox(this);
    PageNumber->setObjectName(QStringLiteral("PageNumber"));
    PageNumber->setRange(1, document_.pageCount());
    pageCaption->setBuddy(PageNumber);
    bar->addWidget(PageNumber);
    PageLabel = new QLabel(this);
    PageLabel->setObjectName(QStringLiteral("PageLabel"));
    bar->addWidget(PageLabel);
    NextPage = addButton(bar, this, "NextPage", QStringLiteral("&Next"));
    LastPage = addButton(bar, this, "LastPage", QStringLiteral("&Last"));
    bar->addSpacing(16);
    QPushButton* zoomIn = addButton(bar, this, "ZoomIn", QStringLiteral("&Zoom In"));
    QPushButton* zoomOut = addButton(bar, this, "ZoomOut", QStringLiteral("Zoom O&ut"));
    bar->addStretch(1);
    QPushButton* print = addButton(bar, this, "PrintButton", QStringLiteral("Pr&int"));
    QPushButton* pdf = addButton(bar, this, "SavePdfButton", QStringLiteral("Save P&DF..."));
    QPushButton* close = addButton(bar, this, "CloseButton", QStringLiteral("&Close"));

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("PageScroll"));
    scroll_->setAlignment(Qt::AlignHCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new ReportPageView(document_, scroll_);
    scroll_->setWidget(view_);
    outer->addWidget(scroll_, 1);

    connect(FirstPage, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(PriorPage, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(NextPage, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(LastPage, &QPushButton::clicked, this, [this] { showPage(pageCount() - 1); });
    connect(PageNumber, &QSpinBox::valueChanged, this, [this](int n) { showPage(n - 1); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { zoomBy(1.25); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { zoomBy(0.8); });
    print->setEnabled(static_cast<bool>(actions_.print));
    if (actions_.print)
        connect(print, &QPushButton::clicked, this, [this] { actions_.print(); });
    pdf->setEnabled(static_cast<bool>(actions_.savePdf));
    if (actions_.savePdf)
        connect(pdf, &QPushButton::clicked, this, [this] { actions_.savePdf(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showPage(0);
}

void ReportPreview::showPage(int page)
{
    page_ = std::clamp(page, 0, pageCount() - 1);
    view_->setPage(page_);
    const QSignalBlocker quiet(PageNumber);
    PageNumber->setValue(page_ + 1);
    PageLabel->setText(QStringLiteral("of %1").arg(pageCount()));
    FirstPage->setEnabled(page_ > 0);
    PriorPage->setEnabled(page_ > 0);
    NextPage->setEnabled(page_ < pageCount() - 1);
    LastPage->setEnabled(page_ < pageCount() - 1);
}

void ReportPreview::zoomBy(double factor)
{
    view_->setPixelsPerMm(view_->pixelsPerMm() * factor);
}

}  // namespace sonavistor
