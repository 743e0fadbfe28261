#include "sim/simulated_meter.h"

#include <algorithm>

namespace sonavistor {

namespace {

constexpr int kReport = 64;
constexpr int kRecord = 128;
constexpr int kBlock = 4096;
constexpr int kDatesPerBlock = 1365;
constexpr int kMaxBlocks = 193;

quint32 bigEndian32(const quint8* at)
{
    return static_cast<quint32>(at[0]) << 24 | static_cast<quint32>(at[1]) << 16 |
           static_cast<quint32>(at[2]) << 8 | at[3];
}

}  // namespace

SimulatedMeter::SimulatedMeter(MeterScenario scenario) : scenario_(std::move(scenario))
{
    if (scenario_.live.empty())
        scenario_.live.emplace_back(652, 0x41);
}

void SimulatedMeter::add(std::vector<SimReport>& out, const QByteArray& data)
{
    if (scenario_.silentAfterReports >= 0 && sent_ >= scenario_.silentAfterReports)
        return;  // gone quiet: plugged in, answering nothing
    ++sent_;
    QByteArray report = data.left(kReport);
    report.append(kReport - report.size(), '\0');
    out.push_back({report, scenario_.reportDelayMs});
}

void SimulatedMeter::addEndMarker(std::vector<SimReport>& out)
{
    if (scenario_.endMarker)
        add(out, QByteArray("\xFF\xFF", 2));
}

QByteArray SimulatedMeter::dateArea() const
{
    const int records = recordCount();
    const int blocks = std::clamp((records + kDatesPerBlock - 1) / kDatesPerBlock, 1, kMaxBlocks);
    QByteArray area(blocks * kBlock, '\0');
    for (int r = 0; r < records && r < blocks * kDatesPerBlock; ++r) {
        const int at = 3 * r + r / kDatesPerBlock;  // 4096 k + 3 (r - 1365 k)
        for (int b = 0; b < 3; ++b)
            area[at + b] = scenario_.memory[r * kRecord + 2 + b];
    }
    return area;
}

std::vector<SimReport> SimulatedMeter::handleOutputReport(const quint8* report, int size)
{
    std::vector<SimReport> out;
    if (size < 2)
        return out;
    switch (report[1]) {
    case 0xB3: {  // live reading
        const auto [level, status] = scenario_.live[nextLive_ % scenario_.live.size()];
        ++nextLive_;
        QByteArray data(3, '\0');
        data[0] = static_cast<char>((level >> 8) & 0xFF);
        data[1] = static_cast<char>(level & 0xFF);
        data[2] = static_cast<char>(status);
        add(out, data);
        break;
    }
    case 0xB5: {  // record count
        const quint32 count = static_cast<quint32>(recordCount());
        QByteArray data(5, '\0');
        data[0] = static_cast<char>(scenario_.countMark);
        for (int i = 0; i < 4; ++i)
            data[1 + i] = static_cast<char>((count >> (24 - 8 * i)) & 0xFF);
        add(out, data);
        break;
    }
    case 0xB4: {  // date area
        const QByteArray area = dateArea();
        out.reserve(static_cast<size_t>(area.size() / kReport + 1));
        for (int at = 0; at < area.size(); at += kReport)
            add(out, area.mid(at, kReport));
        addEndMarker(out);
        break;
    }
    case 0xC4: {  // records first .. last, 1-based
        if (size < 10)
            break;
        const qint64 first = std::max<qint64>(1, bigEndian32(report + 2));
        const qint64 last = std::min<qint64>(recordCount(), bigEndian32(report + 6));
        for (qint64 r = first; r <= last; ++r) {
            add(out, scenario_.memory.mid(static_cast<qsizetype>((r - 1) * kRecord), kReport));
            add(out, scenario_.memory.mid(static_cast<qsizetype>((r - 1) * kRecord + kReport), kReport));
        }
        addEndMarker(out);
        break;
    }
    case 0x7C:  // set the clock: second, minute, hour, day, month, year
        if (size >= 8)
            clock_ = QByteArray(reinterpret_cast<const char*>(report + 2), 6);
        add(out, QByteArray());
        break;
    default:
        break;  // the meter does not answer what it does not know
    }
    return out;
}

}  // namespace sonavistor
