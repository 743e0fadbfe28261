// sonavistor-cli: Sonavistor's measurements without windows.
#include "cli/cli_command.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr char kHelp[] =
    "sonavistor-cli: Sonavistor's saved measurements from the command line.\n"
    "\n"
    "  sonavistor-cli info [--json] [--interval 1m|5m|15m|1h] [--exposure DURATION]\n"
    "                      [--periods] [--period-hours D,E,N] [--night-lmax DB]\n"
    "                      [--min-coverage PERCENT] [--events] [--threshold DB]\n"
    "                      [--event-gap S] [--event-min S] FILE.qrv...\n"
    "      For each saved file: rows read, the announced Total, the first and last\n"
    "      reading's date and time as stored, min, max, avg, Leq, L10, L50, L90\n"
    "      (one decimal), then the acoustic figures of each weighting (A and C\n"
    "      apart), each sample lasting the file's median time step: Leq, SEL,\n"
    "      Lmax, Lmin, L10/L50/L90, LEX,8h, NIOSH and OSHA dose and TWA.\n"
    "      --exposure (8h, 90m, 7h30m; at most 24h) is the exposure time of\n"
    "      LEX,8h (default: the measured time). --interval adds the Leq of every\n"
    "      interval starting on the clock. --json prints one JSON object per file\n"
    "      per line with the keys file, rows, announced, first, last, min, max,\n"
    "      avg, leq, l10, l50, l90 (unrounded; null for a file without readings),\n"
    "      sampleSeconds, \"A\" and \"C\" (leq, sel, lmax, lmin, lex8h, niosh and\n"
    "      osha with dose and twa; levels to 0.1 dB, doses to 0.01 %) and with\n"
    "      --interval \"intervals\" (start, weighting, count, leq).\n"
    "      --periods and --events take the files together as one measurement\n"
    "      (logged days one after the other) and add its environmental noise\n"
    "      figures, after the files' own, each reading lasting its own file's\n"
    "      median time step (--periods): the whole measurement's Lden, Lday,\n"
    "      Levening and Lnight (the energy average over the days and nights\n"
    "      covered at least --min-coverage %, default 75; those below are counted\n"
    "      as left out); per calendar day and weighting Lden, Ldn, Lday,\n"
    "      Levening, Lnight with the coverage of their periods, and Leq, Lmax,\n"
    "      L90 of each hour; per night (23-7 h across midnight) Lnight, coverage,\n"
    "      Lmax, its events and those of them with Lmax at or above --night-lmax\n"
    "      (dB, default 60). --events adds the noise events with start, end,\n"
    "      duration (end - start), Lmax and its time, Leq and SEL. Day, evening\n"
    "      and night start at --period-hours (default 7,19,23); an event starts at\n"
    "      a reading at or above --threshold (dB, default 70) and ends when the\n"
    "      level stays below it for --event-gap seconds (0 to 86400, default 5;\n"
    "      0 ends it at the first reading below); events shorter than --event-min\n"
    "      seconds (default 3) are dropped. --period-hours, --night-lmax and\n"
    "      --min-coverage need --periods; the event rule needs --events or\n"
    "      --periods (whose days and nights count events). With --json this is\n"
    "      one more line: files, sampleSeconds (null when the files' steps\n"
    "      differ), fileSampleSeconds, periodHours, threshold, eventGap, eventMin,\n"
    "      and with --periods nightLmax, minCoverage, \"summary\" (weighting, lden,\n"
    "      lday, levening, lnight, daysUsed, daysLeftOut, nightsUsed,\n"
    "      nightsLeftOut), \"days\" (date, weighting, lden, ldn, lday, levening,\n"
    "      lnight, coverage in %, inSummary, hours, events, secondsAbove, periods)\n"
    "      and \"nights\" (from, to, weighting, lnight, coverage, inSummary, lmax,\n"
    "      events, eventsAboveLmax); with --events \"events\".\n"
    "\n"
    "  sonavistor-cli export -o OUT [--format xls|csv|influx] [--meter-id NAME]\n"
    "                        [--publish-interval 1m] [--force] FILE.qrv...\n"
    "      Writes the worksheet (xls, the default) that the data view window\n"
    "      exports for those files opened one after the other: RecNo numbered\n"
    "      from 1 across the files, columns RecNo, MeaValue, Weight, NTime, NDate.\n"
    "      csv writes the same rows as CSV (RFC 4180, a header line, \".\" decimals);\n"
    "      influx writes InfluxDB line protocol: each reading (sound_level, tags\n"
    "      meter and weighting, field level) and each --publish-interval (1m;\n"
    "      sound_interval, fields leq, lmax, lmin, l10, l50, l90, count, coverage),\n"
    "      stamped with the UTC instant of the rows' local date and time; the meter\n"
    "      tag is --meter-id NAME, else the name of each file's folder.\n"
    "      An existing OUT is only replaced with --force. A worksheet holds at most\n"
    "      65,536 rows; a longer xls export writes what fits and fails with a message.\n"
    "\n"
    "  sonavistor-cli report -o REPORT.pdf [--force] [--company NAME]\n"
    "                        [--details FILE.json] [--period-hours D,E,N]\n"
    "                        [--night-lmax DB] [--min-coverage PERCENT]\n"
    "                        [--threshold DB] [--event-gap S] [--event-min S]\n"
    "                        FILE.qrv...\n"
    "      Writes the noise report of the files taken together as one measurement:\n"
    "      first the site, meter and calibration of the details file, the\n"
    "      measurement period, the standards applied, the whole measurement's\n"
    "      figures with the limits compared, and a table of all days and nights\n"
    "      (those below the minimum coverage marked); then for each calendar day\n"
    "      and weighting its figures, a bar chart of the hourly Leq, the\n"
    "      level-time line, the hourly levels and the events (the 50 of highest\n"
    "      SEL where there are more); then each night. The details file is a JSON\n"
    "      object, every key optional: site, address, position (facade, free\n"
    "      field or other), height, meter, serial, calibrator, calibrationBefore,\n"
    "      calibrationAfter, operator, weather, remarks, standards (further ones\n"
    "      applied, such as [\"ISO 1996-2\"]) and limits {lden, lnight, lmax,\n"
    "      source}; an unknown key is bad usage. The header carries the company\n"
    "      name of the program's settings, or NAME. An existing REPORT.pdf is only\n"
    "      replaced with --force.\n"
    "\n"
    "  sonavistor-cli history DIR [--json|--csv] [--from DATE --to DATE]\n"
    "      The day table of every saved file in DIR and its subfolders: date,\n"
    "      rows, coverage, Leq, Lmax, L90 of the day (the file's main weighting),\n"
    "      one line per file and day; --json adds the 24 hourly Leq, Lmax and L90.\n"
    "      The figures are kept in $XDG_CACHE_HOME/sonavistor/history.db, so a\n"
    "      second run reads only new and changed files. Dates are 2026-12-03;\n"
    "      files that cannot be read are named on stderr with their reason.\n"
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
    "  sonavistor-cli log --dir DIR [--interval SECONDS]\n"
    "      Logs one live reading a second into DIR/YYYY-MM-DD.qrv, one saved file\n"
    "      a calendar day, with a journal (DIR/sonavistor-log.journal) from which\n"
    "      the next start completes the day after a crash. Waits for the meter and\n"
    "      goes on after an unplug; pauses while Sonavistor runs. Ends on Ctrl-C\n"
    "      or SIGTERM (systemctl --user stop sonavistor-log).\n"
    "      --mqtt mqtt://[USER@]HOST[:PORT]/PREFIX (or mqtts:// with --mqtt-ca FILE)\n"
    "      publishes PREFIX/ID/status, an interval's figures as JSON on\n"
    "      PREFIX/ID/interval every --publish-interval (default 1m), each reading on\n"
    "      PREFIX/ID/level with --mqtt-live, and Home Assistant discovery. The\n"
    "      password: --mqtt-password-file FILE or SONAVISTOR_MQTT_PASSWORD. Intervals\n"
    "      wait in DIR/sonavistor-log.outbox until the broker has them (at most\n"
    "      --mqtt-outbox MESSAGES). --mqtt-id NAME replaces the meter's serial number.\n"
    "      --influx http://HOST:8086/write?db=NAME (or .../api/v2/write?org=O&bucket=B\n"
    "      with --influx-token-file FILE) writes the same intervals to InfluxDB\n"
    "      (sound_interval, as export --format influx), through its own outbox\n"
    "      DIR/sonavistor-log.influx-outbox; --influx-id NAME sets the meter tag.\n"
    "      --metrics [ADDR:]PORT serves Prometheus metrics (127.0.0.1 by default).\n"
    "      Noise events (PREFIX/ID/event, sonavistor_events_total) follow info's\n"
    "      rule: --threshold DB, --event-gap S, --event-min S; the day's figures\n"
    "      (PREFIX/ID/day) its periods: --period-hours D,E,N.\n"
    "  sonavistor-cli dump -o FILE.json [--force]\n"
    "      Reads the meter's count, date list and every record into a scenario of\n"
    "      the simulated meter (FILE.json and FILE.memory.bin) for --meter\n"
    "      sim:FILE.json and sonavistor-demo --scenario FILE.json.\n"
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
    // The report lays out text, which needs fonts and so a GUI application;
    // it draws into a PDF only, never onto a screen.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
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
        {QStringLiteral("report"), reportCommand},
        {QStringLiteral("days"), daysCommand},
        {QStringLiteral("import"), importCommand},
        {QStringLiteral("live"), liveCommand},
        {QStringLiteral("set-clock"), setClockCommand},
        {QStringLiteral("devices"), devicesCommand},
        {QStringLiteral("log"), logCommand},
        {QStringLiteral("dump"), dumpCommand},
        {QStringLiteral("history"), historyCommand},
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
