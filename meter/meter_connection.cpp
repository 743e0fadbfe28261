#include "meter/meter_connection.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <tuple>

namespace sonavistor {

namespace {

constexpr char kWriteErrorCaption[] = "WRITE USB ERROR!";
constexpr char kWriteErrorText[] = "write usb error";

constexpr int kRecordsPerRead = 720;  // a day of two-minute records at the most
constexpr int kTrailingWaits = 1000;  // pauses of 3 ms for a late end marker
constexpr int kDateProgressMaximum = 262144;

// One pass of event handling that sleeps until something happens. While
// reports stream in, the next one is usually a few microseconds away: look
// for it briefly before going to sleep, which saves a thread wake-up per
// report; a silent meter still leaves the processor idle.
void handleEvents()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher) {
        QElapsedTimer spin;
        spin.start();
        do {
            if (dispatcher->processEvents(QEventLoop::AllEvents))
                return;
        } while (spin.nsecsElapsed() < 150000);
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

}  // namespace

// Counts the requests waiting, so that stopWaiting() reaches all of them and
// a new outermost request starts with no stop left over.
class MeterConnection::Wait {
public:
    explicit Wait(MeterConnection& meter) : meter_(meter)
    {
        if (meter_.waits_++ == 0)
            meter_.stopRequested_ = false;
    }
    ~Wait()
    {
        --meter_.waits_;
        if (meter_.stopRequested_) {
            // What the meter still sends for the stopped request is nobody's
            // answer: it is neither decoded nor taken for the next request's.
            MeterLink.RequestKind = KindNone;
            MeterLink.Pending = false;
            meter_.quietBeforeNext_ = true;
        }
    }
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

private:
    MeterConnection& meter_;
};

MeterConnection::MeterConnection(HidPlatform* platform, QObject* parent)
    : QObject(parent), controller_(std::make_unique<THidDeviceController>(platform))
{
    // A new connection starts from a clean link.
    MeterLink = {};
    controller_->OnEnumerate = [this](THidDevice* device, int index) { return HidCtlEnumerate(device, index); };
    controller_->OnDeviceChange = [this] { HidCtlDeviceChange(); };
}

MeterConnection::~MeterConnection()
{
    MeterLink.Device = nullptr;
    MeterLink.Connected = false;
    controller_.reset();
}

void MeterConnection::HidCtlDeviceChange()
{
    // No report may reach a device object that is about to go.
    MeterLink.Device = nullptr;
    const std::vector<THidDevice*> held = std::move(deviceList_);
    deviceList_.clear();
    for (THidDevice* device : held)
        controller_->ReleaseDevice(device);
    controller_->OfferDevices();

    MeterLink.Device = nullptr;
    MeterLink.Connected = false;
    for (THidDevice* device : deviceList_) {
        const HidAttributes& a = device->Attributes();
        if (const MeterModel* model = findMeterModel(a.VendorID, a.ProductID)) {
            model_ = model;
            MeterLink.Connected = true;
            MeterLink.Device = device;  // with several meters the last one is used
            MeterLink.RecordCount = 0;
        }
    }
    emit connectionChanged(MeterLink.Connected);
}

bool MeterConnection::HidCtlEnumerate(THidDevice* device, int index)
{
    if (THidDevice* claimed = controller_->ClaimByIndex(index))
        deviceList_.push_back(claimed);
    (void)device;
    return true;
}

bool MeterConnection::WritetoDevice()
{
    THidDevice* device = MeterLink.Device;
    if (!device)
        return false;
    int length = device->Caps().OutputReportByteLength;
    if (length <= 0 || length > static_cast<int>(MeterLink.Command.size()))
        length = static_cast<int>(MeterLink.Command.size());
    if (device->WriteReport(MeterLink.Command.data(), length))
        return true;
    lastErrorCaption_ = QString::fromLatin1(kWriteErrorCaption);
    lastErrorText_ = QString::fromLatin1(kWriteErrorText);
    return false;
}

void MeterConnection::attachSaveRead()
{
    if (THidDevice* device = MeterLink.Device) {
        device->setReportHandler([this](THidDevice* dev, quint8 id, const quint8* data, int size) {
            SaveRead(dev, id, data, size);
        });
    }
}

void MeterConnection::SaveRead(THidDevice*, quint8, const quint8* Data, int Size)
{
    lastReport_.restart();
    const int count = std::clamp(Size, 0, 64);  // only the first 64 data bytes count
    for (int i = 0; i < count; ++i)
        MeterLink.Reply[static_cast<size_t>(i)] = Data[i];
    const auto& reply = MeterLink.Reply;

    switch (MeterLink.RequestKind) {
    case KindLive: {
        std::tie(MeterLink.LiveLevel, MeterLink.LiveStatus) = model_->decodeLive(reply.data());
        // The wait ends also when a handler of the reading fails; its error
        // goes on to the application's error box.
        struct EndWait {
            ~EndWait() { MeterLink.Pending = false; }
        } endWait;
        // The reading is handled before the wait ends.
        emit liveReading(decodeLiveReading(MeterLink.LiveLevel, MeterLink.LiveStatus));
        break;
    }
    case KindCount:
        MeterLink.RecordCount = model_->decodeCount(reply.data()).second;
        MeterLink.Pending = false;
        break;
    case KindPages:
    case KindDates: {
        const int page = MeterLink.PageIndex;
        const int pageSize = model_->reportSize();
        const bool inImage = page >= 0 && page < MemoryImageData::pageCount(pageSize);
        // In a record read the marker can only come where a record would start.
        const bool markerPlace = MeterLink.RequestKind == KindDates || page % reportsPerRecord() == 0;
        if (markerPlace && model_->isEndMarker(reply.data())) {
            // The end marker: its two bytes go into the page, which is not counted.
            if (inImage) {
                MemoryImage[page * pageSize] = 0xFF;
                MemoryImage[page * pageSize + 1] = 0xFF;
            }
            MeterLink.Pending = false;
            if (MeterLink.RequestKind == KindPages) {
                MeterLink.PagesLeft = 1;
                MeterLink.EndPending = 0;
            } else {
                datePassOuter_ = 1;
                datePassInner_ = 1;
            }
            break;
        }
        if (inImage) {
            for (int i = 0; i < pageSize; ++i)
                MemoryImage[page * pageSize + i] = reply[static_cast<size_t>(i)];
            ++MeterLink.PageIndex;
        }
        MeterLink.Pending = false;
        break;
    }
    default:
        MeterLink.Pending = false;
        break;
    }
}

void MeterConnection::setCommand(const QByteArray& payload)
{
    MeterLink.Command[0] = 0;
    const size_t n = std::min(static_cast<size_t>(payload.size()), MeterLink.Command.size() - 1);
    std::copy_n(reinterpret_cast<const quint8*>(payload.constData()), n, MeterLink.Command.begin() + 1);
}

RequestResult MeterConnection::outcome() const
{
    if (!MeterLink.Connected)
        return RequestResult::MeterGone;
    if (stopRequested_)
        return RequestResult::Stopped;
    return RequestResult::Answered;
}

RequestResult MeterConnection::waitForReply()
{
    QElapsedTimer silence;
    silence.start();
    QTimer wake;  // wakes the wait while the meter is silent
    wake.start(std::max(10, silenceLimitMs_ / 10));
    while (MeterLink.Pending && MeterLink.Connected && !stopRequested_) {
        if (silence.elapsed() >= silenceLimitMs_) {
            // A reply that comes later finds nothing waiting for it.
            MeterLink.Pending = false;
            return RequestResult::NoReply;
        }
        handleEvents();
    }
    return outcome();
}

void MeterConnection::stopWaiting()
{
    if (waits_ > 0)
        stopRequested_ = true;
}

void MeterConnection::endLiveReadings()
{
    if (MeterLink.RequestKind == KindLive)
        MeterLink.RequestKind = KindNone;
}

void MeterConnection::delay(int ms)
{
    QElapsedTimer clock;
    clock.start();
    // Something to wake the wait when nothing else happens; a timer may fire
    // a little early, so it is started again until the time is really up.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (clock.elapsed() <= ms) {
        if (!wake.isActive())
            wake.start(static_cast<int>(ms - clock.elapsed()) + 1);
        handleEvents();
    }
}

