#include "widgets/accessible_text.h"

#include "common/number_text.h"

namespace sonavistor {

QString levelSpeech(const QString& levelText, const QString& weighting, const LitFlags& flags)
{
    QStringList parts{levelText + QStringLiteral(" dB"), weighting + QStringLiteral(" weighting")};
    if (flags.fast)
        parts << QStringLiteral("FAST");
    if (flags.slow)
        parts << QStringLiteral("SLOW");
    if (flags.max)
        parts << QStringLiteral("MAX");
    if (flags.min)
        parts << QStringLiteral("MIN");
    if (flags.over)
        parts << QStringLiteral("OVER");
    if (flags.under)
        parts << QStringLiteral("UNDER");
    return parts.join(QStringLiteral(", "));
}

QString rangeSpeech(int low, int high)
{
    return QStringLiteral("Range %1 to %2 dB").arg(low).arg(high);
}

QString flagSpeech(const QString& flag, bool lit)
{
    return flag + (lit ? QStringLiteral(": on") : QStringLiteral(": off"));
}

QString levelSummary(const QString& levelText, std::optional<double> max, std::optional<double> min,
                     std::optional<double> average)
{
    QString text = QStringLiteral("Level ") + levelText + QStringLiteral(" dB");
    const auto figure = [&text](const char* name, std::optional<double> value) {
        if (value)
            text += QStringLiteral(", %1 %2 dB").arg(QLatin1String(name), oneDecimal(*value));
    };
    figure("maximum", max);
    figure("minimum", min);
    figure("average", average);
    return text;
}

QString chartDescription(const QStringList& figureLines, std::optional<double> latest)
{
    QStringList parts;
    for (const QString& line : figureLines) {
        const QString plain = line.simplified();
        if (!plain.isEmpty())
            parts << plain;
    }
    if (latest)
        parts << QStringLiteral("Latest value %1 dB").arg(oneDecimal(*latest));
    if (parts.isEmpty())
        return QStringLiteral("No readings");
    return parts.join(QStringLiteral(". "));
}

QStringList AlertAnnouncer::update(const AlertState& now)
{
    // A condition that starts is news; one that ends is news only when
    // nothing of its kind replaces it (straight from over to under says
    // "Under range" alone).
    QStringList said;
    const auto news = [&said](bool wasA, bool isA, bool wasB, bool isB, const char* a, const char* b,
                              const char* ended) {
        if (isA && !wasA)
            said << QString::fromLatin1(a);
        else if (isB && !wasB)
            said << QString::fromLatin1(b);
        else if ((wasA || wasB) && !isA && !isB)
            said << QString::fromLatin1(ended);
    };
    news(last_.highAlarm, now.highAlarm, last_.lowAlarm, now.lowAlarm, "High level alarm", "Low level alarm",
         "Alarm ended");
    news(last_.over, now.over, last_.under, now.under, "Over range", "Under range", "Back within range");
    last_ = now;
    return said;
}

}  // namespace sonavistor
