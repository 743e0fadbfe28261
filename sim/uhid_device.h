#pragma once
// A HID device made by the kernel's uhid driver: to the rest of the system
// (hidraw, udev, hidapi) it is a USB HID device like any other. This side
// receives what is written to it and sends its input reports.

#include <QByteArray>
#include <QString>

#include <optional>

namespace sonavistor {

struct UhidDeviceSetup {
    QString name;
    QString uniq;  // the serial number; also how the device's hidraw node is found
    quint16 vendor = 0;
    quint16 product = 0;
    quint16 version = 0x0100;
    QByteArray reportDescriptor;
};

// A vendor-defined device with one 64-byte input and one 64-byte output
// report and no report ids, as the meter describes itself.
QByteArray meterReportDescriptor();
// A boot keyboard: 8-byte input report, 1-byte LED output report.
QByteArray keyboardReportDescriptor();

class UhidDevice {
public:
    // Throws Error when /dev/uhid cannot be opened or refuses the device.
    explicit UhidDevice(const UhidDeviceSetup& setup, const QString& uhidPath = QStringLiteral("/dev/uhid"));
    // Destroys the device (the kernel announces its removal).
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Waits up to timeoutMs for the kernel's next event and handles it. An
    // output report (as hidraw wrote it, report id first) is returned; other
    // events (start, open, close, report requests) are handled here.
    std::optional<QByteArray> waitForOutput(int timeoutMs);
    // Sends one input report (the data bytes; no report id for this device).
    void sendInput(const QByteArray& data);

    // "/dev/hidrawN" once the kernel has made the node, else empty.
    QString hidrawNode() const;

private:
    void write(const void* event, size_t size);

    int fd_ = -1;
    QString uniq_;
};

}  // namespace sonavistor