void MeterConnection::awaitQuiet()
{
    if (!quietBeforeNext_)
        return;
    quietBeforeNext_ = false;
    MeterLink.RequestKind = KindNone;
    // A meter at full speed sends a report every millisecond or so: the
    // rest of a stopped read has come once it has been quiet for a while.
    constexpr int kQuietMs = 100;
    constexpr int kLongestMs = 5000;
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(10);
    while (MeterLink.Connected && lastReport_.isValid() && lastReport_.elapsed() < kQuietMs &&
           clock.elapsed() < kLongestMs)
        handleEvents();
}

RequestResult MeterConnection::singleRequest(bool attachFirst)
{
    if (!MeterLink.Connected || !MeterLink.Device)
        return RequestResult::NoMeter;
    Wait wait(*this);
    MeterLink.Pending = true;
    if (attachFirst)
        attachSaveRead();
    if (!WritetoDevice()) {
        // Nothing is on its way: the request ends here, not at the next unplug.
        MeterLink.Pending = false;
        return RequestResult::WriteFailed;
    }
    attachSaveRead();
    return waitForReply();
}

MeterReservation MeterConnection::reserve(MeterUse use)
{
    if (inUse())
        return {};
    return MeterReservation(&MeterLink.Busy, use);
}

MeterAnswer<LiveReading> MeterConnection::readLevel()
{
    awaitQuiet();
    setCommand(model_->encode(MeterCommand::Live));
    MeterLink.RequestKind = KindLive;
    MeterAnswer<LiveReading> answer;
    answer.result = singleRequest(false);
    if (answer.answered())
        answer.value = decodeLiveReading(MeterLink.LiveLevel, MeterLink.LiveStatus);
    return answer;
}

