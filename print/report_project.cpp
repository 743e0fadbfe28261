#include "print/report_project.h"

#include "common/error.h"
#include "store/measurement_db.h"

namespace sonavistor {

long long ReportDataConnection::rowCount() const
{
    return database_.rowCount(table_);
}

std::vector<ReadingRow> ReportDataConnection::readRows() const
{
    // RecNo is the tables' key, so the order they keep is RecNo order.
    return database_.rows(table_);
}

void TReportProject::Open()
{
    definition_.reset();
    definition_ = readReportDefinition(path_);
}

ReportDocument TReportProject::runDefaultReport(const ReportDataConnection& connection, const QString& company,
                                                const QDateTime& printedAt) const
{
    if (!definition_)
        throw Error(QStringLiteral("The report project %1 is not open.").arg(path_));
    return makeReportDocument(*definition_, connection.readRows(), company, printedAt);
}

}  // namespace sonavistor
