#include "monitor/live_events.h"

#include "analysis/acoustic_figures.h"
#include "analysis/noise_events.h"
#include "monitor/interval_summary.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace sonavistor {

LiveEventDetector::LiveEventDetector(double sampleSeconds, NoiseOptions options)
    : sampleSeconds_(sampleSeconds), options_(options)
{
}

bool LiveEventDetector::gapPassed(const Open& open, qint64 seconds) const
{
    // Below since the end of the last sample at or above the threshold.
    const double below = static_cast<double>(seconds - open.samples[open.lastAbove].seconds) - sampleSeconds_;
    return below >= options_.gapSeconds;
}

// The samples up to the last one above are the event, whole: the day file's
// rule applied to them finds that one event (or none when it is too short).
std::vector<NoiseEvent> LiveEventDetector::close(Open& open)
{
    open.samples.resize(open.lastAbove + 1);
    std::vector<NoiseEvent> events = findNoiseEvents(open.samples, sampleSeconds_, options_);
    open.samples.clear();
    return events;
}

std::vector<NoiseEvent> LiveEventDetector::add(qint64 seconds, double level, char weighting)
{
    std::vector<NoiseEvent> ended;
    const bool above = level >= options_.threshold;
    auto it = open_.find(weighting);
    if (it != open_.end() && gapPassed(it->second, seconds)) {
        ended = close(it->second);
        open_.erase(it);
        it = open_.end();
    }
    if (it != open_.end()) {
        it->second.samples.push_back({level, weighting, seconds});
        if (above)
            it->second.lastAbove = it->second.samples.size() - 1;
    } else if (above) {
        open_[weighting].samples.push_back({level, weighting, seconds});
    }
    return ended;
}

std::vector<NoiseEvent> LiveEventDetector::closeUpTo(qint64 seconds)
{
    std::vector<NoiseEvent> ended;
    for (auto it = open_.begin(); it != open_.end();) {
        if (gapPassed(it->second, seconds)) {
            for (const NoiseEvent& e : close(it->second))
                ended.push_back(e);
            it = open_.erase(it);
        } else {
            ++it;
        }
    }
    return ended;
}

bool LiveEventDetector::running() const
{
    for (const auto& [weighting, open] : open_) {
        const double duration =
            static_cast<double>(open.samples[open.lastAbove].seconds - open.samples.front().seconds) + sampleSeconds_;
        if (duration >= options_.minSeconds)
            return true;
    }
    return false;
}

QByteArray noiseEventJson(const NoiseEvent& e)
{
    const QJsonObject o{
        {"start", isoWithOffset(e.start)},
        {"end", isoWithOffset(e.end)},
        {"duration", e.duration},
        {"lmax", roundedLevel(e.lmax)},
        {"lmaxAt", isoWithOffset(e.lmaxAt)},
        {"leq", roundedLevel(e.leq)},
        {"sel", roundedLevel(e.sel)},
        {"weighting", QString(QLatin1Char(e.weighting))},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

}  // namespace sonavistor
