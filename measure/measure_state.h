#pragma once
// State of the real-time window that lives beside the window, because the
// main window and the meter protocol read parts of it.
// Written by: the real-time window; the settings load sets LiveDataSaved.

#include <QtGlobal>

namespace sonavistor {

struct MeasureStateData {
    qint32 ReadingCount = 0;   // readings since open or Clear; RecNo of the newest row
    double MaxLevel = 0.0;     // dB
    double MinLevel = 0.0;     // dB
    double LevelSum = 0.0;     // dB
    bool LiveDataSaved = false;     // MeaData has no unsaved additions
    bool MeasureWindowOpen = false; // the real-time window exists and is not closing
};

extern MeasureStateData MeasureState;

}  // namespace sonavistor
