#pragma once
// Unattended logging: one live reading a second (the live window's request)
// into a LevelLog, for as long as it runs. An unplugged or silent meter
// makes a gap (said once when it begins and once when readings come again;
// nothing is written for it) and the logger goes on as soon as the meter
// is back. While Sonavistor itself has the meter, the logger sends nothing.
// The clock that stamps the readings is the caller's, so that tests can
// run a day in moments; the pace is kept on a monotonic timer, so a clock
// that jumps changes the stamps and nothing else.

#include "logging/level_log.h"
#include "meter/meter_connection.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>

#include <functional>

namespace sonavistor {

struct MeterLoggerOptions {
    int intervalMs = 1000;
    int answerTimeoutMs = 3000;  // a live request unanswered this long is a gap
};

class MeterLogger : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    MeterLogger(MeterConnection& meter, LevelLog& log, Clock clock, MeterLoggerOptions options = {});

    // Logs until stop(), then writes the day files (LevelLog::saveAll).
    // Throws Error when a day file can neither be read nor set aside.
    void run();
    // Ends run() soon, a request that waits included. Safe from inside a wait.
    void stop();

    // Whether Sonavistor has the meter now; logging pauses while it does.
    std::function<bool()> meterTakenByProgram;
    // Each line worth telling the user: gaps, pauses, the log's messages.
    std::function<void(const QString&)> onMessage;
    // After every tick (tests move their clock and plug meters here).
    std::function<void()> afterTick;
    // Each reading as its day-file row, once it is in the log.
    std::function<void(const ReadingRow&)> onReading;

    qint64 readings() const { return readings_; }
    int gaps() const { return gaps_; }
    // Whether readings have stopped coming (no meter, no answer, paused).
    bool inGap() const { return inGap_; }

private:
    void tick();
    void record(qint32 level, qint32 status);
    void beginGap(const QString& why);
    void say(const QString& text);
    void waitUntil(qint64 ms);

    MeterConnection& meter_;
    LevelLog& log_;
    Clock clock_;
    MeterLoggerOptions options_;
    QElapsedTimer monotonic_;
    bool stopping_ = false;
    bool inGap_ = false;
    bool paused_ = false;
    QDateTime lastReading_;
    qint64 readings_ = 0;
    int gaps_ = 0;
};

}  // namespace sonavistor
