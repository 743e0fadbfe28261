#pragma once
// The meter link: finds the meter among the HID devices, sends requests and
// decodes the answers into MeterLink, and reads the meter's date area and
// record memory into MemoryImage. Used by the main window and, without any
// window, by the command-line tool.

#include "meter/hid_device_controller.h"
#include "meter/meter_link.h"
#include "meter/meter_memory.h"

#include <QEvent>
#include <QObject>

#include <memory>
#include <vector>

namespace sonavistor {

inline constexpr quint16 kMeterVendorId = 0x0483;
inline constexpr quint16 kMeterProductId = 0x5750;

// Sent synchronously to the real-time window when a live reading is in.
inline constexpr QEvent::Type WM_SHOWREAD = QEvent::Type(1124);

inline constexpr quint8 ReadLevel = 0xB3;
inline constexpr quint8 ReadCount = 0xB5;
inline constexpr quint8 ReadDates = 0xB4;
inline constexpr quint8 ReadRecords = 0xC4;
inline constexpr quint8 SetClock = 0x7C;

// Where the bulk reads show their progress (the import window's bar).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
};

class MeterConnection : public QObject {
    Q_OBJECT
public:
    explicit MeterConnection(HidPlatform* platform, QObject* parent = nullptr);
    ~MeterConnection() override;

    THidDeviceController& HidCtl() { return *controller_; }
    const std::vector<THidDevice*>& DeviceList() const { return deviceList_; }

    // Device-change handling: release, offer and claim again, find the meter.
    void HidCtlDeviceChange();
    bool HidCtlEnumerate(THidDevice* device, int index);

    // Sends Command to the meter. False when there is no meter or the write failed.
    bool WritetoDevice();
    // The report handler of the meter device.
    void SaveRead(THidDevice* HidDev, quint8 ReportID, const quint8* Data, int Size);
    // Attaches SaveRead to the meter device (starts its reading thread).
    void attachSaveRead();
    // The request pattern's wait: handles events while Pending and Connected.
    void waitForReply();
    // Handles events until more than ms milliseconds have passed.
    void delay(int ms);

    // Record-memory read; Command holds the ReadRecords payload.
    void GetRec(ProgressSink* progress = nullptr);
    // Date-area read and DateIndex build; RecordCount holds the meter's count.
    void GetDate(ProgressSink* progress = nullptr);

    // The caption and text of the last failure ("WRITE USB ERROR!", "write usb error").
    const QString& lastErrorCaption() const { return lastErrorCaption_; }
    const QString& lastErrorText() const { return lastErrorText_; }

signals:
    // After every device change, with the meter found or not.
    void connectionChanged(bool connected);

private:
    std::unique_ptr<THidDeviceController> controller_;
    std::vector<THidDevice*> deviceList_;
    QString lastErrorCaption_;
    QString lastErrorText_;
    int datePassOuter_ = 0;
    int datePassInner_ = 0;
};

}  // namespace sonavistor
