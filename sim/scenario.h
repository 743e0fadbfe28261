#pragma once
// A simulated meter's scenario, read from JSON:
//   { "memory": "day.bin",            file of 128-byte records, record 1 first (relative to the JSON)
//     "live": [[652, 65], [853, 64]],  live readings: tenths of a dB and status byte, in turn
//     "reportDelayMs": 0,              pause before each input report
//     "countMark": 239,                first byte of the record-count reply
//     "endMarker": true,               whether bulk reads end with the FF FF marker
//     "unplugAfterReports": -1,        the meter vanishes after this many input reports
//     "silentAfterReports": -1,        the meter stays plugged but answers nothing after this many
//     "vendorId": 1155, "productId": 22368,  the meter model played (by default the first one)
//     "serial": "SN0042" }             the meter's USB serial number (none by default)
// Every key is optional. A memory image may not exceed the meter's memory
// (the 819,200 bytes its date area can index).

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace sonavistor {

struct MeterScenario {
    QByteArray memory;                                   // the records, 128 bytes each
    std::vector<std::pair<int, int>> live;  // level, status; empty: 65.2 dB, range 1, FAST
    int reportDelayMs = 0;
    int countMark = 0xEF;
    bool endMarker = true;
    int unplugAfterReports = -1;
    int silentAfterReports = -1;
    int vendorId = 0x0483;
    int productId = 0x5750;
    QString serial;
};

// The most a memory image may hold: what the meter's record memory holds.
inline constexpr qint64 kMaxScenarioMemory = 819200;

// Throws Error naming the file and the key that is wrong.
MeterScenario loadScenario(const QString& path);
// The same from JSON text; memory paths are relative to baseFolder.
MeterScenario parseScenario(const QByteArray& json, const QString& baseFolder, const QString& name);

// Writes a scenario of a memory: the memory file and the JSON file that
// names it. Both or neither: each is written beside its old self, and the
// pair replaces them only once both are whole on the disk; a pair that
// cannot be put in place leaves the old pair. Throws Error
// (Cannot write file "PATH". REASON).
void writeScenarioFiles(const QString& jsonPath, const QString& memoryPath, const QByteArray& memory);

}  // namespace sonavistor
