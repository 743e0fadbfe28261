#pragma once
// The operating-system line of the About window: the platform family, its
// major version and the release text in parentheses, as in
// "Linux 6 ( Debian GNU/Linux 12 (bookworm) )" or "Windows NT 6 (  )".

#include <QByteArray>
#include <QString>

#include <optional>

namespace sonavistor {

struct OsVersion {
    QString family;       // "Linux", "Windows NT", "Windows 95/98"
    int major = 0;
    QString releaseText;  // the distribution's name, or the service pack; at most 128 characters
};

QString operatingSystemLine(const OsVersion& version);

// The running system: the kernel's major version and the distribution's
// PRETTY_NAME from os-release. None when the kernel version cannot be read.
std::optional<OsVersion> readOsVersion();

// The PRETTY_NAME of an os-release file (quotes and escapes removed), empty without one.
QString prettyNameFromOsRelease(const QByteArray& text);

// The leading number of a kernel release such as "6.1.0-18-amd64"; none if it has none.
std::optional<int> kernelMajor(const QString& release);

}  // namespace sonavistor
