#include "meter/fake_hid_platform.h"

#include <QPointer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace sonavistor {

using Clock = std::chrono::steady_clock;

// Output reports a device keeps for written(): the demo runs for days.
constexpr qsizetype kWrittenKept = 10000;
// Input reports one handle holds unread. hidraw drops what comes to a full
// reader buffer (63 reports); the cap is larger here because a simulated
// meter at zero delay hands over a whole memory dump (12,800 reports) at
// once. Without it, an open handle that is never read grows for ever.
constexpr size_t kUnreadKept = 16384;

struct FakeHidPlatform::DeviceState {
    FakeDeviceSetup setup;
    HidInterfaceInfo info;
    std::mutex mutex;
    std::condition_variable changed;
    struct Pending {
        QByteArray data;
        Clock::time_point readyAt;
    };
    // As with hidraw, every open handle has its own queue of input reports,
    // and a report reaches only the handles open when it comes (its readyAt).
    std::deque<Pending> inFlight;
    std::map<int, std::deque<QByteArray>> input;
    int nextHandle = 0;

    // Hands the reports that have come by now to the handles open now.
    // Called with the mutex held, before any handle opens, closes or reads.
    void arrive()
    {
        const Clock::time_point now = Clock::now();
        while (!inFlight.empty() && inFlight.front().readyAt <= now) {
            for (auto& [handle, reports] : input) {
                if (reports.size() < kUnreadKept)
                    reports.push_back(inFlight.front().data);
            }
            inFlight.pop_front();
        }
    }
    Clock::time_point lastReadyAt = Clock::now();
    bool plugged = true;
    int cancels = 0;
    int delivered = 0;
    QList<QByteArray> written;
    QPointer<FakeHidPlatform> platform;

    void queue(const QByteArray& data, int delayMs)
    {
        std::lock_guard lock(mutex);
        const Clock::time_point base = std::max(Clock::now(), lastReadyAt);
        lastReadyAt = base + std::chrono::milliseconds(delayMs);
        inFlight.push_back({data, lastReadyAt});
        changed.notify_all();
    }
};

namespace {

class FakeHandle : public HidHandle {
public:
    FakeHandle(std::shared_ptr<FakeHidPlatform::DeviceState> state, bool readWrite)
        : state_(std::move(state)), readWrite_(readWrite)
    {
        std::lock_guard lock(state_->mutex);
        state_->arrive();
        id_ = state_->nextHandle++;
        if (readWrite_)
            state_->input[id_];
    }
    ~FakeHandle() override
    {
        std::lock_guard lock(state_->mutex);
        state_->arrive();
        state_->input.erase(id_);
    }

    bool readWrite() const override { return readWrite_; }

    std::optional<HidAttributes> attributes() override
    {
        if (!state_->setup.attributesReadable)
            return std::nullopt;
        return state_->setup.attributes;
    }

    std::optional<HidCaps> caps() override { return state_->setup.caps; }

    bool write(const quint8* report, int size) override
    {
        std::shared_ptr<FakeDeviceBehaviour> behaviour;
        {
            std::lock_guard lock(state_->mutex);
            if (!readWrite_ || !state_->plugged || state_->setup.failWrites)
                return false;
            state_->written.append(QByteArray(reinterpret_cast<const char*>(report), size));
            // The demo runs for days: only the latest reports are kept.
            if (state_->written.size() > kWrittenKept)
                state_->written.remove(0, state_->written.size() - kWrittenKept / 2);
            behaviour = state_->setup.behaviour;
        }
        if (behaviour) {
            for (const FakeInputReport& r : behaviour->onOutputReport(report, size))
                state_->queue(r.data, r.delayMs);
        }
        return true;
    }

