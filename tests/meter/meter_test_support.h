#pragma once
// Helpers for the meter tests: wait for a condition while handling events,
// and fixed-answer devices.

#include "meter/fake_hid_platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace sonavistor::test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Handles events for a while (lets queued scans run).
inline void settle(int ms = 50)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs `action` once, from the event loop, as soon as `due` holds (a wait
// for the meter handles events): a step taken at a chosen report.
inline void once(QObject* context, std::function<bool()> due, std::function<void()> action)
{
    auto* timer = new QTimer(context);
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, context,
                     [timer, due = std::move(due), action = std::move(action)] {
                         if (!timer->isActive() || !due())
                             return;
                         timer->stop();
                         timer->deleteLater();
                         action();
                     });
    timer->start();
}

// A device that answers every output report with the given reports.
class FixedAnswers : public FakeDeviceBehaviour {
public:
    explicit FixedAnswers(std::vector<QByteArray> answers) : answers_(std::move(answers)) {}
    std::vector<FakeInputReport> onOutputReport(const quint8*, int) override
    {
        std::vector<FakeInputReport> out;
        for (const QByteArray& a : answers_)
            out.push_back({a, 0});
        return out;
    }

private:
    std::vector<QByteArray> answers_;
};

inline FakeDeviceSetup meterSetup(std::shared_ptr<FakeDeviceBehaviour> behaviour = nullptr)
{
    FakeDeviceSetup setup;
    setup.attributes = {0x0483, 0x5750, 0x0100};
    setup.behaviour = std::move(behaviour);
    return setup;
}

inline FakeDeviceSetup keyboardSetup(FakeDeviceSetup::Access access = FakeDeviceSetup::Access::QueryOnly)
{
    FakeDeviceSetup setup;
    setup.attributes = {0x046d, 0xc31c, 0x0110};
    setup.caps = {9, 2};
    setup.access = access;
    return setup;
}

}  // namespace sonavistor::test
