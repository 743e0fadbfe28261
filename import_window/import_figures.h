#pragma once
// The import window's four figures, kept row by row as the rows come:
// Records, MAX, MIN and AVG, and the texts it shows for them.

#include "store/reading_row.h"

#include <QString>

namespace sonavistor {

class ImportFigures {
public:
    void reset() { *this = ImportFigures(); }
    // The first level sets maximum and minimum; later ones raise or lower them.
    void add(double level);

    int count() const { return count_; }
    double total() const { return total_; }
    double maximum() const { return maximum_; }
    double minimum() const { return minimum_; }

    QString recordsText() const { return QString::number(count_); }
    QString maxText() const;  // shortest form: "70", "65.3"
    QString minText() const;
    QString avgText() const;  // always one decimal: "70.0"; empty before the first row

private:
    int count_ = 0;
    double total_ = 0;
    double maximum_ = 0;
    double minimum_ = 0;
};

// A level in the shortest general number form, without a decimal for whole
// numbers: 70.0 -> "70", 65.3 -> "65.3".
QString shortestLevelText(double level);

// The level of an imported row in dB (its text "65.3" as a number).
double rowLevel(const ReadingRow& row);

}  // namespace sonavistor
