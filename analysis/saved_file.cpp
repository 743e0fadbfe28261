#include "analysis/saved_file.h"

#include "common/error.h"
#include "store/reading_line.h"

#include <QDir>
#include <QSaveFile>

namespace sonavistor {

namespace {

// Part of a view, clamped to it (mid() of later Qt versions).
QByteArrayView part(QByteArrayView view, qsizetype from, qsizetype count = -1)
{
    if (from >= view.size())
        return {};
    const qsizetype available = view.size() - from;
    return view.sliced(from, count < 0 || count > available ? available : count);
}

// A line longer than this is no reading line; it also keeps a binary file
// from being read into memory in one piece.
constexpr qint64 kMaxLineLength = 4096;

QString quoted(const QByteArray& text)
{
    return QStringLiteral("'%1'").arg(QString::fromLatin1(text));
}

std::optional<qint64> parseInteger(QByteArrayView text)
{
    // Leading blanks are allowed, as the conversion always allowed them.
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == ' ')
        ++begin;
    const QByteArrayView digits = part(text, begin);
    if (digits.isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const char c = digits[i];
        if (!(c >= '0' && c <= '9') && !(i == 0 && (c == '-' || c == '+')))
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

}  // namespace

QByteArray savedReadingLine(const ReadingRow& row)
{
    QByteArray line;
    appendReadingLine(line, row);
    return line;
}

QString withSavedFileExtension(const QString& chosen)
{
    return chosen.contains(QLatin1Char('.')) ? chosen : chosen + QStringLiteral(".qrv");
}

void writeSavedFile(const QString& path, const std::vector<ReadingRow>& rows, Progress* progress)
{
    QSaveFile file(path);
    const auto failed = [&path](const QString& why) {
        return Error(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path), why));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed(file.errorString());
    QByteArray text;
    text.reserve(static_cast<qsizetype>(rows.size()) * 30 + 32);
    text += kSavedFileMagic;
    text += "\r\nTotal:" + QByteArray::number(static_cast<qint64>(rows.size())) + "\r\n";
    if (progress)
        progress->setMaximum(static_cast<int>(rows.size()));
    int n = 0;
    for (const ReadingRow& row : rows) {
        appendReadingLine(text, row);
        text.append("\r\n", 2);
        if (progress)
            progress->setPosition(++n);
    }
    if (file.write(text) != text.size())
        throw failed(file.errorString());
    if (!file.commit())
        throw failed(file.errorString());
}

SavedReading parseSavedReading(const QByteArray& line)
{
    SavedReading reading;
    reading.line = line;
    const QByteArrayView field = part(QByteArrayView(line), 20, 6);
    // A level written without its decimal is cut at its first blank and read
    // as if ".0" followed; surrounding blanks are dropped.
    QByteArrayView level = field;
    const bool hasPoint = field.contains('.');
    if (!hasPoint) {
        const qsizetype blank = field.indexOf(' ');
        if (blank >= 0)
            level = field.first(blank);
    }
    level = level.trimmed();
    double value = 0;
    bool ok = false;
    if (!hasPoint) {
        if (const auto whole = parseInteger(level); whole && !level.isEmpty()) {
            value = static_cast<double>(*whole);
            ok = true;
        }
    } else if (level.size() >= 3 && level[level.size() - 2] == '.') {
        // The last character is the tenths digit, everything before the last
        // two characters the whole part.
        const char tenths = level.back();
        const auto whole = parseInteger(level.first(level.size() - 2));
        if (whole && tenths >= '0' && tenths <= '9') {
            value = static_cast<double>(*whole) + (tenths - '0') / 10.0;
            ok = true;
        }
    }
    if (!ok)
        throw Error(QStringLiteral("%1 is not a valid level").arg(quoted(field.toByteArray())));
    reading.level = value;
    reading.weighting = line.isEmpty() ? 0 : line.back();
    return reading;
}

SavedFileReader::SavedFileReader(const QString& path) : path_(path), file_(path)
{
    if (!file_.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file_.errorString()));
    QByteArray first;
    bool tooLong = false;
    // A first line too long for any line of a saved file (a binary or a
    // huge text file) is as little the magic line as any other.
    if (!readLine(first, &tooLong) || tooLong || first != kSavedFileMagic)
        return;  // not a saved measurement file
    isSavedFile_ = true;
    QByteArray total;
    if (!readLine(total))
        fail(QStringLiteral("the Total line is missing"));
    const qsizetype colon = total.indexOf(':');
    const QByteArray count = colon >= 0 ? total.mid(colon + 1) : total;
    const auto announced = parseInteger(count);
    if (!announced)
        fail(QStringLiteral("%1 is not a valid integer value").arg(quoted(count)));
    announced_ = *announced;
}

SavedFileReader::~SavedFileReader() = default;

bool SavedFileReader::readLine(QByteArray& line, bool* tooLong)
{
    constexpr qint64 kBlock = 1 << 20;
    qsizetype newline = block_.indexOf('\n', blockAt_);
    while (newline < 0 && !file_.atEnd() && block_.size() - blockAt_ < kMaxLineLength) {
        // Keep the unread tail and read the next block behind it.
        block_ = block_.mid(blockAt_) + file_.read(kBlock);
        blockAt_ = 0;
        newline = block_.indexOf('\n');
    }
    if (blockAt_ >= block_.size())
        return false;
    ++lineNumber_;
    const qsizetype end = newline >= 0 ? newline : block_.size();
    if (end - blockAt_ >= kMaxLineLength) {
        if (!tooLong)
            fail(QStringLiteral("the line is too long for a saved measurement file"));
        *tooLong = true;
        return true;
    }
    qsizetype length = end - blockAt_;
    if (length > 0 && block_[end - 1] == '\r')
        --length;  // CR LF as written; LF alone is read the same way
    line = block_.mid(blockAt_, length);
    blockAt_ = newline >= 0 ? newline + 1 : block_.size();
    return true;
}

bool SavedFileReader::next(SavedReading& reading)
{
    QByteArray line;
    if (!readLine(line))
        return false;
    try {
        reading = parseSavedReading(line);
    } catch (const Error& e) {
        fail(e.message());
    }
    return true;
}

void SavedFileReader::fail(const QString& what) const
{
    throw Error(QStringLiteral("%1, line %2: %3").arg(QDir::toNativeSeparators(path_)).arg(lineNumber_).arg(what));
}

}  // namespace sonavistor
