#include "bench/support/bench_support.h"

#include "app/application.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace sonavistor::bench_support {

MessageButton QuietMessages::show(const MessageRequest& request)
{
    if (request.icon == MessageIcon::Error)
        std::fprintf(stderr, "error: %s\n", qPrintable(request.text));
    return Yes;
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int runWindowBenchmarks(int argc, char** argv, const std::function<void()>& teardown)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SonavistorApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    if (teardown)
        teardown();
    return 0;
}

}  // namespace sonavistor::bench_support
