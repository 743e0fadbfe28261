#include "monitor/outbox.h"

#include "common/error.h"
#include "common/whole_file.h"
#include "logging/log_journal.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sonavistor {

namespace {

constexpr int kCrcDigits = 8;
// Acknowledgements kept in the file before it is rewritten without them.
constexpr qint64 kCompactAfter = 1000;

QByteArray withCrc(const QByteArray& body)
{
    return body + ' ' + QByteArray::number(crc32(body), 16).rightJustified(kCrcDigits, '0') + '\n';
}

QByteArray messageEntry(const OutboxMessage& m)
{
    return withCrc("M " + QByteArray::number(m.id) + ' ' + m.topic + ' ' + m.payload);
}

QByteArray acknowledgementEntry(qint64 id)
{
    return withCrc("A " + QByteArray::number(id));
}

// The body of a line whose check digits match, else nothing.
std::optional<QByteArray> checkedBody(QByteArrayView line)
{
    if (line.size() < kCrcDigits + 2 || line[line.size() - kCrcDigits - 1] != ' ')
        return std::nullopt;
    const QByteArray body = line.first(line.size() - kCrcDigits - 1).toByteArray();
    if (withCrc(body) != line.toByteArray() + '\n')
        return std::nullopt;
    return body;
}

}  // namespace

QString describeOutboxMessage(const OutboxMessage& message)
{
    const QJsonObject o = QJsonDocument::fromJson(message.payload).object();
    if (o.contains(QLatin1String("start")))
        return QStringLiteral("the interval from %1 (%2-weighted)")
            .arg(o.value(QLatin1String("start")).toString(), o.value(QLatin1String("weighting")).toString());
    return QStringLiteral("message %1").arg(message.id);
}

Outbox::Outbox(QString path, qint64 capacity) : path_(std::move(path)), capacity_(std::max<qint64>(1, capacity)) {}

Outbox::~Outbox()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void Outbox::open()
{
    QFile file(path_);
    int damaged = 0;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Cannot read the outbox \"%1\". %2").arg(path_, file.errorString()));
        const QByteArray text = file.readAll();
        std::map<qint64, OutboxMessage> byId;
        qsizetype at = 0;
        while (at < text.size()) {
            const qsizetype end = text.indexOf('\n', at);
            // A last line without its LF was torn by the end of the process.
            const QByteArrayView line = QByteArrayView(text).sliced(at, (end < 0 ? text.size() : end) - at);
            at = end < 0 ? text.size() : end + 1;
            const auto body = end < 0 ? std::nullopt : checkedBody(line);
            const QList<QByteArray> parts = body ? body->split(' ') : QList<QByteArray>();
            bool ok = false;
            const qint64 id = parts.value(1).toLongLong(&ok);
            if (ok && parts[0] == "M" && parts.size() >= 4) {
                const qsizetype payloadAt = 2 + parts[1].size() + 1 + parts[2].size() + 1;
                byId[id] = {id, parts[2], body->mid(payloadAt)};
                nextId_ = std::max(nextId_, id + 1);
            } else if (ok && parts[0] == "A" && parts.size() == 2) {
                byId.erase(id);
                nextId_ = std::max(nextId_, id + 1);
            } else if (!line.isEmpty()) {
                ++damaged;
            }
        }
        for (auto& [id, message] : byId)
            waiting_.push_back(std::move(message));
        file.close();
    }
    if (damaged > 0)
        messages_ << QStringLiteral("the outbox \"%1\" had %2 damaged or torn lines; they were left out")
                         .arg(path_)
                         .arg(damaged);
    if (!waiting_.empty())
        messages_ << QStringLiteral("%1 interval messages from an earlier run wait in the outbox and go out as soon "
                                    "as the broker answers")
                         .arg(waiting_.size());
    // Started afresh: the waiting messages only, written whole.
    while (static_cast<qint64>(waiting_.size()) > capacity_) {
        messages_ << QStringLiteral("outbox full (%1 messages): dropped %2, the oldest")
                         .arg(capacity_)
                         .arg(describeOutboxMessage(waiting_.front()));
        waiting_.pop_front();
    }
    compact();
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw Error(QStringLiteral("Cannot open the outbox \"%1\". %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 Outbox::add(const QByteArray& topic, const QByteArray& payload)
{
    OutboxMessage m{nextId_++, topic, payload};
    QByteArray entries = messageEntry(m);
    waiting_.push_back(m);
    while (static_cast<qint64>(waiting_.size()) > capacity_) {
        messages_ << QStringLiteral("outbox full (%1 messages): dropped %2, the oldest")
                         .arg(capacity_)
                         .arg(describeOutboxMessage(waiting_.front()));
        entries += acknowledgementEntry(waiting_.front().id);
        ++acknowledgedLines_;
        waiting_.pop_front();
    }
    write(entries);
    // One sync an interval: a power cut loses no message made before it.
    if (fd_ >= 0 && !failing_)
        ::fdatasync(fd_);
    return m.id;
}

void Outbox::acknowledge(qint64 id)
{
    const auto it = std::find_if(waiting_.begin(), waiting_.end(), [id](const OutboxMessage& m) { return m.id == id; });
    if (it == waiting_.end())
        return;
    waiting_.erase(it);
    if (waiting_.empty() || acknowledgedLines_ >= kCompactAfter) {
        compact();
        return;
    }
    ++acknowledgedLines_;
    write(acknowledgementEntry(id));
}

QStringList Outbox::takeMessages()
{
    return std::exchange(messages_, {});
}

void Outbox::write(const QByteArray& entries)
{
    QString error;
    // A rewrite that failed may have left no file to append to.
    if (fd_ < 0)
        fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        qsizetype done = 0;
        while (done < entries.size()) {
            const ssize_t n = ::write(fd_, entries.constData() + done, static_cast<size_t>(entries.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            done += n;
        }
        // A torn entry is closed with a line end, so the next one starts a line of its own.
        if (done > 0 && done < entries.size() && ::write(fd_, "\n", 1) < 0)
            error += QStringLiteral(" (the line end after it failed too)");
    }
    if (!error.isEmpty()) {
        if (!failing_)
            messages_ << QStringLiteral("Cannot write the outbox \"%1\". %2; the messages wait in memory").arg(path_, error);
        failing_ = true;
        return;
    }
    if (failing_) {
        // What could not be written is in memory: rewrite the file whole.
        failing_ = false;
        compact();
        if (!failing_)
            messages_ << QStringLiteral("the outbox \"%1\" is written again").arg(path_);
    }
}

void Outbox::compact()
{
    try {
        if (waiting_.empty()) {
            if (fd_ >= 0 && ::ftruncate(fd_, 0) != 0)
                throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno))));
            if (fd_ < 0 && QFile::exists(path_))
                QFile::remove(path_);
        } else {
            QByteArray text;
            for (const OutboxMessage& m : waiting_)
                text += messageEntry(m);
            WholeFile file(path_);
            file.writeAll(text);
            file.commit();
            // The appending descriptor still names the file that was replaced.
            if (fd_ >= 0) {
                ::close(fd_);
                fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
            }
        }
        acknowledgedLines_ = 0;
    } catch (const Error& e) {
        if (!failing_)
            messages_ << e.message() + QStringLiteral("; the messages wait in memory");
        failing_ = true;
    }
}

}  // namespace sonavistor
