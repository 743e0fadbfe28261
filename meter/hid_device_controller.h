#pragma once
// The HID device controller: finds the HID interfaces, follows them as they
// come and go, lets the program claim them, writes output reports and hands
// every input report of a claimed device to the user-interface thread.

#include "meter/hid_platform.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace sonavistor {

class THidDevice;

class EControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct THidPnPInfo {
    HidInterfaceInfo info;
    QString DevicePath() const { return info.path; }
    QString DeviceInstance() const { return info.instance; }
};

using THidDataEvent = std::function<void(THidDevice* HidDev, quint8 ReportID, const quint8* Data, int Size)>;
using THidDataErrorEvent = std::function<void(THidDevice* HidDev, int Error)>;
using THidPlugEvent = std::function<void(THidDevice* HidDev)>;
using THidEnumerateEvent = std::function<bool(THidDevice* HidDev, int Idx)>;

// Reads input reports of one device and hands each to the user-interface
// thread, waiting there until the handler has run.
class THidDeviceReadThread : public QThread {
    Q_OBJECT
public:
    THidDeviceReadThread(THidDevice& device, HidHandle& handle, int reportLength);
    void requestEnd();
    int lastCount() const { return lastCount_; }

protected:
    void run() override;

private:
    void handOver(std::function<void(THidDevice&)> work);

    THidDevice& device_;
    HidHandle& handle_;
    int reportLength_;
    std::atomic<bool> end_{false};
    std::atomic<int> lastCount_{0};
};

class THidDeviceController;

class THidDevice : public QObject {
    Q_OBJECT
public:
    // Makes the object for one interface: opens it read-write (or for
    // queries only) and reads its attributes. Throws EControllerError.
    THidDevice(THidDeviceController& controller, const THidPnPInfo& pnp);
    // A fresh object for the same interface, taking over handlers and slice.
    THidDevice(THidDeviceController& controller, const THidDevice& released);
    ~THidDevice() override;

    const THidPnPInfo& PnPInfo() const { return pnp_; }
    bool Plugged() const { return plugged_; }
    bool Claimed() const { return claimed_; }
    bool Offering() const { return offering_; }
    bool ReadWriteAccess() const { return readWrite_; }
    const HidAttributes& Attributes() const { return attributes_; }
    // Report lengths, read on first use.
    HidCaps Caps();

    int PollInterval() const { return pollInterval_; }
    void setPollInterval(int ms);  // accepted above 9 and up to 10,000

    const THidDataEvent& ReportHandler() const { return reportHandler_; }
    void setReportHandler(THidDataEvent handler);  // an empty one stops the reading
    THidDataErrorEvent ErrorHandler;
    THidPlugEvent UnplugHandler;

    void StartReading();
    void StopReading();
    bool isReading() const { return thread_ != nullptr; }
    bool WriteReport(const quint8* buffer, int count);

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;
    void deliverReport(const quint8* buffer, int count);
    void deliverError(int error);
    void closeHandles();
    // The reading handle, opened once the device is claimed.
    HidHandle* readHandle();
    void unplug();
    HidHandle* mainHandle();

    THidDeviceController& controller_;
    THidPnPInfo pnp_;
    bool plugged_ = true;
    bool claimed_ = false;
    bool offering_ = false;
    bool readWrite_ = false;
    HidAttributes attributes_;
    std::optional<HidCaps> caps_;
    std::unique_ptr<HidHandle> main_;
    std::unique_ptr<HidHandle> read_;
    int pollInterval_ = 100;
    THidDataEvent reportHandler_;
    std::unique_ptr<THidDeviceReadThread> thread_;
    bool stopping_ = false;
};

class THidDeviceController : public QObject {
    Q_OBJECT
public:
    // platform may be null: then no scan ever runs.
    explicit THidDeviceController(HidPlatform* platform, QObject* parent = nullptr);
    ~THidDeviceController() override;

    HidPlatform* platform() const { return platform_; }
    int DevThreadSleepTime() const { return sleepTime_; }
    void setDevThreadSleepTime(int ms);

    THidPlugEvent OnArrival;
    THidPlugEvent OnRemoval;
    THidPlugEvent OnDeviceUnplug;
    THidEnumerateEvent OnEnumerate;
    std::function<void()> OnDeviceChange;
    THidDataEvent OnDeviceData;
    THidDataErrorEvent OnDeviceDataError;

    // Rescans; param -1 marks the first scan. Never runs nested in itself.
    void DeviceChange(int param = 0);
    void OfferDevices();
    THidDevice* ClaimByIndex(int index);
    void ReleaseDevice(THidDevice* device);

    int count() const { return static_cast<int>(devices_.size()); }
    THidDevice* device(int index) const { return devices_.at(static_cast<size_t>(index)).get(); }
    int claimedCount() const { return claimed_; }
    int unclaimedCount() const { return unclaimed_; }
    int unpluggedCount() const { return unplugged_; }
    int scans() const { return scans_; }

private:
    void recount();

    HidPlatform* platform_;
    std::vector<std::unique_ptr<THidDevice>> devices_;
    int sleepTime_ = 100;
    bool inDeviceChange_ = false;
    int claimed_ = 0;
    int unclaimed_ = 0;
    int unplugged_ = 0;
    int scans_ = 0;
};

}  // namespace sonavistor
