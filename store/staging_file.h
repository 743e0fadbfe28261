#pragma once
// The staging file "AsciiDBF.TXT": the rows of an import or of an opened
// saved file, comma separated, one per line, for the one-statement bulk load.

#include "store/reading_row.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace sonavistor {

class StagingFile {
public:
    static constexpr const char* FileName = "AsciiDBF.TXT";
    static constexpr const char* Header = "NDate,NTime,MeaValue,Weight,RecNo";

    explicit StagingFile(const QString& folder);
    ~StagingFile();

    // Creates or truncates the file and writes the header line. Throws Error
    // with the file system's message.
    void open();
    bool isOpen() const { return file_.isOpen(); }
    // An imported row: date, time, level text, weighting, RecNo in fixed columns.
    void writeImportRow(const ReadingRow& row);
    // A reading line of a saved file (without its line end) under a new RecNo.
    void writeSavedLine(QByteArrayView savedLine, qint32 recNo);
    // Writes out what is buffered and closes. Throws Error when writing failed.
    void close();
    // Closes without reporting (an attempt that failed anyway).
    void abandon();
    QString path() const { return file_.fileName(); }
    // Where the staging file of folder is.
    static QString pathIn(const QString& folder);

    // The line layouts, for tests and for callers that build lines themselves.
    static QByteArray importLine(const ReadingRow& row);
    static QByteArray savedLine(QByteArrayView savedLine, qint32 recNo);

private:
    void flush();

    QFile file_;
    QByteArray buffer_;
};

}  // namespace sonavistor
