#pragma once
// sonavistor-cli: one subcommand per file, each a function over its arguments
// that writes to stdout/stderr and returns the exit status
// (0 done, 1 failed, 2 bad usage).

#include <QStringList>
#include <QTextStream>

namespace sonavistor::cli {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

struct Output {
    QTextStream& out;
    QTextStream& err;
};

// Takes "NAME VALUE" out of args and returns VALUE; empty where NAME is
// absent or has no value after it.
inline QString takeOption(QStringList& args, const QString& name)
{
    const qsizetype at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size())
        return QString();
    QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

int infoCommand(const QStringList& args, Output io);
int exportCommand(const QStringList& args, Output io);
int daysCommand(const QStringList& args, Output io);
int importCommand(const QStringList& args, Output io);
int liveCommand(const QStringList& args, Output io);
int setClockCommand(const QStringList& args, Output io);
int devicesCommand(const QStringList& args, Output io);
int logCommand(const QStringList& args, Output io);
int dumpCommand(const QStringList& args, Output io);
int reportCommand(const QStringList& args, Output io);
int historyCommand(const QStringList& args, Output io);

}  // namespace sonavistor::cli
