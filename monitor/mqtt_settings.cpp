#include "monitor/mqtt_settings.h"

#include "common/error.h"

#include <QFile>
#include <QUrl>

namespace sonavistor {

MqttSettings parseMqttUrl(const QString& text)
{
    const auto bad = [&text](const QString& why) {
        return Error(QStringLiteral("--mqtt takes mqtt://[USER@]HOST[:PORT]/PREFIX or mqtts://...; '%1' %2").arg(text, why));
    };
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        throw bad(QStringLiteral("is not a URL"));
    MqttSettings s;
    if (url.scheme() == QLatin1String("mqtts"))
        s.tls = true;
    else if (url.scheme() != QLatin1String("mqtt"))
        throw bad(QStringLiteral("names no mqtt:// or mqtts:// scheme"));
    if (!url.password().isEmpty())
        throw bad(QStringLiteral("holds a password: give it with --mqtt-password-file or %1").arg(QLatin1String(kMqttPasswordVariable)));
    s.host = url.host();
    if (s.host.isEmpty())
        throw bad(QStringLiteral("names no host"));
    s.port = url.port(s.tls ? 8883 : 1883);
    s.user = url.userName();
    s.prefix = url.path();
    while (s.prefix.startsWith(QLatin1Char('/')))
        s.prefix.remove(0, 1);
    while (s.prefix.endsWith(QLatin1Char('/')))
        s.prefix.chop(1);
    if (s.prefix.isEmpty())
        throw bad(QStringLiteral("names no topic prefix (mqtt://HOST/PREFIX)"));
    if (s.prefix.contains(QLatin1Char('+')) || s.prefix.contains(QLatin1Char('#')) || url.hasQuery() || url.hasFragment())
        throw bad(QStringLiteral("has a prefix with + or # or a ? or # part"));
    return s;
}

QString readPasswordFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read the password file \"%1\". %2").arg(path, file.errorString()));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

}  // namespace sonavistor
