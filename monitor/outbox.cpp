#include "monitor/outbox.h"

#include "common/error.h"
#include "common/whole_file.h"
#include "logging/log_journal.h"
#include "monitor/outbox_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonavistor {

using outbox::Entry;

namespace {

// Acknowledgement lines before the file is written afresh with what they still say.
constexpr qint64 kRewriteAckedAfter = 8192;
constexpr char kAckedSuffix[] = ".acked";
constexpr char kDamagedSuffix[] = ".damaged";

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

int openAppending(const QString& path)
{
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// Appends all of `bytes` or, when that fails, takes back what went in, so
// that the file always ends with a whole line.
bool appendAll(int fd, const QByteArray& bytes, QString* error)
{
    struct stat before {};
    if (::fstat(fd, &before) != 0) {
        *error = systemError();
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? systemError() : QStringLiteral("nothing could be written");
            if (done > 0 && ::ftruncate(fd, before.st_size) != 0)
                *error += QStringLiteral(" (and what was written could not be taken back)");
            return false;
        }
        done += n;
    }
    return true;
}

QString describePart(const outbox::DamagedLine::Part& part)
{
    if (!part.entry)
        return outbox::describeEntryText(part.text) + QStringLiteral(" is lost");
    if (part.entry->kind == Entry::Kind::Message)
        return describeOutboxMessage({part.entry->id, part.entry->topic, part.entry->payload}) + QStringLiteral(" is kept");
    return QStringLiteral("the acknowledgement of message %1 is kept").arg(part.entry->id);
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
    if (ackedFd_ >= 0)
        ::close(ackedFd_);
}

void Outbox::open()
{
    {
        outbox::LineReader aside(path_ + QLatin1String(kDamagedSuffix));
        QByteArrayView line;
        bool complete = false;
        while (aside.next(line, complete))
            setAside_.insert(line.toByteArray());
    }
    readAcknowledgements();

    // The full parts, by their first message, then the file being added to.
    const QFileInfo info(path_);
    const QString prefix = info.fileName() + QLatin1Char('.');
    for (const QString& name : info.dir().entryList({prefix + QLatin1Char('*')}, QDir::Files)) {
        bool ok = false;
        const qint64 first = name.mid(prefix.size()).toLongLong(&ok);
        if (ok && first > 0 && QString::number(first) == name.mid(prefix.size()))
            parts_.push_back({first, info.dir().filePath(name)});
    }
    std::sort(parts_.begin(), parts_.end(), [](const Part& a, const Part& b) { return a.firstId < b.firstId; });
    parts_.push_back({0, path_});
    // Acknowledgements inside the parts come from the layout of one file
    // for everything: their messages are counted again once all are known.
    if (scanParts(true))
        scanParts(false);
    if (parts_.back().firstId == 0)
        parts_.back().firstId = nextId_;
    if (damagedLines_ > 0)
        messages_ << QStringLiteral("the outbox \"%1\" had %2 damaged or torn lines; they were left out")
                         .arg(path_)
                         .arg(damagedLines_);

    fd_ = openAppending(path_);
    if (fd_ < 0)
        throw Error(QStringLiteral("Cannot open the outbox \"%1\". %2").arg(path_, systemError()));
    ackedFd_ = openAppending(path_ + QLatin1String(kAckedSuffix));
    if (ackedFd_ < 0)
        throw Error(QStringLiteral("Cannot open the outbox \"%1\". %2").arg(path_ + QLatin1String(kAckedSuffix), systemError()));

    cursorPart_ = parts_.front().firstId;
    cursorOffset_ = 0;
    loadedUpTo_ = upTo_;
    refill();
    if (waitingCount_ > 0)
        messages_ << QStringLiteral("%1 interval messages from an earlier run wait in the outbox and go out as soon "
                                    "as the broker answers")
                         .arg(waitingCount_);
    dropOverCapacity();
    if (waitingCount_ == 0)
        emptied();
    else if (lastPartMessages_ >= kPartMessages)
        seal();
}

void Outbox::readAcknowledgements()
{
    const QString path = path_ + QLatin1String(kAckedSuffix);
    outbox::LineReader reader(path);
    QByteArrayView line;
    bool complete = false;
    qint64 tornAt = -1;
    while (reader.next(line, complete)) {
        const auto entry = complete ? outbox::parseEntry(line) : std::nullopt;
        if (!entry || entry->kind == Entry::Kind::Message) {
            if (!line.isEmpty())
                setAside(path, reader.lineNumber(), line,
                         QStringLiteral("is damaged: an acknowledgement is lost (its message may go out again)"));
            if (!complete)
                tornAt = reader.lineStart();
            continue;
        }
        ++ackedLines_;
        nextId_ = std::max(nextId_, entry->id + 1);
        if (entry->kind == Entry::Kind::AcknowledgedUpTo)
            upTo_ = std::max(upTo_, entry->id);
        else
            acked_.insert(entry->id);
    }
    acked_.erase(acked_.begin(), acked_.upper_bound(upTo_));
    if (tornAt >= 0)
        cutTornEnd(path, tornAt);
}

bool Outbox::scanParts(bool first)
{
    bool acknowledgementsInParts = false;
    qint64 counted = upTo_;  // ids rise through the files: one seen twice counts once
    waitingCount_ = 0;
    for (size_t i = 0; i < parts_.size(); ++i) {
        Part& part = parts_[i];
        const bool last = i + 1 == parts_.size();
        outbox::LineReader reader(part.path);
        QByteArrayView line;
        bool complete = false;
        qint64 tornAt = -1;
        qint64 messages = 0;
        while (reader.next(line, complete)) {
            std::vector<Entry> entries;
            if (!complete) {
                // The end of a process in the middle of a write.
                if (first)
                    setAside(part.path, reader.lineNumber(), line,
                             QStringLiteral("was cut off by the end of the last run: %1 is lost")
                                 .arg(outbox::describeEntryText(line)));
                tornAt = reader.lineStart();
            } else if (auto entry = outbox::parseEntry(line)) {
                entries.push_back(std::move(*entry));
            } else if (!line.isEmpty()) {
                const outbox::DamagedLine damaged = outbox::examineDamagedLine(line);
                if (first)
                    setAside(part.path, reader.lineNumber(), line,
                             damaged.parts.size() == 2
                                 ? QStringLiteral("holds two entries run together (a damaged line end): %1; %2")
                                       .arg(describePart(damaged.parts[0]), describePart(damaged.parts[1]))
                                 : QStringLiteral("is damaged: %1").arg(describePart(damaged.parts[0])));
                entries = outbox::entriesOf(line);
            }
            for (const Entry& e : entries) {
                nextId_ = std::max(nextId_, e.id + 1);
                if (e.kind == Entry::Kind::Message) {
                    if (++messages == 1 && last && first)
                        part.firstId = e.id;
                    if (e.id > counted) {
                        counted = e.id;
                        waitingCount_ += acked_.count(e.id) == 0 ? 1 : 0;
                    }
                } else if (first) {
                    acknowledgementsInParts = true;
                    if (e.kind == Entry::Kind::AcknowledgedUpTo)
                        upTo_ = std::max(upTo_, e.id);
                    else if (e.id > upTo_)
                        acked_.insert(e.id);
                }
            }
        }
        if (last) {
            lastPartMessages_ = messages;
            // New lines must not run on from a torn one.
            if (tornAt >= 0 && first)
                cutTornEnd(part.path, tornAt);
        }
    }
    acked_.erase(acked_.begin(), acked_.upper_bound(upTo_));
    return acknowledgementsInParts;
}

void Outbox::cutTornEnd(const QString& file, qint64 size)
{
    if (::truncate(QFile::encodeName(file).constData(), size) != 0)
        throw Error(QStringLiteral("Cannot write the outbox \"%1\". %2").arg(file, systemError()));
}

void Outbox::setAside(const QString& file, qint64 line, QByteArrayView text, const QString& what)
{
    const QString sideFile = path_ + QLatin1String(kDamagedSuffix);
    const QByteArray record = QFile::encodeName(QFileInfo(file).fileName()) + " line " + QByteArray::number(line) + ": " +
                              text.toByteArray();
    // Said once: a damaged line stays in its part until the part goes.
    if (!setAside_.insert(record).second)
        return;
    ++damagedLines_;
    QString error;
    const int fd = openAppending(sideFile);
    const bool kept = fd >= 0 && appendAll(fd, record + '\n', &error);
    if (fd < 0)
        error = systemError();
    if (fd >= 0)
        ::close(fd);
    messages_ << QStringLiteral("the outbox \"%1\" line %2 %3; %4")
                     .arg(file)
                     .arg(line)
                     .arg(what,
                          kept ? QStringLiteral("the line is kept in %1").arg(sideFile)
                               : QStringLiteral("it could not be kept in %1 (%2)").arg(sideFile, error));
}

void Outbox::refill()
{
    try {
        while (window_.size() < kWindow && static_cast<qint64>(window_.size()) < waitingCount_) {
            auto part = std::find_if(parts_.begin(), parts_.end(), [this](const Part& p) { return p.firstId >= cursorPart_; });
            if (part == parts_.end())
                part = std::prev(parts_.end());
            if (part->firstId != cursorPart_) {  // the part read went whole
                cursorPart_ = part->firstId;
                cursorOffset_ = 0;
            }
            outbox::LineReader reader(part->path, cursorOffset_);
            QByteArrayView line;
            bool complete = false;
            while (window_.size() < kWindow && reader.next(line, complete) && complete) {
                for (Entry& e : outbox::entriesOf(line)) {
                    if (e.kind == Entry::Kind::Message && e.id > loadedUpTo_ && e.id > upTo_ && !acked_.count(e.id)) {
                        window_.push_back({e.id, std::move(e.topic), std::move(e.payload)});
                        loadedUpTo_ = e.id;
                    }
                }
                cursorOffset_ = reader.offset();
            }
            if (window_.size() >= kWindow)
                break;
            if (std::next(part) != parts_.end()) {
                cursorPart_ = std::next(part)->firstId;
                cursorOffset_ = 0;
                continue;
            }
            // The end of what is written: then what could not be written yet.
            for (const OutboxMessage& m : unwritten_) {
                if (m.id > loadedUpTo_) {
                    window_.push_back(m);
                    loadedUpTo_ = m.id;
                }
            }
            // Everything is read: what was counted and is not here was never whole.
            waitingCount_ = static_cast<qint64>(window_.size());
            break;
        }
    } catch (const Error& e) {
        messages_ << e.message() + QStringLiteral("; the messages there go out once it can be read");
    }
}

qint64 Outbox::add(const QByteArray& topic, const QByteArray& payload)
{
    const OutboxMessage m{nextId_++, topic, payload};
    unwritten_.push_back(m);
    ++waitingCount_;
    // Straight into the window when all before it are there: no need to read it back.
    if (static_cast<qint64>(window_.size()) == waitingCount_ - 1 && window_.size() < kWindow) {
        window_.push_back(m);
        loadedUpTo_ = m.id;
    }
    flush();
    // One sync an interval: a power cut loses no message made before it.
    if (fd_ >= 0 && !failing_)
        ::fdatasync(fd_);
    dropOverCapacity();
    if (lastPartMessages_ >= kPartMessages)
        seal();
    return m.id;
}

void Outbox::flush()
{
    if (unwritten_.empty())
        return;
    QByteArray entries;
    for (const OutboxMessage& m : unwritten_)
        entries += outbox::messageEntry(m.id, m.topic, m.payload);
    QString error;
    // A start that could not open it: tried again with every message.
    if (fd_ < 0)
        fd_ = openAppending(path_);
    if (fd_ < 0)
        error = systemError();
    if (fd_ >= 0 && appendAll(fd_, entries, &error)) {
        lastPartMessages_ += static_cast<qint64>(unwritten_.size());
        unwritten_.clear();
        if (std::exchange(failing_, false))
            messages_ << QStringLiteral("the outbox \"%1\" is written again").arg(path_);
        return;
    }
    if (!failing_)
        messages_ << QStringLiteral("Cannot write the outbox \"%1\". %2; the messages wait in memory").arg(path_, error);
    failing_ = true;
}

void Outbox::acknowledge(qint64 id)
{
    const auto it = std::find_if(window_.begin(), window_.end(), [id](const OutboxMessage& m) { return m.id == id; });
    if (it == window_.end())
        return;
    window_.erase(it);
    --waitingCount_;
    std::erase_if(unwritten_, [id](const OutboxMessage& m) { return m.id == id; });
    if (waitingCount_ == 0) {
        emptied();
        return;
    }
    acked_.insert(id);
    record(outbox::acknowledgementEntry(id));
    afterAcknowledgement();
}

void Outbox::dropOverCapacity()
{
    bool dropped = false;
    while (waitingCount_ > capacity_) {
        if (window_.empty())
            refill();
        if (window_.empty())
            break;
        const OutboxMessage m = window_.front();
        messages_ << QStringLiteral("outbox full (%1 messages): dropped %2, the oldest")
                         .arg(capacity_)
                         .arg(describeOutboxMessage(m));
        window_.pop_front();
        --waitingCount_;
        std::erase_if(unwritten_, [&m](const OutboxMessage& u) { return u.id == m.id; });
        acked_.insert(m.id);
        record(outbox::acknowledgementEntry(m.id));
        dropped = true;
    }
    if (dropped)
        afterAcknowledgement();
}

qint64 Outbox::oldestWaiting() const
{
    if (!window_.empty())
        return window_.front().id;
    // A window that could not be read says nothing about what waits.
    return waitingCount_ == 0 ? nextId_ : upTo_ + 1;
}

void Outbox::afterAcknowledgement()
{
    if (window_.size() < kWindow / 2)
        refill();
    const qint64 oldest = oldestWaiting();
    upTo_ = std::max(upTo_, oldest - 1);
    acked_.erase(acked_.begin(), acked_.upper_bound(upTo_));
    // A part whose messages are all acknowledged goes whole. One that cannot
    // be removed is harmless: the acknowledgements cover it.
    while (parts_.size() > 1 && parts_[1].firstId <= oldest) {
        QFile::remove(parts_.front().path);
        parts_.erase(parts_.begin());
    }
    if (ackedLines_ > kRewriteAckedAfter)
        rewriteAcknowledgements();
}

void Outbox::emptied()
{
    window_.clear();
    unwritten_.clear();
    acked_.clear();
    upTo_ = nextId_ - 1;
    // First the record, then the files: a stop in between finds their messages acknowledged.
    if (upTo_ > 0)
        record(outbox::acknowledgedUpToEntry(upTo_));
    for (size_t i = 0; i + 1 < parts_.size(); ++i)
        QFile::remove(parts_[i].path);
    if (fd_ >= 0 && ::ftruncate(fd_, 0) != 0 && !failing_) {
        messages_ << QStringLiteral("Cannot write the outbox \"%1\". %2").arg(path_, systemError());
        failing_ = true;
    }
    parts_ = {{nextId_, path_}};
    lastPartMessages_ = 0;
    cursorPart_ = nextId_;
    cursorOffset_ = 0;
    loadedUpTo_ = upTo_;
    if (ackedLines_ > kRewriteAckedAfter)
        rewriteAcknowledgements();
}

void Outbox::seal()
{
    // Messages that could not be written would land in the next part below its first id.
    if (lastPartMessages_ == 0 || failing_ || !unwritten_.empty())
        return;
    const QString sealed = path_ + QLatin1Char('.') + QString::number(parts_.back().firstId);
    // A part that cannot be renamed grows on; that costs only its length.
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(sealed).constData()) != 0)
        return;
    ::close(fd_);
    fd_ = openAppending(path_);
    parts_.back().path = sealed;
    parts_.push_back({nextId_, path_});
    lastPartMessages_ = 0;
    syncFolder(QFileInfo(path_).absolutePath());
}

