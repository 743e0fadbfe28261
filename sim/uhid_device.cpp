#include "sim/uhid_device.h"

#include "common/error.h"

#include <QDir>
#include <QFile>

#include <linux/uhid.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sonavistor {

namespace {

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

void copyText(__u8* to, size_t room, const QString& text)
{
    const QByteArray bytes = text.toUtf8().first(std::min<qsizetype>(text.toUtf8().size(), room - 1));
    std::memcpy(to, bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

QByteArray meterReportDescriptor()
{
    static const unsigned char d[] = {
        0x06, 0x00, 0xFF,  // usage page (vendor defined 0xFF00)
        0x09, 0x01,        // usage 1
        0xA1, 0x01,        // collection (application)
        0x15, 0x00,        //   logical minimum 0
        0x26, 0xFF, 0x00,  //   logical maximum 255
        0x75, 0x08,        //   report size 8
        0x95, 0x40,        //   report count 64
        0x09, 0x01,        //   usage 1
        0x81, 0x02,        //   input (data, variable, absolute)
        0x95, 0x40,        //   report count 64
        0x09, 0x01,        //   usage 1
        0x91, 0x02,        //   output (data, variable, absolute)
        0xC0,              // end collection
    };
    return QByteArray(reinterpret_cast<const char*>(d), sizeof d);
}

QByteArray keyboardReportDescriptor()
{
    static const unsigned char d[] = {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // generic desktop, keyboard, application
        0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,  // modifier keys
        0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,
        0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // reserved byte
        0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,  // five LEDs
        0x29, 0x05, 0x91, 0x02,
        0x95, 0x01, 0x75, 0x03, 0x91, 0x01,              // LED padding
        0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,  // six key codes
        0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,
        0xC0,
    };
    return QByteArray(reinterpret_cast<const char*>(d), sizeof d);
}

UhidDevice::UhidDevice(const UhidDeviceSetup& setup, const QString& uhidPath) : uniq_(setup.uniq)
{
    fd_ = ::open(QFile::encodeName(uhidPath).constData(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0)
        throw Error(systemError(QFile::encodeName(uhidPath).constData()));
    if (setup.reportDescriptor.size() > HID_MAX_DESCRIPTOR_SIZE) {
        ::close(fd_);
        throw Error(QStringLiteral("report descriptor too long"));
    }
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    copyText(ev.u.create2.name, sizeof ev.u.create2.name, setup.name);
    copyText(ev.u.create2.phys, sizeof ev.u.create2.phys, QStringLiteral("sonavistor-uhid"));
    copyText(ev.u.create2.uniq, sizeof ev.u.create2.uniq, setup.uniq);
    ev.u.create2.rd_size = static_cast<__u16>(setup.reportDescriptor.size());
    ev.u.create2.bus = BUS_USB;
    ev.u.create2.vendor = setup.vendor;
    ev.u.create2.product = setup.product;
    ev.u.create2.version = setup.version;
    std::memcpy(ev.u.create2.rd_data, setup.reportDescriptor.constData(),
                static_cast<size_t>(setup.reportDescriptor.size()));
    try {
        write(&ev, sizeof ev);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

UhidDevice::~UhidDevice()
{
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    // Closing the file destroys the device too; say it first all the same.
    [[maybe_unused]] const ssize_t n = ::write(fd_, &ev, sizeof ev);
    ::close(fd_);
}

void UhidDevice::write(const void* event, size_t size)
{
    const ssize_t n = ::write(fd_, event, size);
    if (n < 0)
        throw Error(systemError("uhid"));
    if (static_cast<size_t>(n) != size)
        throw Error(QStringLiteral("uhid: short write"));
}

std::optional<QByteArray> UhidDevice::waitForOutput(int timeoutMs)
{
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0 && errno != EINTR)
        throw Error(systemError("uhid"));
    if (ready <= 0)
        return std::nullopt;
    uhid_event ev{};
    const ssize_t n = ::read(fd_, &ev, sizeof ev);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN)
            return std::nullopt;
        throw Error(systemError("uhid"));
    }
    switch (ev.type) {
    case UHID_OUTPUT:
        return QByteArray(reinterpret_cast<const char*>(ev.u.output.data),
                          std::min<int>(ev.u.output.size, UHID_DATA_MAX));
    case UHID_GET_REPORT: {
        // Neither device has feature reports.
        uhid_event reply{};
        reply.type = UHID_GET_REPORT_REPLY;
        reply.u.get_report_reply.id = ev.u.get_report.id;
        reply.u.get_report_reply.err = EIO;
        write(&reply, sizeof reply);
        break;
    }
    case UHID_SET_REPORT: {
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = ev.u.set_report.id;
        reply.u.set_report_reply.err = EIO;
        write(&reply, sizeof reply);
        break;
    }
    default:  // start, stop, open, close: nothing to do
        break;
    }
    return std::nullopt;
}

void UhidDevice::sendInput(const QByteArray& data)
{
    uhid_event ev{};
    ev.type = UHID_INPUT2;
    ev.u.input2.size = static_cast<__u16>(std::min<qsizetype>(data.size(), UHID_DATA_MAX));
    std::memcpy(ev.u.input2.data, data.constData(), ev.u.input2.size);
    // Only the used part of the event goes to the kernel.
    write(&ev, offsetof(uhid_event, u.input2.data) + ev.u.input2.size);
}

QString UhidDevice::hidrawNode() const
{
    // Each hidraw node's HID device carries the serial number we gave it.
    const QDir classDir(QStringLiteral("/sys/class/hidraw"));
    for (const QString& node : classDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile uevent(classDir.filePath(node + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = uevent.readAll();
        if (text.contains("\nHID_UNIQ=" + uniq_.toUtf8() + '\n') || text.startsWith("HID_UNIQ=" + uniq_.toUtf8() + '\n'))
            return QStringLiteral("/dev/") + node;
    }
    return {};
}

}  // namespace sonavistor