    int read(quint8* buffer, int size, int timeoutMs) override
    {
        std::unique_lock lock(state_->mutex);
        if (!readWrite_)
            return -1;
        std::deque<QByteArray>& input = state_->input[id_];
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        const int cancels = state_->cancels;
        for (;;) {
            if (!state_->plugged)
                return -1;
            if (state_->cancels != cancels)
                return 0;
            const Clock::time_point now = Clock::now();
            state_->arrive();
            if (!input.empty())
                break;
            Clock::time_point wake = deadline;
            if (!state_->inFlight.empty())
                wake = std::min(wake, state_->inFlight.front().readyAt);
            if (now >= deadline)
                return 0;
            state_->changed.wait_until(lock, wake);
        }
        const QByteArray data = input.front();
        input.pop_front();
        // The report id first: these devices use unnumbered reports.
        buffer[0] = 0;
        const int count = std::min<int>(static_cast<int>(data.size()), size - 1);
        std::copy_n(reinterpret_cast<const quint8*>(data.constData()), count, buffer + 1);
        ++state_->delivered;
        if (state_->setup.unplugAfterReports >= 0 && state_->delivered >= state_->setup.unplugAfterReports) {
            // The meter vanishes: the platform notices on its own thread.
            const QString path = state_->info.path;
            QMetaObject::invokeMethod(state_->platform.data(), [platform = state_->platform, path] {
                if (platform)
                    platform->unplug(path);
            }, Qt::QueuedConnection);
            state_->setup.unplugAfterReports = -1;
        }
        return count + 1;
    }

    void cancelRead() override
    {
        std::lock_guard lock(state_->mutex);
        ++state_->cancels;
        state_->changed.notify_all();
    }

private:
    std::shared_ptr<FakeHidPlatform::DeviceState> state_;
    bool readWrite_;
    int id_ = 0;
};

}  // namespace

FakeHidPlatform::FakeHidPlatform(QObject* parent) : HidPlatform(parent) {}

FakeHidPlatform::~FakeHidPlatform()
{
    for (auto& state : devices_) {
        std::lock_guard lock(state->mutex);
        state->plugged = false;
        state->changed.notify_all();
    }
}

QString FakeHidPlatform::plug(const FakeDeviceSetup& setup)
{
    auto state = std::make_shared<DeviceState>();
    state->setup = setup;
    const int n = next_++;
    state->info.path = QStringLiteral("/dev/fake-hidraw%1").arg(n);
    state->info.instance = QStringLiteral("fake-%1").arg(n);
    state->platform = this;
    devices_.insert(state->info.path, state);
    emit devicesChanged();
    return state->info.path;
}

void FakeHidPlatform::unplug(const QString& path)
{
    const auto state = devices_.value(path);
    if (!state)
        return;
    {
        std::lock_guard lock(state->mutex);
        if (!state->plugged)
            return;
        state->plugged = false;
        state->changed.notify_all();
    }
    emit devicesChanged();
}

void FakeHidPlatform::pushInput(const QString& path, const QByteArray& data, int delayMs)
{
    if (const auto state = devices_.value(path))
        state->queue(data, delayMs);
}

QList<QByteArray> FakeHidPlatform::written(const QString& path) const
{
    const auto state = devices_.value(path);
    if (!state)
        return {};
    std::lock_guard lock(state->mutex);
    return state->written;
}

int FakeHidPlatform::reportsDelivered(const QString& path) const
{
    const auto state = devices_.value(path);
    if (!state)
        return 0;
    std::lock_guard lock(state->mutex);
    return state->delivered;
}

bool FakeHidPlatform::isPlugged(const QString& path) const
{
    const auto state = devices_.value(path);
    if (!state)
        return false;
    std::lock_guard lock(state->mutex);
    return state->plugged;
}

QList<HidInterfaceInfo> FakeHidPlatform::enumerate()
{
    QList<HidInterfaceInfo> list;
    for (const auto& state : devices_) {
        std::lock_guard lock(state->mutex);
        if (state->plugged)
            list.append(state->info);
    }
    return list;
}

std::unique_ptr<HidHandle> FakeHidPlatform::open(const HidInterfaceInfo& info, bool readWrite)
{
    const auto state = devices_.value(info.path);
    if (!state || state->info.instance != info.instance)
        return nullptr;
    {
        std::lock_guard lock(state->mutex);
        if (!state->plugged)
            return nullptr;
        using Access = FakeDeviceSetup::Access;
        if (state->setup.access == Access::None || (readWrite && state->setup.access != Access::ReadWrite))
            return nullptr;
    }
    return std::make_unique<FakeHandle>(state, readWrite);  // it registers itself
}

}  // namespace sonavistor
