#include "analysis/saved_samples.h"

#include "common/error.h"

#include <algorithm>

namespace sonavistor {

AcousticSample savedSample(const SavedReading& reading)
{
    // Every reading line has its date at 1-10 and its time at 12-19.
    const QByteArrayView line(reading.line);
    const auto seconds = line.size() >= 19 ? rowSeconds(line.first(10), line.sliced(11, 8)) : std::nullopt;
    return {reading.level, reading.weighting, seconds.value_or(kUntimed)};
}

QString notSavedFileMessage(const QString& path)
{
    return QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(path);
}

std::vector<AcousticSample> readSavedSamples(const QStringList& paths)
{
    std::vector<size_t> fileSizes;
    return readSavedSamples(paths, fileSizes);
}

std::vector<AcousticSample> readSavedSamples(const QStringList& paths, std::vector<size_t>& fileSizes)
{
    fileSizes.clear();
    // One allocation for all files: a month of logged days is 2.6 million samples.
    qint64 announced = 0;
    for (const QString& path : paths) {
        SavedFileReader reader(path);
        announced += std::max<qint64>(0, std::min<qint64>(reader.announced(), 10'000'000));
    }
    std::vector<AcousticSample> samples;
    samples.reserve(static_cast<size_t>(announced));
    for (const QString& path : paths) {
        SavedFileReader reader(path);
        if (!reader.isSavedFile())
            throw Error(notSavedFileMessage(path));
        SavedReading reading;
        const size_t before = samples.size();
        while (reader.next(reading))
            samples.push_back(savedSample(reading));
        fileSizes.push_back(samples.size() - before);
    }
    return samples;
}

}  // namespace sonavistor
