#include "widgets/print_graph.h"

#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/whole_file.h"
#include "common/window_context.h"
#include "widgets/level_chart.h"

#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

namespace sonavistor {

namespace {

constexpr char kNoPrinter[] = "No printer is installed. Do you want to save the graph as a PDF file instead?";
constexpr char kPrintCaption[] = "Print Graph";
constexpr char kPdfFilter[] = "*.pdf|*.pdf";
constexpr char kReplaceQuestion[] = "  already exists!\rDo you want to replace it?";
constexpr char kQueryCaption[] = "Query  Information";
constexpr double kFooterPoints = 10;
constexpr double kLayoutDpi = 96;

// Puts the device's orientation back when it goes out of scope.
class OrientationKeeper {
public:
    explicit OrientationKeeper(QPagedPaintDevice& printer)
        : printer_(printer), kept_(printer.pageLayout().orientation())
    {
    }
    ~OrientationKeeper() { printer_.setPageOrientation(kept_); }

private:
    QPagedPaintDevice& printer_;
    QPageLayout::Orientation kept_;
};

bool drawChart(const LevelChart& chart, const QStringList& footer, QPagedPaintDevice& printer, int dpi);

// A PDF through the program's file writer: the old file stays unless the
// new one is whole. Throws Error with the reason a write failed; false when
// drawing could not start.
bool chartToPdf(const LevelChart& chart, const QStringList& footer, const QString& path, const QPageLayout& layout,
                int dpi)
{
    WholeFile file(path);
    bool drawn = false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(dpi);
        pdf.setPageLayout(layout);
        drawn = drawChart(chart, footer, pdf, dpi);
    }
    if (!file.failure().isEmpty())
        throw Error(file.failure());
    if (drawn)
        file.commit();
    return drawn;
}

}  // namespace

bool printerReady(const QPrinter* printer)
{
    if (!printer)
        return false;
    if (printer->outputFormat() == QPrinter::PdfFormat)
        return !printer->outputFileName().isEmpty();
    return printer->isValid() && !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool printChart(const LevelChart& chart, const QStringList& footer, QPrinter& printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return chartToPdf(chart, footer, printer.outputFileName(), printer.pageLayout(), printer.resolution());
    return drawChart(chart, footer, printer, printer.resolution());
}

namespace {

bool drawChart(const LevelChart& chart, const QStringList& footer, QPagedPaintDevice& printer, int dpi)
{
    OrientationKeeper keep(printer);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().fullRectPixels(dpi);
    // Margins are parts of the paper, wherever the printer's printable area begins.
    painter.translate(-printer.pageLayout().paintRectPixels(dpi).topLeft());
    const QRectF target(page.left() + page.width() * 0.05, page.top() + page.height() * 0.04,
                        page.width() * (1.0 - 0.05 - 0.04), page.height() * (1.0 - 0.04 - 0.05));

    QFont font = painter.font();
    font.setPointSizeF(kFooterPoints);
    painter.setFont(font);
    const double line = painter.fontMetrics().lineSpacing();
    const double footerHeight = line * (footer.size() + 0.5);
    const QRectF chartArea(target.left(), target.top(), target.width(), target.height() - footerHeight);

    // The chart is laid out anew for the page's area, as a screen of 96 dots
    // per inch would show it that large, and drawn through the printer's
    // painter: axes, labels and lines stay vectors at the printer's resolution.
    QChart* c = chart.chart();
    if (QGraphicsScene* scene = c->scene()) {
        const QSizeF onScreen = c->size();
        const double scale = dpi / kLayoutDpi;
        c->resize(chartArea.width() / scale, chartArea.height() / scale);
        if (c->layout())
            c->layout()->activate();
        // Stretched to the margins, not kept in proportion.
        scene->render(&painter, chartArea, c->sceneBoundingRect(), Qt::IgnoreAspectRatio);
        c->resize(onScreen);
        if (c->layout())
            c->layout()->activate();
    }
    double y = chartArea.bottom() + line * 0.5;
    for (const QString& text : footer) {
        painter.drawText(QRectF(target.left(), y, target.width(), line), Qt::AlignLeft | Qt::AlignVCenter, text);
        y += line;
    }
    return painter.end();
}

}  // namespace

void PrintGraph(const LevelChart& chart, const QStringList& footer, const WindowContext& context)
{
    if (printerReady(context.printer)) {
        try {
            if (!printChart(chart, footer, *context.printer))
                context.messages.showError(
                    QStringLiteral("The printer %1 could not print the graph.").arg(context.printer->printerName()));
        } catch (const Error& e) {
            context.messages.showError(e.message());
        }
        return;
    }
    if (context.messages.show({QString::fromLatin1(kNoPrinter), QString::fromLatin1(kPrintCaption),
                               MessageIcon::Question, Yes | No, Yes}) != Yes)
        return;
    const QString path = context.dialogs.getSaveFileName(nullptr, QString::fromLatin1(kPdfFilter), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    if (!mayReplaceFile(context.messages, path, path + QString::fromLatin1(kReplaceQuestion),
                        QString::fromLatin1(kQueryCaption)))
        return;
    // The page a PDF printer would have: its default paper at high resolution.
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    try {
        if (!chartToPdf(chart, footer, path, pdf.pageLayout(), pdf.resolution()))
            context.messages.showError(QStringLiteral("The graph could not be written to %1.").arg(path));
    } catch (const Error& e) {
        context.messages.showError(e.message());
    }
}

}  // namespace sonavistor
