#include "logging/day_file.h"

#include "analysis/saved_file.h"
#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sonavistor {

DayFile::DayFile(const QString& folder, const QDate& day) : day_(day), path_(QDir(folder).filePath(fileName(day))) {}

QString DayFile::fileName(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".qrv");
}

QString DayFile::load()
{
    lines_.clear();
    rows_ = savedRows_ = 0;
    dirty_ = false;
    if (!QFileInfo::exists(path_))
        return {};
    QString why;
    try {
        SavedFileReader reader(path_);
        if (reader.isSavedFile()) {
            SavedReading reading;
            while (reader.next(reading)) {
                lines_ += reading.line;
                lines_ += "\r\n";
                ++rows_;
            }
            savedRows_ = rows_;
            return {};
        }
        why = QStringLiteral("it is not a Sonavistor saved file");
    } catch (const Error& e) {
        if (!QFile(path_).open(QIODevice::ReadOnly))
            throw;  // unreadable: nothing is renamed or overwritten
        why = e.message();
    }
    // Kept under another name: the day goes on in a file of its own.
    QString aside = path_ + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path_ + QStringLiteral(".damaged-%1").arg(n);
    if (!QFile::rename(path_, aside))
        throw Error(QStringLiteral("%1 cannot be read as a saved file (%2) and cannot be renamed to %3")
                        .arg(path_, why, aside));
    lines_.clear();
    rows_ = savedRows_ = 0;
    return QStringLiteral("%1 could not be read (%2); it is kept as %3 and the day starts a new file")
        .arg(path_, why, QFileInfo(aside).fileName());
}

void DayFile::append(const QByteArray& line)
{
    lines_ += line;
    lines_ += "\r\n";
    ++rows_;
    dirty_ = true;
}

bool DayFile::save(QString* error)
{
    try {
        writeSavedFileText(path_, rows_, lines_);
    } catch (const Error& e) {
        *error = e.message();
        return false;
    }
    savedRows_ = rows_;
    dirty_ = false;
    return true;
}

}  // namespace sonavistor