void Outbox::record(const QByteArray& entry)
{
    QString error;
    if (ackedFd_ >= 0 && appendAll(ackedFd_, entry, &error)) {
        ++ackedLines_;
        ackedFailing_ = false;
        return;
    }
    if (ackedFd_ < 0)
        error = QStringLiteral("it is not open");
    if (!std::exchange(ackedFailing_, true))
        messages_ << QStringLiteral("Cannot write the outbox \"%1\". %2; a restart may send some messages again")
                         .arg(path_ + QLatin1String(kAckedSuffix), error);
}

void Outbox::rewriteAcknowledgements()
{
    const QString path = path_ + QLatin1String(kAckedSuffix);
    QByteArray text = outbox::acknowledgedUpToEntry(upTo_);
    for (const qint64 id : acked_)
        text += outbox::acknowledgementEntry(id);
    try {
        WholeFile file(path);
        file.writeAll(text);
        file.commit();
    } catch (const Error& e) {
        if (!std::exchange(ackedFailing_, true))
            messages_ << e.message() + QStringLiteral("; a restart may send some messages again");
        return;
    }
    // The appending descriptor still names the file that was replaced.
    if (ackedFd_ >= 0)
        ::close(ackedFd_);
    ackedFd_ = openAppending(path);
    ackedLines_ = 1 + static_cast<qint64>(acked_.size());
}

QStringList Outbox::takeMessages()
{
    return std::exchange(messages_, {});
}

}  // namespace sonavistor
