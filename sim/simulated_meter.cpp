#include "sim/simulated_meter.h"

#include <algorithm>

namespace sonavistor {

SimulatedMeter::SimulatedMeter(MeterScenario scenario, const MeterModel& model)
    : scenario_(std::move(scenario)), model_(model)
{
    if (scenario_.live.empty())
        scenario_.live.emplace_back(652, 0x41);
}

void SimulatedMeter::add(std::vector<SimReport>& out, const QByteArray& data)
{
    if (scenario_.silentAfterReports >= 0 && sent_ >= scenario_.silentAfterReports)
        return;  // gone quiet: plugged in, answering nothing
    ++sent_;
    const int size = model_.reportSize();
    QByteArray report = data.left(size);
    report.append(size - report.size(), '\0');
    out.push_back({report, scenario_.reportDelayMs});
}

void SimulatedMeter::addEndMarker(std::vector<SimReport>& out)
{
    if (scenario_.endMarker)
        add(out, model_.endMarker());
}

QByteArray SimulatedMeter::dateArea() const
{
    const DateLayout dates = model_.dateLayout();
    const RecordLayout record = model_.recordLayout();
    const int records = recordCount();
    const int blocks = std::clamp((records + dates.entriesPerBlock - 1) / dates.entriesPerBlock, 1, dates.maxBlocks);
    QByteArray area(blocks * dates.blockBytes, '\0');
    for (int r = 0; r < records && r < blocks * dates.entriesPerBlock; ++r) {
        const int at = dates.entryOffset(r);
        for (int b = 0; b < dates.entryBytes; ++b)
            area[at + b] = scenario_.memory[r * record.bytes + record.stampOffset + b];
    }
    return area;
}

std::vector<SimReport> SimulatedMeter::handleOutputReport(const quint8* report, int size)
{
    std::vector<SimReport> out;
    if (size < 2)
        return out;
    const quint8* payload = report + 1;
    const int payloadSize = size - 1;
    switch (model_.commandOf(payload, payloadSize)) {
    case MeterCommand::Live: {
        const auto [level, status] = scenario_.live[nextLive_ % scenario_.live.size()];
        ++nextLive_;
        add(out, model_.encodeLive(level, status));
        break;
    }
    case MeterCommand::Count:
        add(out, model_.encodeCount(static_cast<quint8>(scenario_.countMark), static_cast<quint32>(recordCount())));
        break;
    case MeterCommand::Dates: {
        const QByteArray area = dateArea();
        const int reportSize = model_.reportSize();
        out.reserve(static_cast<size_t>(area.size() / reportSize + 1));
        for (int at = 0; at < area.size(); at += reportSize)
            add(out, area.mid(at, reportSize));
        addEndMarker(out);
        break;
    }
    case MeterCommand::Records: {  // first .. last, 1-based
        const auto [asked, upTo] = model_.recordsAsked(payload, payloadSize);
        const qint64 first = std::max<qint64>(1, asked);
        const qint64 last = std::min<qint64>(recordCount(), upTo);
        const int recordBytes = model_.recordLayout().bytes;
        const int reportSize = model_.reportSize();
        for (qint64 r = first; r <= last; ++r) {
            for (int at = 0; at < recordBytes; at += reportSize)
                add(out, scenario_.memory.mid(static_cast<qsizetype>((r - 1) * recordBytes + at), reportSize));
        }
        addEndMarker(out);
        break;
    }
    case MeterCommand::Clock:  // second, minute, hour, day, month, year
        if (payloadSize >= 7)
            clock_ = QByteArray(reinterpret_cast<const char*>(payload + 1), 6);
        add(out, QByteArray());
        break;
    case MeterCommand::Unknown:
        break;  // the meter does not answer what it does not know
    }
    return out;
}

}  // namespace sonavistor
