#pragma once
// The saved measurement file (.qrv): the magic line, "Total:" with the number
// of readings, then one reading line per reading (store/reading_line.h: the
// weighting letter is the line's last character); 8-bit text, CR LF.

#include "common/progress.h"
#include "store/reading_row.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace sonavistor {

inline constexpr char kSavedFileMagic[] = "@Sonavistor File";

// One reading line without its line end. Fields are filled, never cut.
QByteArray savedReadingLine(const ReadingRow& row);

// The path a save dialog's answer stands for: ".qrv" is appended when the
// path holds no "." anywhere.
QString withSavedFileExtension(const QString& chosen);

// Writes rows as a saved file. The file is written beside the old one and
// replaces it only when complete, so a failed write never destroys what the
// user had. progress (optional) is set to each row's 1-based number after it.
// Throws Error with the file system's message.
void writeSavedFile(const QString& path, const std::vector<ReadingRow>& rows, Progress* progress = nullptr);

// Writes a saved file whose reading lines are ready: readingLines holds
// `rows` lines, each with its CR LF. Replaces the file only when complete, as
// writeSavedFile does. Throws Error with the file system's message.
void writeSavedFileText(const QString& path, qint64 rows, const QByteArray& readingLines);

// A reading as the reader interprets its line.
struct SavedReading {
    QByteArray line;      // the whole line, without its line end
    double level = 0;
    char weighting = 0;   // the line's last character

    // Characters 1-20: the date and time fields with their commas.
    QByteArray dateTime() const { return line.left(20); }
    // Characters 21-26 as they stand.
    QByteArray levelField() const { return line.mid(20, 6); }
};

// The same without a copy of the line: the view is valid until the reader
// reads on. For reading whole files fast (a logged day is 86,400 lines).
struct SavedReadingView {
    QByteArrayView line;
    double level = 0;
    char weighting = 0;
};

// Reads a saved file line by line.
class SavedFileReader {
public:
    // Opens the file and reads its first two lines. Throws Error when the
    // file cannot be opened or its Total line is not a number; a first line
    // other than the magic line is not an error: isSavedFile() says so.
    explicit SavedFileReader(const QString& path);
    ~SavedFileReader();

    bool isSavedFile() const { return isSavedFile_; }
    qint64 announced() const { return announced_; }  // the Total line's number
    // The next reading; false at the end of the file. Throws Error quoting
    // the text that does not parse, with the file and line number.
    bool next(SavedReading& reading);
    bool next(SavedReadingView& reading);
    int lineNumber() const { return lineNumber_; }
    const QString& path() const { return path_; }

private:
    // The next line without its line end, valid until the next call.
    // tooLong (optional) is set for a line too long for a saved file instead
    // of failing the read.
    bool readLine(QByteArrayView& line, bool* tooLong = nullptr);
    // Moves the unread tail to the front of the buffer and reads behind it;
    // false at the end of the file.
    bool refill();
    [[noreturn]] void fail(const QString& what) const;

    QString path_;
    QFile file_;
    std::unique_ptr<char[]> buffer_;
    qsizetype begin_ = 0;     // the unread bytes are buffer_[begin_, end_)
    qsizetype end_ = 0;
    qsizetype searched_ = 0;  // no line end in buffer_[begin_, searched_)
    bool atEnd_ = false;
    bool isSavedFile_ = false;
    qint64 announced_ = 0;
    int lineNumber_ = 0;
};

// Interprets one reading line (the rules of the reader). Throws Error with
// the offending text (without file and line).
SavedReading parseSavedReading(const QByteArray& line);

}  // namespace sonavistor
