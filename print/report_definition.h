#pragma once
// The data-sheet report definition: the report project file
// "Quorvane_en.rav" in the program folder, a small line-based text format of
// our own (README, "Report definition"). It is read anew at every print;
// every error names the file, and the line and column where it can.

#include "common/error.h"

#include <QSizeF>
#include <QString>

#include <vector>

namespace sonavistor {

struct ReadingRow;

// The fields a report reads through ReportDataConnection1: the columns of
// the measurement tables.
enum class ReportField { NDate, NTime, MeaValue, Weight, RecNo };
enum class ReportAlign { Left, Center, Right };

struct ReportColumn {
    ReportField field = ReportField::RecNo;
    QString title;
    double widthMm = 0;
    ReportAlign align = ReportAlign::Left;
};

struct ReportDefinition {
    static constexpr char kConnection[] = "ReportDataConnection1";

    QString connection;
    QSizeF paperMm{210, 297};  // upright: width <= height as given
    bool landscape = false;
    double marginLeftMm = 15;
    double marginTopMm = 15;
    double marginRightMm = 15;
    double marginBottomMm = 15;
    QString fontFamily = QStringLiteral("DejaVu Sans");
    double fontPoints = 9;
    // Texts may hold {page}, {pages}, {date}, {time} and {company}.
    QString title;
    QString headerLeft;
    QString headerRight;
    std::vector<ReportColumn> columns;
    QString summaryHeading;  // empty: no closing summary
    QString footer;

    // The page as it stands, orientation applied.
    QSizeF pageSizeMm() const { return landscape ? paperMm.transposed() : paperMm; }
};

// Parses a definition; fileName goes into the messages. Throws Error
// ("FILE, line L, column C: what is wrong") for anything it cannot use.
ReportDefinition parseReportDefinition(const QString& text, const QString& fileName);
// Reads and parses the file. Throws Error naming the file when it is
// missing, unreadable or invalid.
ReportDefinition readReportDefinition(const QString& path);

QString reportFieldName(ReportField field);
// A row's value of a field as the report prints it.
QString reportFieldText(const ReadingRow& row, ReportField field);

struct ReportTextValues {
    int page = 1;
    int pages = 1;
    QString date;
    QString time;
    QString company;
};
// A definition text with its placeholders filled.
QString fillReportText(const QString& text, const ReportTextValues& values);

}  // namespace sonavistor
