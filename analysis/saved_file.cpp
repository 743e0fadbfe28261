#include "analysis/saved_file.h"

#include "common/error.h"
#include "common/printable.h"
#include "common/whole_file.h"
#include "store/reading_line.h"

#include <QDir>

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

QString quoted(QByteArrayView text)
{
    return QStringLiteral("'%1'").arg(printable(text));
}

constexpr char kTotalLabel[] = "Total:";

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// The columns a reading line must keep for the staging file to read it as
// the reader does: commas only at 11 and 20 within the date and time part, none
// in the level field or as the weighting, and no control characters at all.
void checkReadingColumns(QByteArrayView line)
{
    for (char c : line) {
        if (isControl(c))
            throw Error(QStringLiteral("%1 holds a control character").arg(quoted(line)));
    }
    if (line.size() < 21 || line[10] != ',' || line[19] != ',')
        throw Error(QStringLiteral("%1 is not a reading line (a date, a time and a level in their columns)")
                        .arg(quoted(line)));
    const auto hasComma = [](QByteArrayView field) { return field.contains(','); };
    if (hasComma(line.first(10)) || hasComma(line.sliced(11, 8)) || hasComma(part(line, 20, 6)) ||
        line.back() == ',')
        throw Error(QStringLiteral("%1 holds a comma inside a field").arg(quoted(line)));
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

void writeSavedFileText(const QString& path, qint64 rows, const QByteArray& readingLines)
{
    WholeFile file(path);
    file.writeAll(kSavedFileMagic + QByteArray("\r\n") + kTotalLabel + QByteArray::number(rows) + "\r\n");
    file.writeAll(readingLines);
    file.commit();
}

void writeSavedFile(const QString& path, const std::vector<ReadingRow>& rows, Progress* progress)
{
    QByteArray text;
    text.reserve(static_cast<qsizetype>(rows.size()) * 30);
    if (progress)
        progress->setMaximum(static_cast<int>(rows.size()));
    int n = 0;
    for (const ReadingRow& row : rows) {
        try {
            appendReadingLine(text, row);
        } catch (const Error& e) {
            throw Error(writeFailureMessage(path, QStringLiteral("Row %1: %2").arg(n + 1).arg(e.message())));
        }
        text.append("\r\n", 2);
        if (progress)
            progress->setPosition(++n);
    }
    writeSavedFileText(path, static_cast<qint64>(rows.size()), text);
}

SavedReading parseSavedReading(const QByteArray& line)
{
    checkReadingColumns(line);
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
        // two characters the whole part; the tenths take the whole part's sign
        // (-65.3 is -65 and -3 tenths, -0.5 is -5 tenths).
        const char tenths = level.back();
        const QByteArrayView wholeText = level.first(level.size() - 2);
        const auto whole = parseInteger(wholeText);
        if (whole && tenths >= '0' && tenths <= '9') {
            const bool negative = wholeText.trimmed().startsWith('-');
            const double fraction = (tenths - '0') / 10.0;
            value = static_cast<double>(*whole) + (negative ? -fraction : fraction);
            ok = true;
        }
    }
    if (!ok)
        throw Error(QStringLiteral("%1 is not a valid level").arg(quoted(field)));
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
    // "Total:" and the number of readings, as the writers write it.
    if (!total.startsWith(kTotalLabel))
        fail(QStringLiteral("%1 is not a Total line (Total: and the number of readings)").arg(quoted(total)));
    const QByteArray count = total.mid(static_cast<qsizetype>(sizeof kTotalLabel) - 1);
    const auto announced = parseInteger(count);
    if (!announced || *announced < 0)
        fail(QStringLiteral("%1 is not a valid count of readings").arg(quoted(count)));
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
    throw Error(QStringLiteral("%1, line %2: %3").arg(printable(QDir::toNativeSeparators(path_))).arg(lineNumber_).arg(what));
}

}  // namespace sonavistor
