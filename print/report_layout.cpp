#include "print/report_layout.h"

#include <algorithm>
#include <cmath>

namespace sonavistor {

double reportFontMm(double fontPoints)
{
    return fontPoints * 25.4 / 72.0;
}

double reportLineMm(double fontPoints)
{
    return reportFontMm(fontPoints) * 1.45;
}

ReportLayout layoutReport(const ReportDefinition& d, long long rowCount, int summaryLines)
{
    ReportLayout l;
    l.pageMm = d.pageSizeMm();
    l.left = d.marginLeftMm;
    l.right = l.pageMm.width() - d.marginRightMm;
    l.top = d.marginTopMm;
    l.bottom = l.pageMm.height() - d.marginBottomMm;
    l.lineMm = reportLineMm(d.fontPoints);
    l.titleLineMm = l.lineMm * kTitleScale;
    l.headerTop = l.top + l.titleLineMm;
    l.columnHeaderTop = l.headerTop + l.lineMm * 1.5;
    l.rowsTop = l.columnHeaderTop + l.lineMm * 1.2;  // room for the rule under the header
    l.footerTop = l.bottom - l.lineMm;
    l.rowsBottom = l.footerTop - l.lineMm * 0.5;
    double x = l.left;
    for (const ReportColumn& c : d.columns) {
        l.columnLeft.push_back(x);
        l.columnWidth.push_back(c.widthMm);
        x += c.widthMm;
    }
    // The small allowance keeps a page that is exactly n lines high at n rows.
    l.rowsPerPage = std::max(0, static_cast<int>(std::floor((l.rowsBottom - l.rowsTop) / l.lineMm + 1e-9)));
    l.rowCount = std::max(0LL, rowCount);
    l.summary = !d.summaryHeading.isEmpty();
    if (l.rowsPerPage > 0 && l.rowCount > 0)
        l.dataPages = static_cast<int>((l.rowCount + l.rowsPerPage - 1) / l.rowsPerPage);
    l.pageCount = l.dataPages;
    if (l.summary) {
        const int used = l.rowsOn(l.dataPages - 1);
        l.summaryOnOwnPage = l.rowsTop + (used + summaryLines) * l.lineMm > l.rowsBottom + 1e-9;
        if (l.summaryOnOwnPage)
            ++l.pageCount;
    }
    return l;
}

long long ReportLayout::firstRow(int page) const
{
    return std::min(rowCount, static_cast<long long>(page) * rowsPerPage);
}

int ReportLayout::rowsOn(int page) const
{
    if (page < 0 || page >= dataPages)
        return 0;
    return static_cast<int>(std::min<long long>(rowsPerPage, rowCount - firstRow(page)));
}

bool ReportLayout::summaryOn(int page) const
{
    return summary && page == pageCount - 1;
}

double ReportLayout::summaryTop(int page) const
{
    if (summaryOnOwnPage)
        return columnHeaderTop;
    return rowsTop + rowsOn(page) * lineMm;
}

}  // namespace sonavistor
