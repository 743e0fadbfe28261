#pragma once
// The meter link: finds the meter among the HID devices, and makes every
// request to it. Each request is one call that fills the command, sets
// Pending, writes, attaches the report handler, waits (handling events) and
// says what happened, with the answer as a value. MeterLink, MemoryImage and
// DateIndex are this class's own state: nothing outside the meter link reads
// them. Live readings reach the windows and the command-line tool also by
// the liveReading signal. Used by the main window and, without any window, by
// the command-line tool.

#include "common/progress.h"
#include "meter/hid_device_controller.h"
#include "meter/live_reading.h"
#include "meter/meter_answers.h"
#include "meter/meter_link.h"
#include "meter/meter_memory.h"
#include "meter/meter_model.h"
#include "meter/models/usb_logger/usb_logger_model.h"
#include "meter/meter_reservation.h"

#include <QElapsedTimer>
#include <QObject>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace sonavistor {

// The first model's ids and command bytes, by their protocol names.
inline constexpr quint16 kMeterVendorId = UsbLoggerModel::kVendorId;
inline constexpr quint16 kMeterProductId = UsbLoggerModel::kProductId;
inline constexpr quint8 ReadLevel = UsbLoggerModel::kReadLevel;
inline constexpr quint8 ReadCount = UsbLoggerModel::kReadCount;
inline constexpr quint8 ReadDates = UsbLoggerModel::kReadDates;
inline constexpr quint8 ReadRecords = UsbLoggerModel::kReadRecords;
inline constexpr quint8 SetClock = UsbLoggerModel::kSetClock;
inline constexpr quint8 kCountMark = UsbLoggerModel::kCountMark;  // first byte of a record-count reply

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

    // A meter is connected.
    bool connected() const { return MeterLink.Connected; }
    // The model of the meter connected last (the first model before any).
    const MeterModel& model() const { return *model_; }
    // The meter's device while one is connected.
    THidDevice* meterDevice() const { return MeterLink.Device; }

    // ---- who uses the meter
    // The meter is reserved by a measurement, an import or the clock setting.
    bool inUse() const { return MeterLink.Busy != 0; }
    // Reserves the meter for `use`; an empty reservation when it is in use already.
    MeterReservation reserve(MeterUse use);

    // ---- requests
    // One live reading (0xB3). liveReading is emitted from inside the wait,
    // before it ends.
    MeterAnswer<LiveReading> readLevel();
    // The record count (0xB5). It is kept for the date list (recordCount())
    // until a device change.
    MeterAnswer<RecordCountReply> readRecordCount();
    // The count of the last record-count request; 0 when none has been made
    // since the last device change or forgetRecordCount().
    qint32 recordCount() const { return MeterLink.RecordCount; }
    void forgetRecordCount() { MeterLink.RecordCount = 0; }
    // The recording days of the recordCount() records (the date area, 0xB4).
    // A read cut short still lists the days of what came.
    MeterAnswer<MeterDays> readDayList(Progress* progress = nullptr);
    // The date area (0xB4) into MemoryImage and the DateIndex built from it;
    // RecordCount holds the meter's count. The index is built also when the
    // read ends early.
    RequestResult GetDate(Progress* progress = nullptr);
    // Records first..last (1-based) into MemoryImage from its start (0xC4
    // and the page read). Within a record read the end marker counts only at
    // the start of a record: the second half of a record may begin with
    // FF FF (a level of 6553.5 dB), the first half of a real record does not
    // (its bytes 0 and 1 are followed by the BCD stamp; a record that still
    // began FF FF would end the read early, and too few records fail the
    // import attempt).
    MeterAnswer<RecordTransfer> readRecords(qint32 first, qint32 last, Progress* progress = nullptr);
    // Sets the meter's clock (0x7C) from six packed BCD bytes: second, minute,
    // hour, day, month, year. Its answer only ends the wait.
    RequestResult setClock(const std::array<quint8, 6>& bcd);

    // Live replies from now on are not decoded: a live reading on its way
    // only ends its wait ("Stop Measure", the setup window's creation). A bulk
    // read in progress keeps its decoding.
    void endLiveReadings();
    // Ends the request that is waiting now, which returns Stopped. The next
    // request first lets the rest of the stopped one's answer pass.
    void stopWaiting();
    // A request is waiting for its answer (possibly further up the stack).
    bool requestInProgress() const { return waits_ > 0; }

    // A bulk read ends when no report has come for this long: a meter at
    // full speed sends one every millisecond or so. The read counts as done
    // when everything asked for had arrived (the end marker alone was
    // missing), else it returns NoAnswer. A single-reply request (count,
    // live level, clock) that hears nothing for as long returns NoReply.
    void setSilenceLimitMs(int ms) { silenceLimitMs_ = ms; }
    int silenceLimitMs() const { return silenceLimitMs_; }

    // ---- the protocol's own steps, for the requests above and for tests
    // Sends Command to the meter. False when there is no meter or the write failed.
    bool WritetoDevice();
    // The report handler of the meter device.
    void SaveRead(THidDevice* HidDev, quint8 ReportID, const quint8* Data, int Size);
    // Attaches SaveRead to the meter device (starts its reading thread).
    void attachSaveRead();
    // Handles events until more than ms milliseconds have passed.
    void delay(int ms);

    // The caption and text of the last failure ("WRITE USB ERROR!", "write usb error").
    const QString& lastErrorCaption() const { return lastErrorCaption_; }
    const QString& lastErrorText() const { return lastErrorText_; }

signals:
    // After every device change, with the meter found or not.
    void connectionChanged(bool connected);
    // A live reading has come. Emitted inside SaveRead, before the request's
    // wait ends: connect with Qt::DirectConnection.
    void liveReading(const sonavistor::LiveReading& reading);

private:
    class Wait;
    // The record-memory read; Command holds the ReadRecords payload and
    // expectedPages the reports that carry the records asked for.
    RequestResult GetRec(Progress* progress, int expectedPages);
    // One pass of a bulk read: waits for the next report. False when the
    // meter has been silent for the silence limit.
    bool awaitPage(Progress* progress, bool countEveryPass);
    // A single-report request: write, attach, wait for the answer.
    RequestResult singleRequest(bool attachFirst);
    // Handles events while Pending is set, the meter is there and nobody stopped.
    RequestResult waitForReply();
    RequestResult outcome() const;
    // After a stopped request: lets what the meter still sends for it pass
    // unread before the next request begins.
    void awaitQuiet();

    // Fills Command with the model's payload after the report id.
    void setCommand(const QByteArray& payload);
    // The input reports that carry one record of the meter's model.
    int reportsPerRecord() const { return std::max(1, model_->recordLayout().bytes / model_->reportSize()); }

    std::unique_ptr<THidDeviceController> controller_;
    const MeterModel* model_ = &defaultMeterModel();
    std::vector<THidDevice*> deviceList_;
    QString lastErrorCaption_;
    QString lastErrorText_;
    int datePassOuter_ = 0;
    int datePassInner_ = 0;
    int waits_ = 0;
    bool stopRequested_ = false;
    bool quietBeforeNext_ = false;
    QElapsedTimer lastReport_;  // since the last input report
    int silenceLimitMs_ = 2000;
};

}  // namespace sonavistor
