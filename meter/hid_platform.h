#pragma once
// The platform's HID interfaces as the device controller needs them: list the
// present interfaces, open one (read-write or for queries only), read its
// attributes and report lengths, write output reports, read input reports in
// time slices, and say when interfaces come or go.
//
// Reports are seen as the controller expects them on every platform: byte 0
// is the report id (0 for a device without numbered reports), the data bytes
// follow. A backend whose system leaves the id out adds it.

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace sonavistor {

struct HidInterfaceInfo {
    QString path;      // what open() takes
    QString instance;  // identifies the interface across scans; a replug gets a new one
};

struct HidAttributes {
    quint16 VendorID = 0;
    quint16 ProductID = 0;
    quint16 VersionNumber = 0;
};

struct HidCaps {
    int InputReportByteLength = 0;   // report id included
    int OutputReportByteLength = 0;  // report id included
};

class HidHandle {
public:
    virtual ~HidHandle() = default;
    virtual bool readWrite() const = 0;  // false: opened for queries only
    virtual std::optional<HidAttributes> attributes() = 0;
    virtual std::optional<HidCaps> caps() = 0;
    // One output report, synchronously. False when it could not be written.
    virtual bool write(const quint8* report, int size) = 0;
    // Waits up to timeoutMs for one input report: its size (report id
    // included), 0 when none came, -1 when the device cannot be read (gone).
    virtual int read(quint8* buffer, int size, int timeoutMs) = 0;
    // Wakes a read that is waiting (another thread calls this).
    virtual void cancelRead() = 0;
};

class HidPlatform : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QList<HidInterfaceInfo> enumerate() = 0;
    // readWrite false: for queries only (attributes, report lengths).
    // Null when the interface cannot be opened that way.
    virtual std::unique_ptr<HidHandle> open(const HidInterfaceInfo& info, bool readWrite) = 0;

signals:
    // Interfaces came or went (the device-change broadcast).
    void devicesChanged();
};

// The platform's own HID interfaces (hidraw on Linux).
std::unique_ptr<HidPlatform> createSystemHidPlatform();

}  // namespace sonavistor
