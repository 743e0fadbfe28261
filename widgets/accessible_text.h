#pragma once
// What a screen reader says about the live display: the level, the range,
// the indicators, the chart's summary, and which changes deserve an
// announcement. Plain functions, so every text is checked without a window.

#include <QString>
#include <QStringList>

#include <optional>

namespace sonavistor {

// The indicators lit on the display panel.
struct LitFlags {
    bool under = false;
    bool over = false;
    bool fast = false;
    bool slow = false;
    bool max = false;
    bool min = false;
};

// "62.8 dB, A weighting, FAST", followed by MAX, MIN, OVER or UNDER when lit.
QString levelSpeech(const QString& levelText, const QString& weighting, const LitFlags& flags);
// "Range 30 to 80 dB".
QString rangeSpeech(int low, int high);
// "OVER: on" / "OVER: off".
QString flagSpeech(const QString& flag, bool lit);
// What Ctrl+L says: the level and the running figures (none before the first reading).
QString levelSummary(const QString& levelText, std::optional<double> max, std::optional<double> min,
                     std::optional<double> average);
// A chart's description: the figures shown under it, spaces collapsed, and
// the latest value when there is one.
QString chartDescription(const QStringList& figureLines, std::optional<double> latest);

// The conditions worth telling a listener about the moment they change,
// never while they stay the same: one reading a second is not announced.
struct AlertState {
    bool highAlarm = false;
    bool lowAlarm = false;
    bool over = false;
    bool under = false;
};

class AlertAnnouncer {
public:
    // The announcements for this reading's state: empty when nothing changed.
    QStringList update(const AlertState& now);
    // Measuring starts afresh: the first reading is compared with all-clear.
    void reset() { last_ = {}; }

private:
    AlertState last_;
};

}  // namespace sonavistor
