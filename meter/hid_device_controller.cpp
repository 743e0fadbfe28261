#include "meter/hid_device_controller.h"

#include <QPointer>
#include <QSemaphore>

#include <algorithm>
#include <vector>

namespace sonavistor {

namespace {

constexpr char kCannotOpen[] = "device cannot be opened";
constexpr char kCannotIdentify[] = "device cannot be identified";

}  // namespace

// ---------------------------------------------------------------- reading thread

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, HidHandle& handle, int reportLength)
    : device_(device), handle_(handle), reportLength_(std::max(reportLength, 1))
{
}

void THidDeviceReadThread::requestEnd()
{
    end_ = true;
    handle_.cancelRead();
}

void THidDeviceReadThread::handOver(std::function<void(THidDevice&)> work)
{
    // A hand-over the user-interface thread has not taken when the thread is
    // asked to end is given up (and not delivered later): ending never waits
    // for the user-interface thread, so stopping cannot deadlock whatever that
    // thread is doing at the moment.
    struct Pending {
        QSemaphore done;
        std::atomic<bool> abandoned{false};
    };
    auto pending = std::make_shared<Pending>();
    QPointer<THidDevice> device(&device_);
    QMetaObject::invokeMethod(
        &device_,
        [pending, device, work = std::move(work)] {
            // Released also when the handler throws (the application shows
            // the error): the reading thread must not wait for ever.
            struct Release {
                QSemaphore& done;
                ~Release() { done.release(); }
            } release{pending->done};
            if (!pending->abandoned && device)
                work(*device);
        },
        Qt::QueuedConnection);
    while (!pending->done.tryAcquire(1, 20)) {
        if (end_) {
            pending->abandoned = true;
            return;
        }
    }
}

void THidDeviceReadThread::run()
{
    std::vector<quint8> buffer(static_cast<size_t>(reportLength_));
    while (!end_) {
        std::fill(buffer.begin(), buffer.end(), 0);
        // Wait in slices of PollInterval, so an end request is seen within one.
        const int count = handle_.read(buffer.data(), reportLength_, device_.PollInterval());
        if (end_)
            break;
        if (count > 0) {
            lastCount_ = count;
            // Hand the report over and wait until the handler has run: the next
            // read starts only after it, so reports arrive one at a time, in order.
            std::vector<quint8> report(buffer.begin(), buffer.begin() + count);
            handOver([report](THidDevice& device) { device.deliverReport(report.data(), static_cast<int>(report.size())); });
        } else if (count < 0) {
            handOver([](THidDevice& device) { device.deliverError(-1); });
            // A device that cannot be read fails at once; wait a slice before
            // trying again rather than spinning.
            for (int waited = 0; waited < device_.PollInterval() && !end_; waited += 10)
                QThread::msleep(10);
        }
    }
}

// ---------------------------------------------------------------- device

THidDevice::THidDevice(THidDeviceController& controller, const THidPnPInfo& pnp)
    : controller_(controller), pnp_(pnp)
{
    reportHandler_ = controller.OnDeviceData;
    ErrorHandler = controller.OnDeviceDataError;
    UnplugHandler = controller.OnDeviceUnplug;
    HidPlatform* platform = controller.platform();
    std::unique_ptr<HidHandle> handle = platform ? platform->open(pnp.info, true) : nullptr;
    readWrite_ = handle != nullptr;
    if (!handle)
        handle = platform ? platform->open(pnp.info, false) : nullptr;
    if (!handle)
        throw EControllerError(kCannotOpen);
    const auto attributes = handle->attributes();
    if (!attributes)
        throw EControllerError(kCannotIdentify);
    attributes_ = *attributes;
}

THidDevice::THidDevice(THidDeviceController& controller, const THidDevice& released)
    : controller_(controller),
      pnp_(released.pnp_),
      readWrite_(released.readWrite_),
      attributes_(released.attributes_),
      caps_(released.caps_),
      pollInterval_(released.pollInterval_),
      reportHandler_(released.reportHandler_)
{
    ErrorHandler = released.ErrorHandler;
    UnplugHandler = released.UnplugHandler;
}

THidDevice::~THidDevice()
{
    StopReading();
    closeHandles();
}

