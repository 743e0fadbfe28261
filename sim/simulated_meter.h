#pragma once
// A meter that answers as a real one does, in the words of its model: live
// readings, the record count, the date area, records and the clock. It knows
// nothing of a transport: output reports in, input reports (of the model's
// report size, with the pause before them) out.

#include "meter/meter_model.h"
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
    explicit SimulatedMeter(MeterScenario scenario, const MeterModel& model = defaultMeterModel());

    // report: byte 0 the report id, byte 1 the command, the payload after it.
    std::vector<SimReport> handleOutputReport(const quint8* report, int size);

    int recordCount() const { return static_cast<int>(scenario_.memory.size() / model_.recordLayout().bytes); }
    const MeterModel& model() const { return model_; }
    const MeterScenario& scenario() const { return scenario_; }
    // The six clock bytes of the last set-clock command (second ... year).
    QByteArray clock() const { return clock_; }
    // The date area as the meter holds it: the records' dates in the model's date layout.
    QByteArray dateArea() const;

private:
    void add(std::vector<SimReport>& out, const QByteArray& data);
    void addEndMarker(std::vector<SimReport>& out);

    MeterScenario scenario_;
    const MeterModel& model_;
    size_t nextLive_ = 0;
    int sent_ = 0;  // input reports so far, for silentAfterReports
    QByteArray clock_;
};

}  // namespace sonavistor
