#include "logging/log_journal.h"

#include "analysis/saved_file.h"
#include "common/error.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sonavistor {

namespace {

constexpr int kCrcDigits = 8;
constexpr int kDayText = 10;  // 2026-12-01

constexpr std::array<quint32, 256> crcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

QByteArray withCrc(const QByteArray& body)
{
    return body + ' ' + QByteArray::number(crc32(body), 16).rightJustified(kCrcDigits, '0') + '\n';
}

QByteArray dayText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// One line without its LF; false for a line that is torn, damaged or of no known kind.
bool parseEntry(QByteArrayView line, JournalEntry& entry)
{
    constexpr qsizetype kFixed = 2 + kDayText + 1;  // "R 2026-12-01 "
    if (line.size() < kFixed + 1 + 1 + kCrcDigits || line[line.size() - kCrcDigits - 1] != ' ')
        return false;
    const QByteArrayView body = line.first(line.size() - kCrcDigits - 1);
    // The check digits exactly as written (lower-case hex), so that an entry
    // read is always one a writer wrote, never a look-alike.
    if (line.last(kCrcDigits) != withCrc(body.toByteArray()).sliced(body.size() + 1, kCrcDigits) ||
        body[1] != ' ' || body[kFixed - 1] != ' ')
        return false;
    bool ok = false;
    entry.day = QDate::fromString(QString::fromLatin1(body.sliced(2, kDayText)), QStringLiteral("yyyy-MM-dd"));
    if (!entry.day.isValid())
        return false;
    const QByteArrayView payload = body.sliced(kFixed);
    if (body[0] == 'B') {
        entry.kind = JournalEntry::Kind::Base;
        entry.base = payload.toLongLong(&ok);
        return ok && entry.base >= 0 && QByteArray::number(entry.base) == payload;
    }
    if (body[0] != 'R')
        return false;
    entry.kind = JournalEntry::Kind::Reading;
    entry.line = payload.toByteArray();
    try {
        parseSavedReading(entry.line);
    } catch (const Error&) {
        return false;
    }
    return true;
}

}  // namespace

quint32 crc32(QByteArrayView data)
{
    static constexpr std::array<quint32, 256> table = crcTable();
    quint32 c = 0xFFFFFFFFu;
    for (char byte : data)
        c = table[(c ^ static_cast<quint8>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray journalBaseEntry(const QDate& day, qint64 rows)
{
    return withCrc("B " + dayText(day) + ' ' + QByteArray::number(rows));
}

QByteArray journalReadingEntry(const QDate& day, const QByteArray& line)
{
    return withCrc("R " + dayText(day) + ' ' + line);
}

JournalContents readJournal(const QString& path)
{
    JournalContents contents;
    QFile file(path);
    if (!file.exists())
        return contents;
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read the journal \"%1\". %2").arg(path, file.errorString()));
    const QByteArray text = file.readAll();
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype end = text.indexOf('\n', at);
        // A last line without its LF was torn by the end of the process.
        const QByteArrayView line = QByteArrayView(text).sliced(at, (end < 0 ? text.size() : end) - at);
        JournalEntry entry;
        if (end >= 0 && parseEntry(line, entry))
            contents.entries.push_back(std::move(entry));
        else if (!line.isEmpty())
            ++contents.damagedLines;
        at = end < 0 ? text.size() : end + 1;
    }
    return contents;
}

LogJournal::LogJournal(QString path) : path_(std::move(path)) {}

LogJournal::~LogJournal()
{
    close();
}

bool LogJournal::open(QString* error)
{
    close();
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        *error = QStringLiteral("Cannot open the journal \"%1\". %2").arg(path_, systemError());
        return false;
    }
    // A torn last line is cut off, so that the next entry starts a line of its own.
    QFile file(path_);
    qint64 whole = 0;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray text = file.readAll();
        whole = text.lastIndexOf('\n') + 1;
        if (whole < text.size() && ::ftruncate(fd_, whole) != 0) {
            *error = QStringLiteral("Cannot repair the journal \"%1\". %2").arg(path_, systemError());
            close();
            return false;
        }
    }
    size_ = whole;
    syncFolder(QFileInfo(path_).absolutePath());
    return true;
}

bool LogJournal::append(const QByteArray& entries, QString* error)
{
    if (fd_ < 0)
        return *error = QStringLiteral("The journal \"%1\" is not open.").arg(path_), false;
    // After a write that could not be taken back, a line end closes the torn entry.
    const QByteArray data = torn_ ? '\n' + entries : entries;
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd_, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = QStringLiteral("Cannot write the journal \"%1\". %2").arg(path_, systemError());
            // Take back what got through: the file ends with a whole entry.
            if (done > 0 && ::ftruncate(fd_, size_) != 0) {
                size_ += done;  // left as it is; the reader leaves the torn line out
                torn_ = true;
            }
            return false;
        }
        done += n;
    }
    size_ += data.size();
    torn_ = false;
    unsynced_ = true;
    return true;
}

bool LogJournal::sync(QString* error)
{
    if (fd_ < 0 || !unsynced_)
        return true;
    if (::fdatasync(fd_) != 0) {
        *error = QStringLiteral("Cannot sync the journal \"%1\". %2").arg(path_, systemError());
        return false;
    }
    unsynced_ = false;
    return true;
}

bool LogJournal::clear(QString* error)
{
    if (fd_ < 0)
        return true;
    if (::ftruncate(fd_, 0) != 0 || ::fdatasync(fd_) != 0) {
        *error = QStringLiteral("Cannot empty the journal \"%1\". %2").arg(path_, systemError());
        return false;
    }
    size_ = 0;
    unsynced_ = false;
    torn_ = false;
    return true;
}

void LogJournal::close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    if (size_ == 0) {
        QFile::remove(path_);
        syncFolder(QFileInfo(path_).absolutePath());
    }
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace sonavistor
