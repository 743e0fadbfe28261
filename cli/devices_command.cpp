// sonavistor-cli devices [--json] [--watch SECONDS] [--meter usb|sim:FILE]
#include "cli/meter_session.h"

#include "meter/hid_platform_hidraw.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sonavistor::cli {

namespace {

QString hex4(quint16 v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
}

void listDevices(MeterSession& session, bool json, Output io)
{
    QJsonArray list;
    for (THidDevice* device : session.meter().DeviceList()) {
        const HidAttributes a = device->Attributes();
        const HidCaps caps = device->Caps();
        const bool meter = device == session.meter().meterDevice();
        const QString path = device->PnPInfo().DevicePath();
        if (json) {
            list.append(QJsonObject{{"path", path},
                                    {"vendor", hex4(a.VendorID)},
                                    {"product", hex4(a.ProductID)},
                                    {"input", caps.InputReportByteLength},
                                    {"output", caps.OutputReportByteLength},
                                    {"meter", meter}});
        } else {
            io.out << path << '\t' << hex4(a.VendorID) << ':' << hex4(a.ProductID) << '\t' << "in "
                   << caps.InputReportByteLength << " out " << caps.OutputReportByteLength << '\t'
                   << (meter ? "meter" : "other") << '\n';
        }
    }
    if (json)
        io.out << QJsonDocument(list).toJson(QJsonDocument::Compact) << '\n';
    io.out.flush();
}

}  // namespace

int devicesCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    double watchSeconds = -1;
    if (const qsizetype at = args.indexOf(QStringLiteral("--watch")); at >= 0) {
        bool ok = false;
        if (at + 1 < args.size())
            watchSeconds = args[at + 1].toDouble(&ok);
        if (!ok || watchSeconds < 0)
            return io.err << "devices: --watch needs a number of seconds" << Qt::endl, kUsage;
        args.remove(at, 2);
    }
    MeterSession session;
    if (const int status = session.open(args, io, false))
        return status;
    if (!args.isEmpty())
        return io.err << "devices: unexpected " << args.join(' ') << Qt::endl, kUsage;
    listDevices(session, json, io);
    if (watchSeconds < 0)
        return kOk;

    // Every device change, as the program sees it, until the time is up.
    if (auto* hidraw = qobject_cast<HidrawPlatform*>(&session.platform()))
        io.out << "watching device changes from " << hidraw->monitorSource() << Qt::endl;
    QObject::connect(&session.meter(), &MeterConnection::connectionChanged, [&](bool connected) {
        if (connected)
            io.out << "meter connected: " << session.meter().meterDevice()->PnPInfo().DevicePath() << Qt::endl;
        else
            io.out << "no meter" << Qt::endl;
    });
    const QDeadlineTimer until(static_cast<qint64>(watchSeconds * 1000));
    while (!until.hasExpired() && !session.interrupted())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return kOk;
}

}  // namespace sonavistor::cli
