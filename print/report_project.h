#pragma once
// The report engine's two components the main window owns: the connection
// (ReportDataConnection, named ReportDataConnection1 in the report files),
// through which a report reads the rows of one measurement table, and the
// project (TReportProject), which opens the report project file, runs its
// default report over the connection and closes it again.

#include "common/table_id.h"
#include "print/report_definition.h"
#include "print/report_render.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace sonavistor {

class MeasurementDatabase;

class ReportDataConnection {
public:
    // Until the first print it reads LoadData.
    explicit ReportDataConnection(const MeasurementDatabase& database) : database_(database) {}

    void bind(TableId table) { table_ = table; }
    TableId table() const { return table_; }
    long long rowCount() const;
    // The whole table, read anew, in the order the table keeps its rows.
    std::vector<ReadingRow> readRows() const;

private:
    const MeasurementDatabase& database_;
    TableId table_ = TableLoadData;
};

class TReportProject {
public:
    void setProjectFile(const QString& path) { path_ = path; }
    const QString& projectFile() const { return path_; }

    // Reads the definition from the file, anew each time. Throws Error
    // naming the file when it is missing, unreadable or invalid.
    void Open();
    void Close() { definition_.reset(); }
    bool isOpen() const { return definition_.has_value(); }
    const ReportDefinition& definition() const { return *definition_; }

    // The default report over the connection's rows as they are now.
    ReportDocument runDefaultReport(const ReportDataConnection& connection, const QString& company,
                                    const QDateTime& printedAt) const;

private:
    QString path_;
    std::optional<ReportDefinition> definition_;
};

}  // namespace sonavistor
