#pragma once
// Reads back the worksheet records the exporter writes (LABEL, NUMBER, RK,
// BLANK between BOF and EOF): a check that a written file says what it should.

#include "common/error.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <map>
#include <utility>

namespace sonavistor {

struct BiffSheet {
    // (row, column) -> text (LABEL), double (NUMBER), integer (RK), null (BLANK).
    std::map<std::pair<int, int>, QVariant> cells;
    int lastRow = -1;

    QVariant cell(int row, int column) const;
    QString text(int row, int column) const { return cell(row, column).toString(); }
};

// Throws Error for a truncated record, a missing BOF or EOF, or an unknown record.
BiffSheet readBiffSheet(const QByteArray& bytes);
BiffSheet readBiffFile(const QString& path);

}  // namespace sonavistor
