#pragma once
// The samples of saved files, for the acoustic and noise figures.

#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"

#include <QStringList>

#include <vector>

namespace sonavistor {

// A reading's level, weighting and time (kUntimed when its date or time does not read).
AcousticSample savedSample(const SavedReading& reading);

// The samples of the files, one after the other: logged days that follow
// each other are one measurement. Throws Error naming the file that cannot
// be read or is no saved file.
std::vector<AcousticSample> readSavedSamples(const QStringList& paths);
// The same, with how many samples each file gave (for each file's own time step).
std::vector<AcousticSample> readSavedSamples(const QStringList& paths, std::vector<size_t>& fileSizes);

// "PATH, line 1: not a Sonavistor saved file"
QString notSavedFileMessage(const QString& path);

}  // namespace sonavistor
