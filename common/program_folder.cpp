#include "common/program_folder.h"

#include "common/meter_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace sonavistor {

namespace {

// <prefix>/share/sonavistor seen from <prefix>/bin, fixed when the build is
// configured (GNUInstallDirs).
constexpr char kInstalledDataFolder[] = SONAVISTOR_INSTALLED_DATA;

// Makes folder (and its parents) and checks that a file can be made in it.
std::optional<QString> usableFolder(const QString& folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    if (!QDir().mkpath(folder))
        return QStringLiteral("The folder %1 cannot be created.").arg(shown);
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".probe-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("The folder %1 cannot be written: %2.").arg(shown, probe.errorString());
    return std::nullopt;
}

}  // namespace

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString sideFilePath(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

ProgramFiles locateProgramFiles(const QString& programFolder, const QString& name)
{
    const QString installedData = QDir::cleanPath(QDir(programFolder).filePath(QString::fromLatin1(kInstalledDataFolder)));
    const bool installed = QFileInfo(installedData).isDir();
    // Root may write /usr/bin: an installed program is recognised by its data
    // folder first, and only a folder without one by whether it can be written.
    if (!installed && QFileInfo(programFolder).isWritable())
        return {programFolder, programFolder, programFolder, false};

    const auto userFolder = [&name](QStandardPaths::StandardLocation base) {
        return QDir(QStandardPaths::writableLocation(base)).filePath(name);
    };
    return {installed ? installedData : programFolder, userFolder(QStandardPaths::GenericConfigLocation),
            userFolder(QStandardPaths::GenericDataLocation), true};
}

std::optional<QString> prepareUserFolders(const ProgramFiles& files)
{
    if (!files.userFolders)
        return std::nullopt;
    if (const auto problem = usableFolder(files.settingsFolder))
        return problem;
    const QString settings = QDir(files.settingsFolder).filePath(QString::fromLatin1(kSettingsFileName));
    const QString defaults = sideFilePath(files.defaultsFolder, QString::fromLatin1(kSettingsFileName));
    if (!QFileInfo::exists(settings) && QFileInfo::exists(defaults)) {
        QFile copy(defaults);
        if (!copy.copy(settings))
            return QStringLiteral("The settings file %1 cannot be created: %2.")
                .arg(QDir::toNativeSeparators(settings), copy.errorString());
        // The copy takes the installed file's read-only permissions.
        QFile::setPermissions(settings, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    return usableFolder(files.workingFolder);
}

}  // namespace sonavistor
