#include "measure/print_graph.h"

#include "common/message_service.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

namespace sonavistor {

namespace {

constexpr char kNoPrinter[] = "No printer is installed, so the graph cannot be printed.";
constexpr char kPrintCaption[] = "Print Graph";

// Puts the printer's orientation back when it goes out of scope.
class OrientationKeeper {
public:
    explicit OrientationKeeper(QPrinter& printer)
        : printer_(printer), kept_(printer.pageLayout().orientation())
    {
    }
    ~OrientationKeeper() { printer_.setPageOrientation(kept_); }

private:
    QPrinter& printer_;
    QPageLayout::Orientation kept_;
};

}  // namespace

bool printChart(QWidget* chart, QPrinter& printer)
{
    OrientationKeeper keep(printer);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRect target(page.left() + page.width() * 5 / 100, page.top() + page.height() * 4 / 100,
                       page.width() * (100 - 5 - 4) / 100, page.height() * (100 - 4 - 5) / 100);
    // Stretched to the margins, not kept in proportion.
    const QPixmap picture = chart->grab();
    painter.drawPixmap(target.translated(-painter.viewport().topLeft()), picture);
    return painter.end();
}

void PrintGraph(QWidget* chart, QPrinter* printer, MessageService& messages)
{
    if (!printer || QPrinterInfo::availablePrinters().isEmpty()) {
        messages.show({QString::fromLatin1(kNoPrinter), QString::fromLatin1(kPrintCaption),
                       MessageIcon::Information, Ok, Ok});
        return;
    }
    if (!printChart(chart, *printer))
        messages.showError(QStringLiteral("The printer %1 could not print the graph.").arg(printer->printerName()));
}

}  // namespace sonavistor
