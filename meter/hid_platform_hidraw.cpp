#include "meter/hid_platform_hidraw.h"

#include "meter/report_descriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>

#include <hidapi/hidapi.h>
#include <libudev.h>

namespace sonavistor {

namespace {

QString sysfsFolder(const QString& devicePath)
{
    return QStringLiteral("/sys/class/hidraw/%1/device").arg(QFileInfo(devicePath).fileName());
}

ReportLayout layoutOf(const QString& devicePath)
{
    QFile descriptor(sysfsFolder(devicePath) + QStringLiteral("/report_descriptor"));
    if (!descriptor.open(QIODevice::ReadOnly))
        return {};
    return parseReportDescriptor(descriptor.readAll());
}

// The HID device's sysfs name (bus:vendor:product.serial) changes with every
// new device the kernel makes, so a replug at the same /dev path is a new one.
QString instanceOf(udev* context, const QString& devicePath)
{
    QString instance = devicePath;
    if (!context)
        return instance;
    const QByteArray name = QFileInfo(devicePath).fileName().toLocal8Bit();
    udev_device* device = udev_device_new_from_subsystem_sysname(context, "hidraw", name.constData());
    if (!device)
        return instance;
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
        if (const char* sysname = udev_device_get_sysname(hid))
            instance += QLatin1Char('#') + QString::fromLocal8Bit(sysname);
    }
    udev_device_unref(device);
    return instance;
}

class HidrawHandle : public HidHandle {
public:
    HidrawHandle(HidrawPlatform* platform, hid_device* device, HidAttributes attributes, ReportLayout layout)
        : platform_(platform), device_(device), attributes_(attributes), layout_(layout)
    {
    }
    ~HidrawHandle() override
    {
        if (device_)
            hid_close(device_);
    }

    bool readWrite() const override { return device_ != nullptr; }
    std::optional<HidAttributes> attributes() override { return attributes_; }
    std::optional<HidCaps> caps() override { return layout_.caps; }

    bool write(const quint8* report, int size) override
    {
        // hidapi takes the report id as the first byte, 0 for unnumbered reports.
        return device_ && hid_write(device_, report, static_cast<size_t>(size)) >= 0;
    }

    int read(quint8* buffer, int size, int timeoutMs) override
    {
        if (!device_ || size < 1)
            return -1;
        int count = 0;
        if (layout_.numbered) {
            count = hid_read_timeout(device_, buffer, static_cast<size_t>(size), timeoutMs);
        } else {
            count = hid_read_timeout(device_, buffer + 1, static_cast<size_t>(size - 1), timeoutMs);
            if (count > 0) {
                buffer[0] = 0;  // hidraw leaves the id of unnumbered reports out
                ++count;
            }
        }
        if (count < 0) {
            QMetaObject::invokeMethod(platform_.data(), [platform = platform_] {
                if (platform)
                    platform->deviceLost();
            }, Qt::QueuedConnection);
            return -1;
        }
        return count;
    }

    // hid_read_timeout cannot be interrupted; the caller's slices bound the wait.
    void cancelRead() override {}

private:
    QPointer<HidrawPlatform> platform_;
    hid_device* device_;
    HidAttributes attributes_;
    ReportLayout layout_;
};

}  // namespace

HidrawPlatform::HidrawPlatform(QObject* parent) : HidPlatform(parent)
{
    hid_init();
    udev_ = udev_new();
    if (!udev_)
        return;
    // Without udevd (containers, a minimal system) only the kernel's own
    // events come; they arrive before udev has set permissions, which does
    // not matter where nobody sets them.
    source_ = QFileInfo::exists(QStringLiteral("/run/udev/control")) ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source_);
    if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        source_ = "none";
        return;  // no hot-plug: the program scans once at start
    }
    notifier_ = new QSocketNotifier(udev_monitor_get_fd(monitor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &HidrawPlatform::receive);
}

HidrawPlatform::~HidrawPlatform()
{
    delete notifier_;
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
    hid_exit();
}

void HidrawPlatform::receive()
{
    bool any = false;
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        udev_device_unref(device);
        any = true;
    }
    if (any)
        emit devicesChanged();
}

void HidrawPlatform::deviceLost()
{
    emit devicesChanged();
}

QList<HidInterfaceInfo> HidrawPlatform::enumerate()
{
    QList<HidInterfaceInfo> list;
    hid_device_info* all = hid_enumerate(0, 0);
    for (hid_device_info* info = all; info; info = info->next) {
        const QString path = QString::fromLocal8Bit(info->path);
        list.append({path, instanceOf(udev_, path)});
    }
    hid_free_enumeration(all);
    return list;
}

std::unique_ptr<HidHandle> HidrawPlatform::open(const HidInterfaceInfo& info, bool readWrite)
{
    // Attributes come from the enumeration, so an interface that cannot be
    // opened (no permission) can still be listed and identified.
    const QByteArray path = info.path.toLocal8Bit();
    std::optional<HidAttributes> attributes;
    hid_device_info* all = hid_enumerate(0, 0);
    for (hid_device_info* i = all; i; i = i->next) {
        if (path == i->path)
            attributes = HidAttributes{i->vendor_id, i->product_id, i->release_number};
    }
    hid_free_enumeration(all);
    if (!attributes || instanceOf(udev_, info.path) != info.instance)
        return nullptr;  // gone, or another device at the same path now
    hid_device* device = nullptr;
    if (readWrite) {
        device = hid_open_path(path.constData());
        if (!device)
            return nullptr;
    }
    return std::make_unique<HidrawHandle>(this, device, *attributes, layoutOf(info.path));
}

std::unique_ptr<HidPlatform> createSystemHidPlatform()
{
    return std::make_unique<HidrawPlatform>();
}

}  // namespace sonavistor
