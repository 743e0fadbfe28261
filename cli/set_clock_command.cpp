// sonavistor-cli set-clock [--local] [--meter ...]
// Sets the meter's clock from the PC clock as the setup window does: UTC plus
// eight hours, or with --local the PC's local time.
#include "cli/meter_session.h"

#include "setup/meter_clock.h"

#include <QDateTime>

namespace sonavistor::cli {

int setClockCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const bool local = args.removeAll(QStringLiteral("--local")) > 0;
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (!args.isEmpty())
        return io.err << "set-clock: unexpected " << args.join(' ') << Qt::endl, kUsage;

    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime time = local ? now : meterClockTime(now);
    const auto bytes = setClockBytes(time);
    const RequestResult result = session.meter().setClock(bytes);
    if (result != RequestResult::Answered)
        return io.err << session.failure(result) << " while setting its clock" << Qt::endl, kFailed;
    QStringList hex;
    for (quint8 b : bytes)
        hex << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    io.out << "Set the meter's clock to " << time.toString("yyyy-MM-dd HH:mm:ss") << " (sent " << hex.join(' ')
           << ")" << Qt::endl;
    return kOk;
}

}  // namespace sonavistor::cli
