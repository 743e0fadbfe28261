#pragma once
// One measurement row of MeaData, GetRecorde or LoadData. Every value is kept
// as the text the writer formatted; RecNo is the row number.

#include <QString>
#include <QtGlobal>

namespace sonavistor {

struct ReadingRow {
    QString NDate;     // date as written, e.g. 2024/5/17
    QString NTime;     // time as written, e.g. 9:5:3
    QString MeaValue;  // level in dB as text, e.g. 65.3 (saved files may lack the decimal)
    QString Weight;    // "A" or "C"
    qint32 RecNo = 0;

    friend bool operator==(const ReadingRow&, const ReadingRow&) = default;
};

}  // namespace sonavistor
