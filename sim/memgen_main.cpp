// sonavistor-memgen: writes a memory file for the simulated meter.
//   sonavistor-memgen OUT.bin DAY...    DAY: 2024-05-17T08:00:00/30@650
//   (start of the first record, number of records, optional base level in tenths of a dB)
#include "sim/memory_generator.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: sonavistor-memgen OUT.bin DAY...  (DAY: 2024-05-17T08:00:00/30@650)\n");
        return 2;
    }
    std::vector<sonavistor::GeneratedDay> days;
    for (const QString& text : args.mid(1)) {
        sonavistor::GeneratedDay day;
        if (!sonavistor::parseGeneratedDay(text, day)) {
            std::fprintf(stderr, "sonavistor-memgen: not a day: %s\n", qPrintable(text));
            return 2;
        }
        days.push_back(day);
    }
    QFile out(args[0]);
    const QByteArray memory = sonavistor::generateMemory(days);
    if (!out.open(QIODevice::WriteOnly) || out.write(memory) != memory.size()) {
        std::fprintf(stderr, "sonavistor-memgen: cannot write %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}
