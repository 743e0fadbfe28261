#pragma once
// Runs the command-line tool the test program was built against (CLI_PATH)
// and keeps its exit status and what it wrote.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace sonavistor::test {

struct CliRun {
    int status;
    QString out;
    QString err;
};

inline CliRun cli(const QStringList& args)
{
    QProcess p;
    p.start(CLI_PATH, args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace sonavistor::test
