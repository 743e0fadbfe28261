#pragma once
// Test memories for the simulated meter: days of 128-byte records in the
// meter's layout (BCD time stamp, 60 levels two seconds apart).

#include <QByteArray>
#include <QDateTime>

#include <vector>

namespace sonavistor {

struct GeneratedDay {
    QDateTime start;        // time stamp of the first record
    int records = 1;        // 120 seconds each
    int baseLevel = 650;    // tenths of a dB
    int swing = 120;        // tenths of a dB around the base
    int status = 0;
};

// One record with the given time stamp and 60 levels (tenths of a dB).
QByteArray makeRecord(const QDateTime& stamp, const std::vector<int>& levels, int status = 0);
QByteArray generateMemory(const std::vector<GeneratedDay>& days);

// "2024-05-17T08:00:00/30@650": start, record count, optional base level.
// Returns false when the text is not of that form.
bool parseGeneratedDay(const QString& text, GeneratedDay& day);

}  // namespace sonavistor
