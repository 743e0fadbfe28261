#include "logging/meter_logger.h"

#include "common/error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace sonavistor {

namespace {

QString stampText(const QDateTime& when)
{
    const ReadingRow row = liveReadingRow(when, 0, 0);
    return row.NDate + QLatin1Char(' ') + row.NTime;
}

}  // namespace

MeterLogger::MeterLogger(MeterConnection& meter, LevelLog& log, Clock clock, MeterLoggerOptions options)
    : meter_(meter), log_(log), clock_(std::move(clock)), options_(options)
{
}

void MeterLogger::run()
{
    stopping_ = false;
    std::optional<Error> failure;
    const auto connection = connect(
        &meter_, &MeterConnection::liveReading, this,
        [this, &failure](const LiveReading& reading) {
            // Nothing may be thrown through the meter's event handling.
            try {
                record(reading.level, reading.status);
            } catch (const Error& e) {
                failure = e;
                stop();
            }
        },
        Qt::DirectConnection);
    monotonic_.start();
    qint64 next = 0;
    // Whole-second paces run in the middle of the clock's seconds, so that
    // the readings' stamps step a second at a time.
    if (options_.intervalMs % 1000 == 0)
        next = (1500 - clock_().time().msec()) % 1000;
    waitUntil(next);
    while (!stopping_) {
        tick();
        log_.maintain(monotonic_.elapsed());
        for (const QString& message : log_.takeMessages())
            say(message);
        if (afterTick)
            afterTick();
        // Ticks missed while a request waited are skipped, keeping the pace's phase.
        do
            next += options_.intervalMs;
        while (next < monotonic_.elapsed());
        waitUntil(next);
    }
    disconnect(connection);
    log_.saveAll();
    for (const QString& message : log_.takeMessages())
        say(message);
    if (failure)
        throw *failure;
}

void MeterLogger::stop()
{
    stopping_ = true;
    meter_.stopWaiting();
}

void MeterLogger::tick()
{
    if (meterTakenByProgram && meterTakenByProgram()) {
        if (!paused_) {
            paused_ = true;
            beginGap(QStringLiteral("Sonavistor runs and has the meter; logging pauses until it closes"));
        }
        return;
    }
    paused_ = false;
    if (!meter_.connected()) {
        beginGap(QStringLiteral("no meter is connected; logging goes on when it is back"));
        return;
    }
    bool timedOut = false;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, this, [this, &timedOut] {
        timedOut = true;
        meter_.stopWaiting();
    });
    timeout.start(options_.answerTimeoutMs);
    const RequestResult result = meter_.readLevel().result;
    if (result == RequestResult::Answered || stopping_)
        return;
    beginGap(timedOut || result == RequestResult::NoReply ? QStringLiteral("the meter does not answer; logging goes on when it does")
                      : describe(result) + QStringLiteral("; logging goes on when it is back"));
}

void MeterLogger::record(qint32 level, qint32 status)
{
    const QDateTime now = clock_();
    const ReadingRow row = liveReadingRow(now, level, status);
    log_.add(now.date(), row);
    ++readings_;
    if (onReading)
        onReading(row);
    if (inGap_) {
        inGap_ = false;
        say(lastReading_.isValid()
                ? QStringLiteral("readings again from %1, %2 s after the last one (%3)")
                      .arg(stampText(now))
                      .arg(lastReading_.secsTo(now))
                      .arg(stampText(lastReading_))
                : QStringLiteral("first reading at %1").arg(stampText(now)));
    }
    lastReading_ = now;
}

void MeterLogger::beginGap(const QString& why)
{
    if (inGap_)
        return;
    inGap_ = true;
    ++gaps_;
    say(QStringLiteral("no reading at %1: %2").arg(stampText(clock_()), why));
}

void MeterLogger::say(const QString& text)
{
    if (onMessage)
        onMessage(text);
}

void MeterLogger::waitUntil(qint64 ms)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!stopping_ && monotonic_.elapsed() < ms) {
        if (!wake.isActive())
            wake.start(static_cast<int>(ms - monotonic_.elapsed()) + 1);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace sonavistor
