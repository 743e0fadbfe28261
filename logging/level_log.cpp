#include "logging/level_log.h"

#include "analysis/saved_file.h"
#include "common/error.h"
#include "meter/live_reading.h"

#include <QDir>
#include <QFileInfo>

namespace sonavistor {

namespace {

constexpr char kLockFileName[] = ".sonavistor-log.lock";

}  // namespace

ReadingRow liveReadingRow(const QDateTime& when, int tenths, int status)
{
    const QDate d = when.date();
    const QTime t = when.time();
    ReadingRow row;
    row.NDate = QStringLiteral("%1/%2/%3").arg(d.year()).arg(d.month()).arg(d.day());
    row.NTime = QStringLiteral("%1:%2:%3").arg(t.hour()).arg(t.minute()).arg(t.second());
    row.MeaValue = levelDisplayText(limitedLevel(tenths));
    row.Weight = decodeLiveStatus(status).weightingC ? QStringLiteral("C") : QStringLiteral("A");
    return row;
}

LevelLog::LevelLog(QString folder, LevelLogOptions options) : folder_(std::move(folder)), options_(options) {}

LevelLog::~LevelLog()
{
    close();
}

QString LevelLog::journalPath() const
{
    return QDir(folder_).filePath(QString::fromLatin1(kJournalFileName));
}

void LevelLog::open()
{
    if (!QDir().mkpath(folder_) || !QFileInfo(folder_).isWritable())
        throw Error(QStringLiteral("%1: cannot make or write this folder").arg(folder_));
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(QString::fromLatin1(kLockFileName)));
    // A lock whose process has died is taken over; a live one is never stale.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        lock_.reset();
        throw Error(QStringLiteral("%1: another sonavistor-cli log writes to this folder").arg(folder_));
    }
    journal_ = std::make_unique<LogJournal>(journalPath());
    QString error;
    if (!journal_->open(&error)) {
        journal_.reset();
        throw Error(error);
    }
    recover();
}

DayFile& LevelLog::dayFile(const QDate& day)
{
    auto& slot = days_[day];
    if (!slot) {
        auto file = std::make_unique<DayFile>(folder_, day);
        const QString note = file->load();  // throws: nothing is kept of the day
        if (!note.isEmpty())
            messages_ << note;
        slot = std::move(file);
    }
    return *slot;
}

void LevelLog::recover()
{
    const JournalContents contents = readJournal(journalPath());
    if (contents.damagedLines > 0)
        messages_ << QStringLiteral("%1: %2 damaged line(s) left out (cut off by the end of the last run)")
                         .arg(journalPath())
                         .arg(contents.damagedLines);
    // A day's entries begin with the readings its file held then; those
    // beyond what the file holds now were not yet written.
    struct Segment {
        qint64 base = 0;
        qint64 seen = 0;
    };
    std::map<QDate, Segment> segments;
    std::map<QDate, qint64> completed;
    for (const JournalEntry& entry : contents.entries) {
        DayFile& file = dayFile(entry.day);
        inJournal_[entry.day] = true;
        if (entry.kind == JournalEntry::Kind::Base) {
            segments[entry.day] = {entry.base, 0};
            continue;
        }
        // Without its base entry (damaged) every reading counts as new.
        auto [it, fresh] = segments.try_emplace(entry.day, Segment{file.savedRows(), 0});
        if (it->second.base + ++it->second.seen <= file.savedRows())
            continue;
        file.append(entry.line);
        ++completed[entry.day];
    }
    for (const auto& [day, rows] : completed)
        messages_ << QStringLiteral("%1: %2 reading(s) completed from the journal").arg(days_[day]->path()).arg(rows);
    saveAll();
}

void LevelLog::add(const QDate& day, const ReadingRow& row)
{
    DayFile& file = dayFile(day);
    const QByteArray line = savedReadingLine(row);
    if (!inJournal_[day]) {
        pending_ += journalBaseEntry(day, file.savedRows());
        inJournal_[day] = true;
    }
    file.append(line);
    pending_ += journalReadingEntry(day, line);
    ++added_;
    writeJournal();
    const bool newDay = currentDay_.isValid() && day != currentDay_;
    currentDay_ = day;
    if (newDay)
        saveAll();  // the day before is complete now
}

bool LevelLog::writeJournal()
{
    if (pending_.isEmpty() || !journal_)
        return true;
    QString error;
    if (!journal_->append(pending_, &error)) {
        failed(journalPath(), error);
        return false;
    }
    pending_.clear();
    recovered(journalPath());
    return true;
}

void LevelLog::maintain(qint64 nowMs)
{
    if (!journal_)
        return;
    writeJournal();
    if (nowMs - lastSyncMs_ >= options_.syncEveryMs) {
        lastSyncMs_ = nowMs;
        QString error;
        if (!journal_->sync(&error))
            failed(journalPath() + QStringLiteral(" (sync)"), error);
    }
    if (nowMs - lastSaveMs_ >= options_.saveEveryMs) {
        lastSaveMs_ = nowMs;
        saveAll();
    }
}

bool LevelLog::saveAll()
{
    if (!journal_)
        return false;
    // The journal first: while a day file cannot be written, it holds the readings.
    writeJournal();
    QString error;
    if (!journal_->sync(&error))
        failed(journalPath() + QStringLiteral(" (sync)"), error);
    bool all = true;
    for (auto& [day, file] : days_) {
        if (!file->dirty())
            continue;
        if (file->save(&error)) {
            recovered(file->path());
        } else {
            failed(file->path(), error);
            all = false;
        }
    }
    if (!all)
        return false;
    // Every reading is in its day file now, those the journal could not take too.
    if (!journal_->clear(&error)) {
        failed(journalPath(), error);
        return false;
    }
    pending_.clear();
    inJournal_.clear();
    for (auto it = days_.begin(); it != days_.end();)
        it = it->first == currentDay_ ? std::next(it) : days_.erase(it);
    return true;
}

void LevelLog::close()
{
    if (!journal_)
        return;
    if (!saveAll() && !pending_.isEmpty()) {
        const qsizetype lost = pending_.count("\nR ") + (pending_.startsWith("R ") ? 1 : 0);
        messages_ << QStringLiteral("%1 reading(s) reached neither their day file nor the journal").arg(lost);
    }
    journal_->close();
    journal_.reset();
    days_.clear();
    lock_.reset();
}

QStringList LevelLog::takeMessages()
{
    QStringList taken;
    taken.swap(messages_);
    return taken;
}

void LevelLog::failed(const QString& what, const QString& error)
{
    if (failing_.contains(what))
        return;
    failing_ << what;
    messages_ << error + QStringLiteral(" (the readings are kept and written when it works again)");
}

void LevelLog::recovered(const QString& what)
{
    if (failing_.removeOne(what))
        messages_ << QStringLiteral("%1 is written again").arg(what);
}

}  // namespace sonavistor
