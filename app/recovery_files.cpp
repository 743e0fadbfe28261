#include "app/recovery_files.h"

#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/whole_file.h"
#include "store/measurement_db.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

namespace sonavistor {

namespace {

constexpr char kSubfolder[] = "recovered";
constexpr char kNoteFile[] = "recovered/NOTICE.txt";

QString keepTable(const MeasurementDatabase& db, TableId table, const QString& folder, const QString& kind)
{
    const QString path = QDir(folder).filePath(QStringLiteral("%1/%2-%3.qrv")
                                                   .arg(QLatin1String(kSubfolder), kind,
                                                        QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss")));
    try {
        writeSavedFile(path, db.rows(table));
    } catch (const Error&) {
        return QString();  // the program is ending: there is nobody left to tell
    }
    return path;
}

}  // namespace

QStringList keepUnsavedRows(const MeasurementDatabase& db, const UnsavedRows& unsaved, const QString& folder)
{
    QStringList kept;
    const bool live = unsaved.live && !db.isEmpty(TableMeaData);
    const bool imported = unsaved.imported && !db.isEmpty(TableGetRecorde);
    if (folder.isEmpty() || (!live && !imported) || !QDir().mkpath(QDir(folder).filePath(QLatin1String(kSubfolder))))
        return kept;
    if (live)
        kept << keepTable(db, TableMeaData, folder, QStringLiteral("live"));
    if (imported)
        kept << keepTable(db, TableGetRecorde, folder, QStringLiteral("import"));
    kept.removeAll(QString());
    if (!kept.isEmpty()) {
        // The note lists the files of earlier ends not yet told too.
        const QString notePath = QDir(folder).filePath(QLatin1String(kNoteFile));
        QByteArray text;
        QFile earlier(notePath);
        if (earlier.open(QIODevice::ReadOnly))
            text = earlier.readAll();
        text += (kept.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
        try {
            writeWholeFile(notePath, text);
        } catch (const Error&) {
            // The files are kept all the same; only the note at the next start is missing.
        }
    }
    return kept;
}

QString takeRecoveryNotice(const QString& folder)
{
    if (folder.isEmpty())
        return QString();
    QFile note(QDir(folder).filePath(QLatin1String(kNoteFile)));
    if (!note.open(QIODevice::ReadOnly))
        return QString();
    const QString files = QString::fromUtf8(note.readAll()).trimmed();
    note.close();
    note.remove();
    if (files.isEmpty())
        return QString();
    return QStringLiteral("Sonavistor was ended from outside before these readings were saved. They were kept in:\n%1")
        .arg(files);
}

}  // namespace sonavistor