MeterAnswer<RecordCountReply> MeterConnection::readRecordCount()
{
    awaitQuiet();
    setCommand(model_->encode(MeterCommand::Count));
    MeterLink.RequestKind = KindCount;
    // The count request attaches its handler first, then writes.
    MeterAnswer<RecordCountReply> answer;
    answer.result = singleRequest(true);
    if (answer.answered())
        answer.value = {model_->decodeCount(MeterLink.Reply.data()).first == model_->countMark(),
                        MeterLink.RecordCount};
    return answer;
}

MeterAnswer<MeterDays> MeterConnection::readDayList(Progress* progress)
{
    MeterAnswer<MeterDays> answer;
    MeterDays& list = answer.value;
    list.recordCount = MeterLink.RecordCount;
    const DateLayout dates = model_->dateLayout();
    list.reportsExpected =
        ((list.recordCount + dates.entriesPerBlock - 1) / dates.entriesPerBlock) * (dates.blockBytes / model_->reportSize());
    answer.result = GetDate(progress);
    list.reportsReceived = MeterLink.PageIndex;
    if (answer.result == RequestResult::NoMeter || answer.result == RequestResult::WriteFailed)
        return answer;
    list.days.reserve(static_cast<size_t>(DateIndex.DateCount));
    for (qint32 i = 0; i < DateIndex.DateCount; ++i)
        list.days.push_back({DateIndex.Dates[static_cast<size_t>(i)], DateIndex.FirstRecord[static_cast<size_t>(i)]});
    return answer;
}

RequestResult MeterConnection::setClock(const std::array<quint8, 6>& bcd)
{
    awaitQuiet();
    setCommand(model_->encodeClock(bcd));
    // The answer is neither a reading nor a page, whatever came before.
    MeterLink.RequestKind = KindNone;
    return singleRequest(false);
}

MeterAnswer<RecordTransfer> MeterConnection::readRecords(qint32 first, qint32 last, Progress* progress)
{
    awaitQuiet();
    setCommand(model_->encodeRecords(static_cast<quint32>(first), static_cast<quint32>(last)));
    const int reportsPerRecord = this->reportsPerRecord();
    const qint64 records = std::clamp<qint64>(qint64(last) - first + 1, 0, kRecordsPerRead);
    MeterAnswer<RecordTransfer> answer;
    answer.result = GetRec(progress, static_cast<int>(reportsPerRecord * records));
    if (answer.result == RequestResult::NoMeter || answer.result == RequestResult::WriteFailed)
        return answer;
    // Only what this transfer stored: the image beyond it holds an earlier
    // transfer's bytes.
    const int pageSize = model_->reportSize();
    const int pages = std::clamp(MeterLink.PageIndex, 0, MemoryImageData::pageCount(pageSize));
    answer.value.records = pages / reportsPerRecord;
    answer.value.bytes.assign(MemoryImage.m.begin(), MemoryImage.m.begin() + static_cast<qsizetype>(pages) * pageSize);
    return answer;
}

