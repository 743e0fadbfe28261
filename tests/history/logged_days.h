#pragma once
// Logged days as the logger writes them: one saved file a day, one reading a
// second, the level of each second given by the caller in tenths of a dB.

#include "analysis/saved_file.h"

#include <QDate>
#include <QFile>
#include <QString>

#include <functional>

namespace sonavistor::test {

// Writes the file with a reading for every second from `from` to `to`
// (seconds of the day, `to` excluded; a negative level leaves that second
// out) and returns its path, empty when it cannot be written.
inline QString writeLoggedDay(const QString& path, const QDate& date, const std::function<int(int second)>& tenths,
                              int from = 0, int to = 86400, char weighting = 'A')
{
    QByteArray text;
    text.reserve((to - from) * 30 + 64);
    int count = 0;
    const QString day = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
    ReadingRow row{day, {}, {}, QString(QLatin1Char(weighting)), 0};
    for (int s = from; s < to; ++s) {
        row.NTime = QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60).arg(s % 60);
        const int t = tenths(s);
        if (t < 0)
            continue;
        ++count;
        row.MeaValue = QStringLiteral("%1.%2").arg(t / 10).arg(t % 10);
        text += savedReadingLine(row) + "\r\n";
    }
    text.prepend("@Sonavistor File\r\nTotal:" + QByteArray::number(count) + "\r\n");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        return QString();
    return path;
}

}  // namespace sonavistor::test
