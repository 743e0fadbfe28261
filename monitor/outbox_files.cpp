#include "monitor/outbox_files.h"

#include "common/error.h"
#include "logging/log_journal.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sonavistor::outbox {

namespace {

constexpr int kCrcDigits = 8;
constexpr qsizetype kChunk = 256 * 1024;

QByteArray withCrc(const QByteArray& body)
{
    return body + ' ' + QByteArray::number(crc32(body), 16).rightJustified(kCrcDigits, '0') + '\n';
}

}  // namespace

QByteArray messageEntry(qint64 id, const QByteArray& topic, const QByteArray& payload)
{
    return withCrc("M " + QByteArray::number(id) + ' ' + topic + ' ' + payload);
}

QByteArray acknowledgementEntry(qint64 id)
{
    return withCrc("A " + QByteArray::number(id));
}

QByteArray acknowledgedUpToEntry(qint64 id)
{
    return withCrc("U " + QByteArray::number(id));
}

std::optional<Entry> parseEntry(QByteArrayView line)
{
    if (line.size() < kCrcDigits + 4 || line[line.size() - kCrcDigits - 1] != ' ' || line[1] != ' ')
        return std::nullopt;
    const QByteArray body = line.first(line.size() - kCrcDigits - 1).toByteArray();
    // The check digits exactly as written, so an entry read is always one a writer wrote.
    if (QByteArray::number(crc32(body), 16).rightJustified(kCrcDigits, '0') != line.last(kCrcDigits))
        return std::nullopt;
    const qsizetype idEnd = body.indexOf(' ', 2);
    bool ok = false;
    Entry e;
    e.id = body.mid(2, (idEnd < 0 ? body.size() : idEnd) - 2).toLongLong(&ok);
    if (!ok || e.id < 1)
        return std::nullopt;
    switch (body[0]) {
    case 'M': {
        const qsizetype topicEnd = idEnd < 0 ? -1 : body.indexOf(' ', idEnd + 1);
        if (topicEnd < 0)
            return std::nullopt;
        e.kind = Entry::Kind::Message;
        e.topic = body.mid(idEnd + 1, topicEnd - idEnd - 1);
        e.payload = body.mid(topicEnd + 1);
        return e;
    }
    case 'A':
        e.kind = Entry::Kind::Acknowledged;
        return idEnd < 0 ? std::optional(e) : std::nullopt;
    case 'U':
        e.kind = Entry::Kind::AcknowledgedUpTo;
        return idEnd < 0 ? std::optional(e) : std::nullopt;
    default:
        return std::nullopt;
    }
}

DamagedLine examineDamagedLine(QByteArrayView line)
{
    // A byte that was the first entry's LF: the first half ends in its check
    // digits, the second starts like an entry. Taken where a half checks.
    // Where neither half checks, the first place that looks like such a seam.
    qsizetype seam = -1;
    for (qsizetype k = kCrcDigits + 5; k + 2 < line.size(); ++k) {
        const char kind = line[k];
        if ((kind != 'M' && kind != 'A' && kind != 'U') || line[k + 1] != ' ')
            continue;
        auto first = parseEntry(line.first(k - 1));
        auto second = parseEntry(line.sliced(k));
        if (first || second)
            return {{{line.first(k - 1).toByteArray(), std::move(first)}, {line.sliced(k).toByteArray(), std::move(second)}}};
        const QByteArrayView digits = line.sliced(k - 1 - kCrcDigits, kCrcDigits);
        if (seam < 0 && line[k - 2 - kCrcDigits] == ' ' &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            seam = k;
    }
    if (seam > 0)
        return {{{line.first(seam - 1).toByteArray(), std::nullopt}, {line.sliced(seam).toByteArray(), std::nullopt}}};
    return {{{line.toByteArray(), std::nullopt}}};
}

std::vector<Entry> entriesOf(QByteArrayView line)
{
    if (auto e = parseEntry(line))
        return {std::move(*e)};
    std::vector<Entry> out;
    if (line.isEmpty())
        return out;
    for (DamagedLine::Part& part : examineDamagedLine(line).parts) {
        if (part.entry)
            out.push_back(std::move(*part.entry));
    }
    return out;
}

QString describeEntryText(QByteArrayView text)
{
    static const QRegularExpression start(QStringLiteral("\"start\":\"([^\"]{10,40})\""));
    static const QRegularExpression weighting(QStringLiteral("\"weighting\":\"([A-Za-z])\""));
    static const QRegularExpression message(QStringLiteral("^M (\\d+) "));
    const QString s = QString::fromUtf8(text);
    if (const auto m = start.match(s); m.hasMatch()) {
        const auto w = weighting.match(s);
        return w.hasMatch() ? QStringLiteral("the interval from %1 (%2-weighted)").arg(m.captured(1), w.captured(1))
                            : QStringLiteral("the interval from %1").arg(m.captured(1));
    }
    if (const auto m = message.match(s); m.hasMatch())
        return QStringLiteral("message %1").arg(m.captured(1));
    return QStringLiteral("an entry that cannot be read");
}

LineReader::LineReader(const QString& path, qint64 offset) : path_(path), lineStart_(offset), offset_(offset)
{
    fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0 && errno != ENOENT)
        throw Error(QStringLiteral("Cannot read the outbox \"%1\". %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (fd_ >= 0 && offset > 0 && ::lseek(fd_, offset, SEEK_SET) < 0)
        throw Error(QStringLiteral("Cannot read the outbox \"%1\". %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    ended_ = fd_ < 0;
}

LineReader::~LineReader()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool LineReader::fill()
{
    if (ended_)
        return false;
    buffer_.remove(0, at_);
    at_ = 0;
    const qsizetype had = buffer_.size();
    buffer_.resize(had + kChunk);
    ssize_t n;
    do {
        n = ::read(fd_, buffer_.data() + had, kChunk);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        const int error = errno;
        buffer_.resize(had);
        throw Error(QStringLiteral("Cannot read the outbox \"%1\". %2").arg(path_, QString::fromLocal8Bit(std::strerror(error))));
    }
    buffer_.resize(had + n);
    ended_ = n == 0;
    return n > 0;
}

bool LineReader::next(QByteArrayView& line, bool& complete)
{
    qsizetype end = buffer_.indexOf('\n', at_);
    while (end < 0 && fill())
        end = buffer_.indexOf('\n', at_);
    if (at_ >= buffer_.size())
        return false;
    complete = end >= 0;
    if (!complete)
        end = buffer_.size();
    line = QByteArrayView(buffer_).sliced(at_, end - at_);
    lineStart_ = offset_;
    offset_ += end - at_ + (complete ? 1 : 0);
    at_ = complete ? end + 1 : end;
    ++lineNumber_;
    return true;
}

}  // namespace sonavistor::outbox
