#include "common/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sonavistor {

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

}  // namespace sonavistor
