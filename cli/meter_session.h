#pragma once
// A meter for the command-line tool's meter commands: the real one through
// hidraw (--meter usb, the default) or a simulated one (--meter sim:FILE.json),
// found with the same device-change handling as the program's. Ctrl-C and
// SIGTERM end the request that waits.

#include "cli/cli_command.h"
#include "common/progress.h"
#include "meter/hid_platform.h"
#include "meter/meter_connection.h"

#include <QString>

#include <functional>
#include <memory>

namespace sonavistor::cli {

class MeterSession {
public:
    ~MeterSession();

    // Takes --meter from args. On failure prints the reason and returns the
    // exit status (nonzero); 0 when the meter is connected (or, with
    // meterRequired false, once the devices have been looked at).
    int open(QStringList& args, Output io, bool meterRequired = true);

    HidPlatform& platform() { return *platform_; }
    MeterConnection& meter() { return *connection_; }
    bool interrupted() const { return interrupted_; }

    // What to say of a failed request: "interrupted" after Ctrl-C, else its description.
    QString failure(RequestResult result) const;
    // Called on Ctrl-C and SIGTERM, after the waiting request has been stopped.
    void setInterruptHandler(std::function<void()> handler) { onInterrupt_ = std::move(handler); }

    // Ctrl-C and SIGTERM are kept from here on, for the session to act on
    // once it is open: a command that must end cleanly (log) calls it first,
    // so that a stop during its start is not lost. False when they cannot be.
    static bool catchInterrupts();

private:
    void watchInterrupts();

    std::unique_ptr<HidPlatform> platform_;
    std::unique_ptr<MeterConnection> connection_;
    bool interrupted_ = false;
    std::function<void()> onInterrupt_;
};

// The lock Sonavistor itself holds while it runs (its single-instance rule).
inline constexpr char kProgramLockTitle[] = "sonavistor";
// The lock that `sonavistor-cli log` holds while it uses the meter.
inline constexpr char kLoggerLockTitle[] = "sonavistor-log";

// Progress of a bulk read as a line on stderr, only when stderr is a terminal.
class TerminalProgress : public Progress {
public:
    explicit TerminalProgress(const char* what);
    ~TerminalProgress() override;
    void setMaximum(int maximum) override { maximum_ = maximum; }
    void setPosition(int position) override;
    int position() const override { return position_; }

private:
    const char* what_;
    bool terminal_;
    int maximum_ = 0;
    int position_ = 0;
    int shownPercent_ = -1;
};

}  // namespace sonavistor::cli
