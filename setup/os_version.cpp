#include "setup/os_version.h"

#include <QFile>
#include <QList>

#include <sys/utsname.h>

namespace sonavistor {

namespace {

constexpr int kReleaseTextLimit = 128;

QString unquoted(QByteArray value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    QByteArray plain;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;  // a backslash escapes the character after it
        plain += value[i];
    }
    return QString::fromUtf8(plain);
}

}  // namespace

QString operatingSystemLine(const OsVersion& version)
{
    return QStringLiteral("%1 %2 ( %3 )")
        .arg(version.family)
        .arg(version.major)
        .arg(version.releaseText.left(kReleaseTextLimit));
}

QString prettyNameFromOsRelease(const QByteArray& text)
{
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("PRETTY_NAME="))
            return unquoted(trimmed.mid(12));
    }
    return QString();
}

std::optional<int> kernelMajor(const QString& release)
{
    qsizetype digits = 0;
    while (digits < release.size() && release[digits].isDigit())
        ++digits;
    bool ok = false;
    const int major = release.left(digits).toInt(&ok);
    return ok ? std::optional<int>(major) : std::nullopt;
}

std::optional<OsVersion> readOsVersion()
{
    utsname names{};
    if (uname(&names) != 0)
        return std::nullopt;
    const std::optional<int> major = kernelMajor(QString::fromLatin1(names.release));
    if (!major)
        return std::nullopt;
    QByteArray osRelease;
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            osRelease = file.read(64 * 1024);
            break;
        }
    }
    return OsVersion{QString::fromLatin1(names.sysname), *major, prettyNameFromOsRelease(osRelease)};
}

}  // namespace sonavistor
