#pragma once
// A meter that answers as the real one does: live readings (0xB3), the
// record count (0xB5), the date area (0xB4), records (0xC4) and the clock
// (0x7C). It knows nothing of a transport: output reports in, input reports
// (64 data bytes each, with the pause before them) out.

#include "sim/scenario.h"

#include <QByteArray>

#include <vector>

namespace sonavistor {

struct SimReport {
    QByteArray data;  // 64 bytes
    int delayMs = 0;
};

class SimulatedMeter {
public:
    explicit SimulatedMeter(MeterScenario scenario);

    // report: byte 0 the report id, byte 1 the command, the payload after it.
    std::vector<SimReport> handleOutputReport(const quint8* report, int size);

    int recordCount() const { return static_cast<int>(scenario_.memory.size() / 128); }
    const MeterScenario& scenario() const { return scenario_; }
    // The six clock bytes of the last set-clock command (second ... year).
    QByteArray clock() const { return clock_; }
    // The date area as the meter holds it: 1,365 three-byte dates per 4,096-byte block.
    QByteArray dateArea() const;

private:
    void add(std::vector<SimReport>& out, const QByteArray& data);
    void addEndMarker(std::vector<SimReport>& out);

    MeterScenario scenario_;
    size_t nextLive_ = 0;
    int sent_ = 0;  // input reports so far, for silentAfterReports
    QByteArray clock_;
};

}  // namespace sonavistor
