#pragma once
// The HID platform of Linux: hidraw devices through hidapi's hidraw backend,
// and a udev monitor on the "hidraw" subsystem for plug and unplug.
// hidraw leaves the report id out of unnumbered reports; this layer puts it
// back, so callers see report id 0 and the data bytes.

#include "meter/hid_platform.h"

#include <memory>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace sonavistor {

class HidrawPlatform : public HidPlatform {
    Q_OBJECT
public:
    explicit HidrawPlatform(QObject* parent = nullptr);
    ~HidrawPlatform() override;

    QList<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidHandle> open(const HidInterfaceInfo& info, bool readWrite) override;

    // Whether plug and unplug are followed (no udev in some containers).
    bool monitoring() const { return notifier_ != nullptr; }
    // "udev" when udevd runs, "kernel" when only the kernel's events come.
    const char* monitorSource() const { return source_; }

    // A read found the device gone: look again.
    void deviceLost();

private:
    void receive();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    const char* source_ = "none";
};

}  // namespace sonavistor
