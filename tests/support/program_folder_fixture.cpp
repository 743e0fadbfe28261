#include "tests/support/program_folder_fixture.h"

#include "store/measurement_db.h"

#include <QFile>

namespace sonavistor::test {

ProgramFolder::ProgramFolder(bool withReportProject, bool withDatabase)
{
    if (withReportProject)
        copyResource(QStringLiteral("quorvane_en.rav"));
    if (withDatabase)
        MeasurementDatabase::createFromSchema(file(QString::fromLatin1(MeasurementDatabase::FileName)));
}

QString ProgramFolder::file(const QString& name) const
{
    return dir_.filePath(name);
}

void ProgramFolder::write(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramFolder::read(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool ProgramFolder::exists(const QString& name) const
{
    return QFile::exists(file(name));
}

void ProgramFolder::copyResource(const QString& name) const
{
    QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/") + name, file(name));
}

}  // namespace sonavistor::test