bool MeterConnection::awaitPage(Progress* progress, bool countEveryPass)
{
    QElapsedTimer silence;
    silence.start();
    while (MeterLink.Pending && MeterLink.Connected && !stopRequested_) {
        if (silence.elapsed() >= silenceLimitMs_)
            return false;
        if (progress)
            progress->setPosition(countEveryPass ? progress->position() + 1 : MeterLink.PageIndex + 1);
        handleEvents();
    }
    return true;
}

RequestResult MeterConnection::GetRec(Progress* progress, int expectedPages)
{
    if (!MeterLink.Connected || !MeterLink.Device)
        return RequestResult::NoMeter;
    Wait wait(*this);
    MeterLink.EndPending = 1;
    int trailing = kTrailingWaits;
    MeterLink.Pending = true;
    MeterLink.RequestKind = KindPages;
    MeterLink.PageIndex = 0;
    if (!WritetoDevice()) {
        MeterLink.Pending = false;
        return RequestResult::WriteFailed;
    }

    const int recordPages = kRecordsPerRead * reportsPerRecord();
    MeterLink.PagesLeft = recordPages;
    QTimer wake;  // wakes the waits while the meter is silent
    wake.start(std::max(10, silenceLimitMs_ / 10));
    if (progress)
        progress->setMaximum(recordPages * 32 + 10);
    while (MeterLink.PagesLeft > 0) {
        MeterLink.Pending = true;
        attachSaveRead();
        if (!awaitPage(progress, false)) {
            // Silent: done when every record asked for is in, else cut short.
            MeterLink.Pending = false;
            return MeterLink.PageIndex >= expectedPages ? RequestResult::Answered : RequestResult::NoAnswer;
        }
        if (!MeterLink.Connected || stopRequested_)
            return outcome();  // no further page, no trailing wait
        --MeterLink.PagesLeft;
    }
    // Reports that still come are stored as pages while the meter gets its
    // chance to send the end marker.
    while (MeterLink.EndPending > 0 && MeterLink.Connected && !stopRequested_) {
        if (--trailing <= 0)
            break;
        attachSaveRead();
        delay(3);
    }
    return outcome();
}

RequestResult MeterConnection::GetDate(Progress* progress)
{
    if (!MeterLink.Connected || !MeterLink.Device)
        return RequestResult::NoMeter;
    awaitQuiet();
    Wait wait(*this);
    setCommand(model_->encode(MeterCommand::Dates));
    MeterLink.RequestKind = KindDates;
    MeterLink.PageIndex = 0;
    const DateLayout dates = model_->dateLayout();
    const int pagesPerBlock = dates.blockBytes / model_->reportSize();
    datePassOuter_ = dates.maxBlocks;
    if (progress) {
        progress->setPosition(0);
        progress->setMaximum(kDateProgressMaximum);
    }
    MeterLink.Pending = true;
    if (!WritetoDevice()) {
        MeterLink.Pending = false;
        return RequestResult::WriteFailed;
    }

    // A device change during the read clears RecordCount; the list is of
    // the records counted before it began.
    const qint32 recordCount = MeterLink.RecordCount;
    // The reports that carry the dates of every record.
    const int expectedPages =
        std::clamp((recordCount + dates.entriesPerBlock - 1) / dates.entriesPerBlock, 1, dates.maxBlocks) *
        pagesPerBlock;
    bool silent = false;
    QTimer wake;  // wakes the waits while the meter is silent
    wake.start(std::max(10, silenceLimitMs_ / 10));
    while (datePassOuter_ > 0 && MeterLink.Connected && !stopRequested_ && !silent) {
        datePassInner_ = pagesPerBlock;
        while (datePassInner_ > 0 && MeterLink.Connected && !stopRequested_) {
            MeterLink.Pending = true;
            attachSaveRead();
            if (!awaitPage(progress, true)) {
                MeterLink.Pending = false;
                silent = true;
                break;
            }
            --datePassInner_;
        }
        --datePassOuter_;
    }
    // The index is built from what the image holds, also after an unplug.
    buildDateIndex(MemoryImage, recordCount, DateIndex, dates);
    if (MeterLink.Connected)
        MeterLink.RecordCount = recordCount;
    if (progress)
        progress->setPosition(kDateProgressMaximum);
    if (silent)
        return MeterLink.PageIndex >= expectedPages ? RequestResult::Answered : RequestResult::NoAnswer;
    return outcome();
}

}  // namespace sonavistor
