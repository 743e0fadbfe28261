#include "cli/meter_session.h"

#include "cli/log_monitoring.h"
#include "common/error.h"
#include "common/single_instance.h"
#include "meter/fake_hid_platform.h"
#include "sim/scenario.h"
#include "sim/simulated_device.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace sonavistor::cli {

namespace {

constexpr char kNoMeter[] = "no meter connected";

int interruptPipe[2] = {-1, -1};

extern "C" void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(interruptPipe[1], &byte, 1);
}

}  // namespace

MeterSession::~MeterSession()
{
    // Reading threads stop and the meter is released before the platform goes.
    connection_.reset();
    platform_.reset();
}

bool MeterSession::catchInterrupts()
{
    if (interruptPipe[0] < 0 && ::pipe(interruptPipe) != 0)
        return false;
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    return true;
}

void MeterSession::watchInterrupts()
{
    // A signal that came before is still in the pipe: the notifier sees it.
    if (!catchInterrupts())
        return;
    auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, connection_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, [this] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(interruptPipe[0], &byte, 1);
        interrupted_ = true;
        connection_->stopWaiting();
        if (onInterrupt_)
            onInterrupt_();
    });
}

int MeterSession::open(QStringList& args, Output io, bool meterRequired)
{
    QString meter = QStringLiteral("usb");
    const qsizetype at = args.indexOf(QStringLiteral("--meter"));
    if (at >= 0) {
        if (at + 1 >= args.size())
            return io.err << "--meter needs usb or sim:SCENARIO.json" << Qt::endl, kUsage;
        meter = args[at + 1];
        args.remove(at, 2);
    }
    // Both would read the same replies.
    if (SingleInstance::heldByAnother(QString::fromLatin1(kProgramLockTitle)))
        return io.err << "Sonavistor is running and uses the meter; close it before using the meter from here"
                      << Qt::endl, kFailed;
    if (SingleInstance::heldByAnother(loggerLockTitle(meter)))
        return io.err << "sonavistor-cli log is running and uses the meter; stop it first "
                         "(systemctl --user stop sonavistor-log)"
                      << Qt::endl, kFailed;

    if (meter == QLatin1String("usb")) {
        platform_ = createSystemHidPlatform();
    } else if (meter.startsWith(QLatin1String("sim:"))) {
        try {
            const MeterScenario scenario = loadScenario(meter.mid(4));
            const MeterModel* model = findMeterModel(static_cast<quint16>(scenario.vendorId),
                                                     static_cast<quint16>(scenario.productId));
            if (!model)
                return io.err << "no meter model has the scenario's vendorId and productId" << Qt::endl, kFailed;
            auto fake = std::make_unique<FakeHidPlatform>();
            plugSimulatedMeter(*fake, scenario, nullptr, *model);
            platform_ = std::move(fake);
        } catch (const Error& e) {
            return io.err << e.message() << Qt::endl, kFailed;
        }
    } else {
        return io.err << "--meter takes usb or sim:SCENARIO.json, not " << meter << Qt::endl, kUsage;
    }
    connection_ = std::make_unique<MeterConnection>(platform_.get());
    // For the tests only: how long a quiet meter is waited for (2 s else), so
    // that a test of a meter that stops answering need not wait as long.
    bool silenceSet = false;
    const int silenceMs = qEnvironmentVariableIntValue("SONAVISTOR_TEST_SILENCE_MS", &silenceSet);
    if (silenceSet && silenceMs > 0)
        connection_->setSilenceLimitMs(silenceMs);
    watchInterrupts();
    // The first scan runs once the event loop runs.
    QElapsedTimer clock;
    clock.start();
    while (connection_->HidCtl().scans() == 0 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!connection_->connected() && meterRequired)
        return io.err << kNoMeter << Qt::endl, kFailed;
    return kOk;
}

QString MeterSession::failure(RequestResult result) const
{
    return interrupted_ ? QStringLiteral("interrupted") : describe(result);
}

TerminalProgress::TerminalProgress(const char* what) : what_(what), terminal_(::isatty(2) == 1) {}

TerminalProgress::~TerminalProgress()
{
    if (terminal_ && shownPercent_ >= 0)
        std::fprintf(stderr, "\n");
}

void TerminalProgress::setPosition(int position)
{
    position_ = position;
    if (!terminal_ || maximum_ <= 0)
        return;
    const int percent = static_cast<int>(100LL * std::min(position, maximum_) / maximum_);
    if (percent != shownPercent_) {
        shownPercent_ = percent;
        std::fprintf(stderr, "\r%s: %3d %%", what_, percent);
        std::fflush(stderr);
    }
}

}  // namespace sonavistor::cli