HidHandle* THidDevice::mainHandle()
{
    if (!main_ && plugged_ && controller_.platform()) {
        main_ = controller_.platform()->open(pnp_.info, true);
        if (!main_)
            main_ = controller_.platform()->open(pnp_.info, false);
    }
    return main_.get();
}

HidCaps THidDevice::Caps()
{
    if (!caps_) {
        if (HidHandle* handle = mainHandle())
            caps_ = handle->caps();
        // The main handle closes after the first capability query.
        if (!claimed_ && !offering_)
            main_.reset();
    }
    return caps_.value_or(HidCaps{});
}

void THidDevice::setPollInterval(int ms)
{
    if (ms > 9 && ms <= 10000)
        pollInterval_ = ms;
}

void THidDevice::setReportHandler(THidDataEvent handler)
{
    if (!handler) {
        StopReading();
        reportHandler_ = nullptr;
        return;
    }
    reportHandler_ = std::move(handler);
    StartReading();
}

void THidDevice::StartReading()
{
    if (!reportHandler_ || !plugged_ || !claimed_ || !readWrite_ || thread_ || stopping_)
        return;
    if (!readHandle())
        return;
    int length = Caps().InputReportByteLength;
    if (length <= 0)
        length = 65;
    thread_ = std::make_unique<THidDeviceReadThread>(*this, *read_, length);
    thread_->start();
}

HidHandle* THidDevice::readHandle()
{
    if (!read_ && readWrite_ && plugged_ && controller_.platform())
        read_ = controller_.platform()->open(pnp_.info, true);
    return read_.get();
}

void THidDevice::StopReading()
{
    if (!thread_ || stopping_)
        return;
    stopping_ = true;
    THidDeviceReadThread* thread = thread_.get();
    // The thread sees the request within one slice; a hand-over it is waiting
    // on is given up, so it ends without the user-interface thread's help.
    thread->requestEnd();
    thread->wait();
    thread_.reset();
    stopping_ = false;
}

bool THidDevice::WriteReport(const quint8* buffer, int count)
{
    if (!plugged_ || !(claimed_ || offering_))
        return false;
    HidHandle* handle = mainHandle();
    return handle && handle->write(buffer, count);
}

void THidDevice::deliverReport(const quint8* buffer, int count)
{
    if (reportHandler_ && plugged_)
        reportHandler_(this, buffer[0], buffer + 1, count - 1);
}

void THidDevice::deliverError(int error)
{
    if (ErrorHandler)
        ErrorHandler(this, error);
}

void THidDevice::closeHandles()
{
    if (thread_) {
        thread_->requestEnd();  // the read handle may only go once the thread has
        StopReading();
    }
    main_.reset();
    read_.reset();
}

void THidDevice::unplug()
{
    closeHandles();
    plugged_ = false;
    if (UnplugHandler) {
        const THidPlugEvent handler = UnplugHandler;
        UnplugHandler = nullptr;
        handler(this);
    }
}

// ---------------------------------------------------------------- controller

THidDeviceController::THidDeviceController(HidPlatform* platform, QObject* parent)
    : QObject(parent), platform_(platform)
{
    if (!platform_)
        return;  // no HID interface on this system: no scan, no device
    connect(platform_, &HidPlatform::devicesChanged, this, [this] { DeviceChange(0); }, Qt::QueuedConnection);
    // The first scan runs as soon as the event loop runs.
    QMetaObject::invokeMethod(this, [this] { DeviceChange(-1); }, Qt::QueuedConnection);
}

THidDeviceController::~THidDeviceController()
{
    OnArrival = nullptr;
    OnRemoval = nullptr;
    OnDeviceUnplug = nullptr;
    OnEnumerate = nullptr;
    OnDeviceChange = nullptr;
    OnDeviceData = nullptr;
    OnDeviceDataError = nullptr;
    for (auto& device : devices_) {
        device->UnplugHandler = nullptr;
        device->StopReading();
    }
    devices_.clear();
}

void THidDeviceController::setDevThreadSleepTime(int ms)
{
    for (auto& device : devices_) {
        if (device->PollInterval() == sleepTime_)
            device->setPollInterval(ms);
    }
    sleepTime_ = ms;
}

