#pragma once
// Every file the program keeps is written through WholeFile: the bytes go to
// a temporary file beside the target, every write, flush and close is
// checked, the data is synced, and only then is the temporary renamed over
// the target. Until commit() succeeds the target keeps its old bytes (or
// stays absent); a failure removes the temporary and throws an Error that
// names the file and the system's reason ("No space left on device").
//
// It is a QIODevice, so QPdfWriter, QTextStream and the spreadsheet writer
// can write into it directly; write() and writeAll() throw instead of
// returning short counts.

#include "common/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <initializer_list>

namespace sonavistor {

class WholeFile : public QIODevice {
public:
    // Creates the temporary beside `target` (throws Error when it cannot).
    explicit WholeFile(const QString& target);
    // Removes the temporary unless commit() succeeded.
    ~WholeFile() override;

    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    const QString& target() const { return target_; }
    const QString& temporaryPath() const { return temporary_; }

    // Writes all of `bytes` (a short write continues where it stopped);
    // throws Error on failure. After a failure every later call throws too.
    void writeAll(const char* data, qint64 size);
    void writeAll(QByteArrayView bytes) { writeAll(bytes.data(), bytes.size()); }

    // Syncs and closes the temporary; throws Error (and removes the
    // temporary) when either fails. Files that replace their targets
    // together finish all of them before the first is committed.
    void finish();
    // Finishes (unless done) and renames the temporary over the target;
    // throws Error (and removes the temporary) when any step fails.
    void commit();

    // The first failure met through the QIODevice interface (a QPdfWriter
    // write), empty while all went well. commit() throws it.
    const QString& failure() const { return failure_; }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    void fail(const QString& reason);
    void discard();

    QString target_;
    QString temporary_;
    int fd_ = -1;
    bool finished_ = false;
    bool committed_ = false;
    QString failure_;
};

// Commits files that belong together (a scenario and its memory): all are
// finished first; when a rename fails, the files renamed before it get their
// old bytes back (or are removed when there were none), and the Error of the
// failure is thrown.
void commitTogether(std::initializer_list<WholeFile*> files);

// Writes `bytes` as the whole of `target`.
void writeWholeFile(const QString& target, QByteArrayView bytes);

// The message of a failed write: Cannot write file "PATH". REASON
QString writeFailureMessage(const QString& path, const QString& reason);

// Test seam: make the k-th (1-based, counted from the call) operation of the
// given kind fail with `error` (an errno value). One fault at a time; a fault
// that fired is cleared. Counting covers every WholeFile of the process.
namespace whole_file_testing {
enum class Operation { Open, Write, Flush, Close, Rename };
void failAt(Operation operation, int k, int error);
// Cuts every later write to at most `bytes` bytes, as a disk that takes a
// little at a time does (0: whole writes again). Kept until clear().
void shortWrites(qint64 bytes);
void clear();
// How many operations of this kind ran since the last failAt() or clear().
int count(Operation operation);
}  // namespace whole_file_testing

}  // namespace sonavistor
