// sonavistor-uhid-meter: the simulated meter as a real kernel HID device,
// through /dev/uhid. The program (not only the demo), hidapi and udev see it
// as they see a meter on USB.
//   sonavistor-uhid-meter [--unplug-after SECONDS] SCENARIO.json
//   sonavistor-uhid-meter --keyboard [--unplug-after SECONDS]
#include "common/error.h"
#include "sim/scenario.h"
#include "sim/simulated_meter.h"
#include "sim/uhid_device.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <optional>

using namespace sonavistor;

namespace {

constexpr char kUsage[] =
    "usage: sonavistor-uhid-meter [--unplug-after SECONDS] SCENARIO.json\n"
    "       sonavistor-uhid-meter --keyboard [--unplug-after SECONDS]\n"
    "Serves the simulated meter of SCENARIO.json (see the README) as a USB HID\n"
    "device (vendor 0x0483, product 0x5750) through /dev/uhid until Ctrl-C, until\n"
    "SECONDS have passed, or until the scenario's unplugAfterReports; the device\n"
    "is then unplugged. Run it again to plug it again. --keyboard makes a\n"
    "keyboard of the same vendor (product 0x5711) instead, which is not a meter.\n"
    "Needs write access to /dev/uhid (root, or a rule granting it).\n";

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onSignal(int)
{
    stopRequested = 1;
}

void say(const QString& text)
{
    std::fprintf(stdout, "sonavistor-uhid-meter: %s\n", qPrintable(text));
    std::fflush(stdout);
}

struct Options {
    QString scenario;
    bool keyboard = false;
    double unplugAfterSeconds = -1;
};

std::optional<Options> parse(QStringList args)
{
    Options o;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--keyboard")) {
            o.keyboard = true;
        } else if (a == QLatin1String("--unplug-after") && !args.isEmpty()) {
            bool ok = false;
            o.unplugAfterSeconds = args.takeFirst().toDouble(&ok);
            if (!ok || o.unplugAfterSeconds < 0)
                return std::nullopt;
        } else if (!a.startsWith(QLatin1Char('-')) && o.scenario.isEmpty()) {
            o.scenario = a;
        } else {
            return std::nullopt;
        }
    }
    if (o.keyboard == !o.scenario.isEmpty())
        return std::nullopt;
    return o;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parse(QCoreApplication::arguments().mid(1));
    if (!options) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    try {
        std::optional<SimulatedMeter> meter;
        int unplugAfterReports = -1;
        UhidDeviceSetup setup;
        setup.vendor = defaultMeterModel().vendorId();
        setup.uniq = QStringLiteral("sonavistor-uhid-%1").arg(QCoreApplication::applicationPid());
        if (options->keyboard) {
            setup.name = QStringLiteral("Sonavistor test keyboard");
            setup.product = 0x5711;
            setup.reportDescriptor = keyboardReportDescriptor();
        } else {
            const MeterScenario scenario = loadScenario(options->scenario);
            unplugAfterReports = scenario.unplugAfterReports;
            meter.emplace(scenario);
            setup.name = QStringLiteral("Sonavistor simulated meter");
            setup.product = defaultMeterModel().productId();
            setup.reportDescriptor = meterReportDescriptor();
        }
        UhidDevice device(setup);
        const QDeadlineTimer unplugAt = options->unplugAfterSeconds < 0
            ? QDeadlineTimer(QDeadlineTimer::Forever)
            : QDeadlineTimer(static_cast<qint64>(options->unplugAfterSeconds * 1000));
        QString node;
        int sent = 0;
        while (!stopRequested && !unplugAt.hasExpired()) {
            if (node.isEmpty() && !(node = device.hidrawNode()).isEmpty())
                say(QStringLiteral("plugged in as %1 (%2)").arg(node, setup.uniq));
            const std::optional<QByteArray> output = device.waitForOutput(
                static_cast<int>(std::min<qint64>(node.isEmpty() ? 20 : 200, unplugAt.remainingTime())));
            if (!output || !meter)
                continue;
            for (const SimReport& report : meter->handleOutputReport(
                     reinterpret_cast<const quint8*>(output->constData()), static_cast<int>(output->size()))) {
                if (report.delayMs > 0)
                    QThread::msleep(static_cast<unsigned long>(report.delayMs));
                device.sendInput(report.data);
                if (++sent == unplugAfterReports)
                    break;
            }
            if (sent == unplugAfterReports) {
                say(QStringLiteral("unplugged after %1 input reports").arg(sent));
                return 0;
            }
        }
        say(QStringLiteral("unplugged"));
        return 0;
    } catch (const Error& e) {
        std::fprintf(stderr, "sonavistor-uhid-meter: %s\n", qPrintable(e.message()));
        return 1;
    }
}
