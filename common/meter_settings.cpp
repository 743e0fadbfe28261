#include "common/meter_settings.h"

#include "common/whole_file.h"

#include <QFile>

// Text is kept as UTF-8 bytes; no wide-character conversion is needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <cmath>
#include <optional>
#include <string>

namespace sonavistor {

MeterSettingsData MeterSettings;

namespace {

// An integer as the settings file API reads it: decimal with an optional
// sign (or 0x hex), surrounding blanks allowed; anything else is no number.
std::optional<qint64> parseInteger(const char* raw)
{
    if (!raw)
        return std::nullopt;
    const QString text = QString::fromUtf8(raw).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    qint64 value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return value;
}

qint32 readInt(const CSimpleIniA& ini, const char* key, qint32 fallback)
{
    const auto value = parseInteger(ini.GetValue(kSettingsSection, key, nullptr));
    return value ? static_cast<qint32>(*value) : fallback;
}

QString readText(const CSimpleIniA& ini, const char* key, const char* fallback)
{
    return QString::fromUtf8(ini.GetValue(kSettingsSection, key, fallback));
}

// Alarm levels are kept in tenths of a dB; the meter cannot alarm below 30 dB.
double readAlarmLevel(const CSimpleIniA& ini, const char* key)
{
    const double level = readInt(ini, key, 0) / 10.0;
    return level < 30.0 ? 30.0 : level;
}

// Values above 0xFF00 come from an unsigned 16-bit field; the subtraction of
// 65,535 (not 65,536) is what earlier versions wrote, so it stays. Values a
// 16-bit field cannot hold are kept as they are: folding them too would move
// them again at every start (200,000 one run, 134,465 the next).
qint32 foldHighValue(qint32 value)
{
    return value > 65280 && value <= 65535 ? value - 65535 : value;
}

std::string number(qint64 v) { return std::to_string(v); }

}  // namespace

MeterSettingsData readMeterSettings(const QString& iniPath)
{
    CSimpleIniA ini(true, false, false);
    QFile file(iniPath);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size()));
    }

    MeterSettingsData s;
    s.CompanyName = readText(ini, "COMPANY_NAME", "");
    s.SerialPort = readText(ini, "SEARIAL_PORT", "COM1");
    s.MachineMode = static_cast<qint16>(readInt(ini, "MACHINE_MODE", 4) & 0xFFFF);
    if (s.MachineMode > 4)
        s.MachineMode = 0;
    s.MeasureMode = static_cast<qint16>(readInt(ini, "MEASURE_MODE", 0) & 0xFFFF);
    if (s.MeasureMode > 7)
        s.MeasureMode = 7;
    s.HalValue = foldHighValue(readInt(ini, "HAL_VALUE", 365));
    s.LalValue = foldHighValue(readInt(ini, "LAL_VALUE", 300));
    s.Ems = readInt(ini, "EMS", 95);
    s.SamplePeriod = readInt(ini, "SAMPLE_PERIOD", 5);
    if (s.SamplePeriod > 9999)
        s.SamplePeriod = 9999;
    s.UnitCf = readInt(ini, "UNIT_CF", 1) == 1;
    s.SystemLal = readAlarmLevel(ini, "SYSTEMLAL");
    s.SystemHal = readAlarmLevel(ini, "SYSTEMHAL");
    s.AlarmOn = readInt(ini, "ALARMONOFF", 1) == 1;
    return s;
}

bool writeMeterSettings(const QString& iniPath, const MeterSettingsData& s, QString* error)
{
    CSimpleIniA ini(true, false, false);
    ini.SetSpaces(false);
    bool crlf = false;
    QFile existing(iniPath);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = existing.readAll();
        crlf = bytes.contains("\r\n");
        ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size()));
        existing.close();
    }

    const auto put = [&ini](const char* key, const std::string& value) {
        ini.SetValue(kSettingsSection, key, value.c_str());
    };
    // Rounded to the nearest integer, halves to even, as the level was read.
    const auto tenths = [](double level) {
        return static_cast<qint64>(std::nearbyint(level * 10.0));
    };
    put("COMPANY_NAME", s.CompanyName.toStdString());
    put("SEARIAL_PORT", s.SerialPort.toStdString());
    put("MACHINE_MODE", number(s.MachineMode));
    put("MEASURE_MODE", number(s.MeasureMode));
    put("HAL_VALUE", number(s.HalValue));
    put("LAL_VALUE", number(s.LalValue));
    put("SYSTEMLAL", number(tenths(s.SystemLal)));
    put("SYSTEMHAL", number(tenths(s.SystemHal)));
    put("UNIT_CF", s.UnitCf ? "1" : "0");
    put("ALARMONOFF", s.AlarmOn ? "1" : "0");
    put("EMS", number(s.Ems));
    put("SAMPLE_PERIOD", number(s.SamplePeriod));

    std::string text;
    if (ini.Save(text) < 0) {
        if (error)
            *error = QStringLiteral("cannot format the settings");
        return false;
    }
    QByteArray bytes = QByteArray::fromStdString(text);
    if (crlf) {
        bytes.replace("\r\n", "\n");
        bytes.replace("\n", "\r\n");
    }

    try {
        writeWholeFile(iniPath, bytes);
    } catch (const Error& e) {
        if (error)
            *error = e.message();
        return false;
    }
    return true;
}

}  // namespace sonavistor
