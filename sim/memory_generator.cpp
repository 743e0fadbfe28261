#include "sim/memory_generator.h"

#include <QRegularExpression>

#include <cmath>

namespace sonavistor {

namespace {

char bcd(int value)
{
    return static_cast<char>(((value / 10) % 10) << 4 | (value % 10));
}

}  // namespace

QByteArray makeRecord(const QDateTime& stamp, const std::vector<int>& levels, int status)
{
    QByteArray record(128, '\0');
    record[1] = static_cast<char>(status);
    record[2] = bcd(stamp.date().year() % 100);
    record[3] = bcd(stamp.date().month());
    record[4] = bcd(stamp.date().day());
    record[5] = bcd(stamp.time().hour());
    record[6] = bcd(stamp.time().minute());
    record[7] = bcd(stamp.time().second());
    for (size_t k = 0; k < 60 && k < levels.size(); ++k) {
        record[static_cast<qsizetype>(8 + 2 * k)] = static_cast<char>(levels[k] & 0xFF);
        record[static_cast<qsizetype>(9 + 2 * k)] = static_cast<char>((levels[k] >> 8) & 0xFF);
    }
    return record;
}

QByteArray generateMemory(const std::vector<GeneratedDay>& days)
{
    QByteArray memory;
    int n = 0;
    for (const GeneratedDay& day : days) {
        for (int r = 0; r < day.records; ++r, ++n) {
            std::vector<int> levels(60);
            for (int k = 0; k < 60; ++k) {
                // A slow swell with some quicker texture, the same on every run.
                const double t = (r * 60 + k) * 0.05;
                levels[static_cast<size_t>(k)] =
                    std::max(0, day.baseLevel + static_cast<int>(day.swing * (0.7 * std::sin(t) + 0.3 * std::sin(t * 7.3 + n))));
            }
            memory += makeRecord(day.start.addSecs(120LL * r), levels, day.status);
        }
    }
    return memory;
}

bool parseGeneratedDay(const QString& text, GeneratedDay& day)
{
    static const QRegularExpression form(QStringLiteral(R"(^(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)/(\d+)(?:@(\d+))?$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    day.start = QDateTime::fromString(m.captured(1), Qt::ISODate);
    day.records = m.captured(2).toInt();
    if (!m.captured(3).isEmpty())
        day.baseLevel = m.captured(3).toInt();
    return day.start.isValid() && day.records > 0;
}

}  // namespace sonavistor
