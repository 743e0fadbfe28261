#include "sim/scenario.h"

#include "common/error.h"
#include "common/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace sonavistor {

namespace {

[[noreturn]] void bad(const QString& name, const QString& key, const QString& why)
{
    throw Error(QStringLiteral("%1: \"%2\" %3").arg(name, key, why));
}

int integer(const QJsonValue& value, const QString& name, const QString& key, int low, int high)
{
    const double d = value.toDouble(-1e300);
    // The range first: converting a double beyond long long is undefined.
    if (!value.isDouble() || d < low || d > high || d != std::trunc(d))
        bad(name, key, QStringLiteral("must be a whole number from %1 to %2").arg(low).arg(high));
    return static_cast<int>(d);
}

}  // namespace

MeterScenario parseScenario(const QByteArray& json, const QString& baseFolder, const QString& name)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw Error(QStringLiteral("%1: not JSON (%2 at offset %3)").arg(name, error.errorString()).arg(error.offset));
    if (!doc.isObject())
        throw Error(QStringLiteral("%1: not a JSON object").arg(name));
    const QJsonObject o = doc.object();
    MeterScenario s;
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (key == QLatin1String("memory")) {
            if (!v.isString())
                bad(name, key, QStringLiteral("must be a file name"));
            const QString path = QDir(baseFolder).filePath(v.toString());
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                bad(name, key, QStringLiteral("names a file that cannot be read: %1").arg(path));
            // At most one byte more than the meter's memory is read: a larger
            // file, or a device that never ends, is refused, not swallowed.
            s.memory = file.read(kMaxScenarioMemory + 1);
            if (s.memory.size() > kMaxScenarioMemory)
                bad(name, key, QStringLiteral("names a file larger than the meter's memory (%1 bytes): %2")
                                   .arg(kMaxScenarioMemory).arg(path));
            if (s.memory.size() % 128 != 0)
                bad(name, key, QStringLiteral("names a file that is not whole 128-byte records: %1").arg(path));
        } else if (key == QLatin1String("live")) {
            if (!v.isArray() || v.toArray().isEmpty())
                bad(name, key, QStringLiteral("must be a list of [level, status] pairs"));
            s.live.clear();
            for (const QJsonValue& pair : v.toArray()) {
                const QJsonArray a = pair.toArray();
                if (!pair.isArray() || a.size() != 2)
                    bad(name, key, QStringLiteral("must be a list of [level, status] pairs"));
                s.live.emplace_back(integer(a[0], name, key, 0, 65535), integer(a[1], name, key, 0, 255));
            }
        } else if (key == QLatin1String("reportDelayMs")) {
            s.reportDelayMs = integer(v, name, key, 0, 10000);
        } else if (key == QLatin1String("countMark")) {
            s.countMark = integer(v, name, key, 0, 255);
        } else if (key == QLatin1String("endMarker")) {
            if (!v.isBool())
                bad(name, key, QStringLiteral("must be true or false"));
            s.endMarker = v.toBool();
        } else if (key == QLatin1String("unplugAfterReports")) {
            s.unplugAfterReports = integer(v, name, key, -1, 1 << 30);
        } else if (key == QLatin1String("silentAfterReports")) {
            s.silentAfterReports = integer(v, name, key, -1, 1 << 30);
        } else if (key == QLatin1String("vendorId")) {
            s.vendorId = integer(v, name, key, 0, 65535);
        } else if (key == QLatin1String("productId")) {
            s.productId = integer(v, name, key, 0, 65535);
        } else if (key == QLatin1String("serial")) {
            if (!v.isString())
                bad(name, key, QStringLiteral("must be text"));
            s.serial = v.toString();
        } else {
            bad(name, key, QStringLiteral("is not a scenario key"));
        }
    }
    return s;
}

MeterScenario loadScenario(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
    return parseScenario(file.readAll(), QFileInfo(path).absolutePath(), path);
}

void writeScenarioFiles(const QString& jsonPath, const QString& memoryPath, const QByteArray& memory)
{
    const QByteArray json =
        QJsonDocument(QJsonObject{{"memory", QFileInfo(memoryPath).fileName()}}).toJson(QJsonDocument::Indented);
    WholeFile memoryFile(memoryPath);
    WholeFile jsonFile(jsonPath);
    memoryFile.writeAll(memory);
    jsonFile.writeAll(json);
    commitTogether({&memoryFile, &jsonFile});
}

}  // namespace sonavistor
