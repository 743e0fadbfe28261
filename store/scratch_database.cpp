#include "store/scratch_database.h"

#include "common/error.h"

namespace sonavistor {

ScratchDatabase::ScratchDatabase()
{
    if (!dir_.isValid())
        throw Error(QStringLiteral("cannot make a scratch folder: %1").arg(dir_.errorString()));
    const QString path = dir_.filePath(QString::fromLatin1(MeasurementDatabase::FileName));
    MeasurementDatabase::createFromSchema(path);
    if (!db_.openFile(path))
        throw Error(QStringLiteral("cannot open the scratch database %1").arg(path));
}

}  // namespace sonavistor
