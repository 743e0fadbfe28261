#pragma once
// HID interfaces in memory, for tests, the demo and the command-line tool's
// simulated meter: devices that are plugged and unplugged by code, devices
// that open only for queries, that cannot be identified or opened, and
// devices whose answers come from a behaviour (the simulated meter).

#include "meter/hid_platform.h"

#include <QByteArray>
#include <QMap>

#include <memory>
#include <vector>

namespace sonavistor {

struct FakeInputReport {
    QByteArray data;   // data bytes, without the report id
    int delayMs = 0;   // pause before the report (after the one before it)
};

// What a device does with the output reports written to it. Called on the
// writer's thread.
class FakeDeviceBehaviour {
public:
    virtual ~FakeDeviceBehaviour() = default;
    virtual std::vector<FakeInputReport> onOutputReport(const quint8* report, int size) = 0;
};

struct FakeDeviceSetup {
    enum class Access { ReadWrite, QueryOnly, None };
    HidAttributes attributes;
    bool attributesReadable = true;
    Access access = Access::ReadWrite;
    HidCaps caps{65, 65};
    bool failWrites = false;
    int unplugAfterReports = -1;  // the device vanishes after this many input reports
    std::shared_ptr<FakeDeviceBehaviour> behaviour;
};

class FakeHidPlatform : public HidPlatform {
    Q_OBJECT
public:
    explicit FakeHidPlatform(QObject* parent = nullptr);
    ~FakeHidPlatform() override;

    // Plugs a device in; returns its path. Announces the change as a broadcast would.
    QString plug(const FakeDeviceSetup& setup);
    void unplug(const QString& path);
    // An input report nobody asked for.
    void pushInput(const QString& path, const QByteArray& data, int delayMs = 0);
    // Announces a change without one (a repeated broadcast).
    void broadcast() { emit devicesChanged(); }
    // Output reports written to a device so far (the latest 10,000 at most).
    QList<QByteArray> written(const QString& path) const;
    int reportsDelivered(const QString& path) const;
    bool isPlugged(const QString& path) const;

    QList<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidHandle> open(const HidInterfaceInfo& info, bool readWrite) override;

    struct DeviceState;

private:
    QMap<QString, std::shared_ptr<DeviceState>> devices_;
    int next_ = 0;
};

}  // namespace sonavistor