void THidDeviceController::DeviceChange(int param)
{
    if (inDeviceChange_ || !platform_)
        return;  // a broadcast during a rescan is not acted on
    inDeviceChange_ = true;
    ++scans_;

    std::vector<std::unique_ptr<THidDevice>> fresh;
    for (const HidInterfaceInfo& info : platform_->enumerate()) {
        try {
            fresh.push_back(std::make_unique<THidDevice>(*this, THidPnPInfo{info}));
        } catch (const EControllerError&) {
            // Interfaces that cannot be opened or identified are left out.
        }
    }

    bool changed = param == -1;
    const auto presentIn = [&fresh](const THidDevice& known) {
        return std::any_of(fresh.begin(), fresh.end(), [&known](const auto& d) {
            return d->PnPInfo().DeviceInstance() == known.PnPInfo().DeviceInstance();
        });
    };
    // Unplugging waits for reading threads and so handles events: decide
    // first which devices vanished, then unplug them one by one.
    std::vector<QPointer<THidDevice>> vanished;
    for (size_t i = devices_.size(); i-- > 0;) {
        THidDevice* known = devices_[i].get();
        if (!(known->Plugged() && presentIn(*known)))
            vanished.emplace_back(known);
    }
    for (const QPointer<THidDevice>& gone : vanished) {
        if (!gone)
            continue;
        THidDevice* known = gone.data();
        if (known->Plugged()) {
            known->unplug();
            if (gone && OnRemoval)
                OnRemoval(known);
            changed = true;
        }
        if (gone && !known->Claimed()) {
            const auto at = std::find_if(devices_.begin(), devices_.end(), [known](const auto& d) { return d.get() == known; });
            if (at != devices_.end())
                devices_.erase(at);
        }
    }
    for (auto& device : fresh) {
        const bool known = std::any_of(devices_.begin(), devices_.end(), [&device](const auto& d) {
            return d->Plugged() && d->PnPInfo().DeviceInstance() == device->PnPInfo().DeviceInstance();
        });
        if (known)
            continue;
        devices_.push_back(std::move(device));
        if (OnArrival)
            OnArrival(devices_.back().get());
        changed = true;
    }
    recount();
    inDeviceChange_ = false;
    if (changed && OnDeviceChange)
        OnDeviceChange();
}

void THidDeviceController::recount()
{
    claimed_ = unclaimed_ = unplugged_ = 0;
    for (const auto& device : devices_) {
        if (!device->Plugged())
            ++unplugged_;
        else if (device->Claimed())
            ++claimed_;
        else
            ++unclaimed_;
    }
}

void THidDeviceController::OfferDevices()
{
    // The handler may claim devices; work on a snapshot of the pointers.
    std::vector<QPointer<THidDevice>> offered;
    for (const auto& device : devices_)
        offered.emplace_back(device.get());
    for (size_t i = 0; i < offered.size(); ++i) {
        THidDevice* device = offered[i];
        if (!device || !device->Plugged())
            continue;
        device->offering_ = true;
        const int index = static_cast<int>(
            std::find_if(devices_.begin(), devices_.end(), [device](const auto& d) { return d.get() == device; }) -
            devices_.begin());
        const bool goOn = !OnEnumerate || OnEnumerate(device, index);
        device->offering_ = false;
        if (!device->Claimed())
            device->closeHandles();
        if (!goOn)
            break;
    }
    recount();
}

THidDevice* THidDeviceController::ClaimByIndex(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    THidDevice* device = devices_[static_cast<size_t>(index)].get();
    if (device->Claimed())
        return nullptr;
    device->claimed_ = true;
    recount();
    // Reports are kept for a handle only from its opening on: opened now, the
    // reading handle holds the answer to a request written before the
    // handler is attached (the request pattern writes first).
    device->readHandle();
    if (device->ReportHandler())
        device->StartReading();
    return device;
}

void THidDeviceController::ReleaseDevice(THidDevice* device)
{
    const auto at = std::find_if(devices_.begin(), devices_.end(), [device](const auto& d) { return d.get() == device; });
    if (at == devices_.end() || !device->Claimed())
        return;
    device->StopReading();
    device->closeHandles();
    // Find it again: the wait for the reading thread may have changed the list.
    const auto now = std::find_if(devices_.begin(), devices_.end(), [device](const auto& d) { return d.get() == device; });
    if (now == devices_.end())
        return;
    if (device->Plugged())
        *now = std::make_unique<THidDevice>(*this, *device);  // the released object goes
    else
        devices_.erase(now);
    recount();
}

}  // namespace sonavistor
