#include "common/settings_file.h"

#include "common/whole_file.h"

#include <QFile>

// Text is kept as UTF-8 bytes; no wide-character conversion is needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <string>

namespace sonavistor {

namespace {

// The file's bytes into ini; true when its lines end in CR LF.
bool load(CSimpleIniA& ini, const QString& iniPath)
{
    QFile file(iniPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size()));
    return bytes.contains("\r\n");
}

}  // namespace

QString readSettingsValue(const QString& iniPath, const char* section, const char* key)
{
    CSimpleIniA ini(true, false, false);
    load(ini, iniPath);
    return QString::fromUtf8(ini.GetValue(section, key, ""));
}

void writeSettingsValue(const QString& iniPath, const char* section, const char* key, const QString& value)
{
    // A line break would end the value early and start a line of its own.
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')))
        return;
    CSimpleIniA ini(true, false, false);
    ini.SetSpaces(false);
    const bool crlf = load(ini, iniPath);
    ini.SetValue(section, key, value.toUtf8().constData());
    std::string text;
    if (ini.Save(text) < 0)
        throw Error(writeFailureMessage(iniPath, QStringLiteral("The settings cannot be formatted.")));
    QByteArray bytes = QByteArray::fromStdString(text);
    if (crlf) {
        bytes.replace("\r\n", "\n");
        bytes.replace("\n", "\r\n");
    }
    writeWholeFile(iniPath, bytes);
}

}  // namespace sonavistor
