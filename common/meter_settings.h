#pragma once
// The program's options, kept between runs in the settings file
// "Quorvane.INI", section "Calyxor OPTIONS".
// Written by: the settings load at start-up, the setup window, and read by the
// real-time window's alarm and the status bar.

#include <QString>
#include <QtGlobal>

namespace sonavistor {

struct MeterSettingsData {
    QString CompanyName;
    QString SerialPort;
    qint16 MachineMode = 0;
    qint16 MeasureMode = 0;
    qint32 HalValue = 0;
    qint32 LalValue = 0;
    qint32 Ems = 0;
    qint32 SamplePeriod = 0;
    bool UnitCf = false;
    double SystemLal = 0.0;  // dB
    double SystemHal = 0.0;  // dB
    bool AlarmOn = false;
};

extern MeterSettingsData MeterSettings;

inline constexpr char kSettingsFileName[] = "Quorvane.INI";
inline constexpr char kSettingsSection[] = "Calyxor OPTIONS";

// Reads the file with every key's default and rule; a missing or unreadable
// file reads as empty.
MeterSettingsData readMeterSettings(const QString& iniPath);

// Writes the twelve keys into the file, keeping its other sections, keys and
// comments and its line ends. The old file stays whole when writing fails.
// Returns false with *error set (Cannot write file "PATH". REASON) when the
// file cannot be written.
bool writeMeterSettings(const QString& iniPath, const MeterSettingsData& settings,
                        QString* error);

}  // namespace sonavistor
