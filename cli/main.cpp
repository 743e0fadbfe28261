// sonavistor-cli: Sonavistor's measurements without windows.
#include "cli/cli_command.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr char kHelp[] =
    "sonavistor-cli: Sonavistor's saved measurements from the command line.\n"
    "\n"
    "  sonavistor-cli info [--json] FILE.qrv...\n"
    "      For each saved file: rows read, the announced Total, the first and last\n"
    "      reading's date and time as stored, min, max, avg, Leq, L10, L50, L90\n"
    "      (one decimal). --json prints one JSON object per file per line with the\n"
    "      keys file, rows, announced, first, last, min, max, avg, leq, l10, l50,\n"
    "      l90 (numbers unrounded; null for a file without readings).\n"
    "\n"
    "  sonavistor-cli export -o OUT.xls [--force] FILE.qrv...\n"
    "      Writes the worksheet that the data view window exports for those files\n"
    "      opened one after the other: RecNo numbered from 1 across the files,\n"
    "      columns RecNo, MeaValue, Weight, NTime, NDate. An existing OUT.xls is\n"
    "      only replaced with --force. A worksheet holds at most 65,536 rows; a\n"
    "      longer export writes what fits and fails with a message.\n"
    "\n"
    "Meter commands (the meter through hidraw, or --meter sim:SCENARIO.json for\n"
    "the simulated meter; they refuse to run while Sonavistor itself runs):\n"
    "\n"
    "  sonavistor-cli days [--json]\n"
    "      The meter's recording days: date, first record, number of records.\n"
    "  sonavistor-cli import DAY -o OUT.qrv [--force]\n"
    "      Imports one day (a date as days prints it, or its line number) and\n"
    "      writes the saved file the import window would write.\n"
    "  sonavistor-cli live [-n COUNT] [--interval SECONDS] [--json]\n"
    "      One line a reading: date, time, level, A/C, FAST/SLOW, range, MAX/MIN.\n"
    "      Ends after COUNT readings or on Ctrl-C.\n"
    "  sonavistor-cli set-clock [--local]\n"
    "      Sets the meter's clock from the PC clock (UTC + 8 hours, or local time).\n"
    "  sonavistor-cli devices [--json] [--watch SECONDS]\n"
    "      The HID devices as the program sees them: path, vendor:product, input\n"
    "      and output report lengths, and which one is the meter. --watch then\n"
    "      reports every device change for SECONDS (or until Ctrl-C).\n"
    "\n"
    "Exit status: 0 done, 1 failed (the reason is one line on stderr naming the\n"
    "file and line), 2 bad usage.\n";

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    using namespace sonavistor::cli;

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args[0] == QLatin1String("help")) {
        (args.isEmpty() ? err : out) << kHelp;
        return args.isEmpty() ? kUsage : kOk;
    }
    const std::map<QString, std::function<int(const QStringList&, Output)>> commands = {
        {QStringLiteral("info"), infoCommand},
        {QStringLiteral("export"), exportCommand},
        {QStringLiteral("days"), daysCommand},
        {QStringLiteral("import"), importCommand},
        {QStringLiteral("live"), liveCommand},
        {QStringLiteral("set-clock"), setClockCommand},
        {QStringLiteral("devices"), devicesCommand},
    };
    const QString name = args.takeFirst();
    const auto command = commands.find(name);
    if (command == commands.end()) {
        err << "sonavistor-cli: unknown command " << name << " (see sonavistor-cli --help)" << Qt::endl;
        return kUsage;
    }
    if (args.contains(QLatin1String("--help"))) {
        out << kHelp;
        return kOk;
    }
    return command->second(args, {out, err});
}
