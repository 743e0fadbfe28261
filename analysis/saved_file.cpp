#include "analysis/saved_file.h"

#include "common/error.h"
#include "common/printable.h"
#include "common/whole_file.h"
#include "store/reading_line.h"

#include <QDir>

#include <cstring>
#include <memory>

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
constexpr qsizetype kMaxLineLength = 4096;
// Blocks of this size are read behind the unread rest of a line.
constexpr qsizetype kBlock = 256 * 1024;
constexpr qsizetype kBufferSize = kBlock + kMaxLineLength;

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

// Eight bytes at a time (every line of a logged day is checked): in
// (x - 0x20 in every byte) & ~x, the top bit of a byte is set only where some
// byte is below 0x20, and 0x7F is the zero byte of x ^ 0x7F7F...
bool hasControl(QByteArrayView line)
{
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    constexpr quint64 kTops = 0x8080808080808080ULL;
    const char* p = line.data();
    qsizetype left = line.size();
    for (; left >= 8; p += 8, left -= 8) {
        quint64 x;
        std::memcpy(&x, p, sizeof x);
        const quint64 del = x ^ (0x7F * kOnes);
        if ((((x - 0x20 * kOnes) & ~x) | ((del - kOnes) & ~del)) & kTops)
            return true;
    }
    for (; left > 0; ++p, --left) {
        if (isControl(*p))
            return true;
    }
    return false;
}

bool hasComma(QByteArrayView field)
{
    return std::memchr(field.data(), ',', static_cast<size_t>(field.size())) != nullptr;
}

// The columns a reading line must keep for the staging file to read it as
// the reader does: commas only at 11 and 20 within the date and time part, none
// in the level field or as the weighting, and no control characters at all.
void checkReadingColumns(QByteArrayView line)
{
    if (hasControl(line))
        throw Error(QStringLiteral("%1 holds a control character").arg(quoted(line)));
    if (line.size() < 21 || line[10] != ',' || line[19] != ',')
        throw Error(QStringLiteral("%1 is not a reading line (a date, a time and a level in their columns)")
                        .arg(quoted(line)));
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

// The level as the logger and the writers write it: blanks, an optional
// minus, digits, a point, one digit, blanks. Returns false for any other
// form, which the general rule below reads.
bool plainLevel(QByteArrayView field, double& value)
{
    const char* p = field.data();
    const char* const end = p + field.size();
    while (p != end && *p == ' ')
        ++p;
    const bool negative = p != end && *p == '-';
    if (negative)
        ++p;
    const char* const digits = p;
    qint64 whole = 0;
    while (p != end && *p >= '0' && *p <= '9')
        whole = whole * 10 + (*p++ - '0');
    if (p == digits || end - p < 2 || p[0] != '.' || p[1] < '0' || p[1] > '9')
        return false;
    const char tenths = p[1];
    for (p += 2; p != end; ++p) {
        if (*p != ' ')
            return false;
    }
    // The same arithmetic as the general rule, so both give the same double.
    const double fraction = (tenths - '0') / 10.0;
    value = static_cast<double>(negative ? -whole : whole) + (negative ? -fraction : fraction);
    return true;
}

// A level field (characters 21-26) in any form the reader accepts.
bool anyLevel(QByteArrayView field, double& value)
{
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
    if (!hasPoint) {
        if (const auto whole = parseInteger(level); whole && !level.isEmpty()) {
            value = static_cast<double>(*whole);
            return true;
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
            return true;
        }
    }
    return false;
}

// Checks a reading line and reads its level and weighting. Throws Error with
// the offending text.
void interpretReading(QByteArrayView line, double& level, char& weighting)
{
    checkReadingColumns(line);
    const QByteArrayView field = part(line, 20, 6);
    if (!plainLevel(field, level) && !anyLevel(field, level))
        throw Error(QStringLiteral("%1 is not a valid level").arg(quoted(field)));
    weighting = line.back();
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
    SavedReading reading;
    interpretReading(line, reading.level, reading.weighting);
    reading.line = line;
    return reading;
}

SavedFileReader::SavedFileReader(const QString& path)
    : path_(path), file_(path), buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize))
{
    // Unbuffered: the reader reads big blocks of its own.
    if (!file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file_.errorString()));
    QByteArrayView first;
    bool tooLong = false;
    // A first line too long for any line of a saved file (a binary or a
    // huge text file) is as little the magic line as any other.
    if (!readLine(first, &tooLong) || tooLong || first != QByteArrayView(kSavedFileMagic))
        return;  // not a saved measurement file
    isSavedFile_ = true;
    QByteArrayView total;
    if (!readLine(total))
        fail(QStringLiteral("the Total line is missing"));
    // "Total:" and the number of readings, as the writers write it.
    if (!total.startsWith(kTotalLabel))
        fail(QStringLiteral("%1 is not a Total line (Total: and the number of readings)").arg(quoted(total)));
    const QByteArrayView count = total.sliced(static_cast<qsizetype>(sizeof kTotalLabel) - 1);
    const auto announced = parseInteger(count);
    if (!announced || *announced < 0)
        fail(QStringLiteral("%1 is not a valid count of readings").arg(quoted(count)));
    announced_ = *announced;
}

SavedFileReader::~SavedFileReader() = default;

bool SavedFileReader::refill()
{
    if (atEnd_)
        return false;
    // What is left is less than a line: moving it is cheap.
    const qsizetype left = end_ - begin_;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, static_cast<size_t>(left));
        searched_ -= begin_;
        begin_ = 0;
        end_ = left;
    }
    const qint64 got = file_.read(buffer_.get() + end_, kBufferSize - end_);
    if (got < 0)
        fail(file_.errorString());
    if (got == 0) {
        atEnd_ = true;
        return false;
    }
    end_ += static_cast<qsizetype>(got);
    return true;
}

bool SavedFileReader::readLine(QByteArrayView& line, bool* tooLong)
{
    const char* newline = nullptr;
    for (;;) {
        newline = static_cast<const char*>(
            std::memchr(buffer_.get() + searched_, '\n', static_cast<size_t>(end_ - searched_)));
        if (newline)
            break;
        searched_ = end_;
        if (end_ - begin_ >= kMaxLineLength || !refill())
            break;
    }
    if (begin_ >= end_)
        return false;
    ++lineNumber_;
    const qsizetype stop = newline ? newline - buffer_.get() : end_;
    if (stop - begin_ >= kMaxLineLength) {
        if (!tooLong)
            fail(QStringLiteral("the line is too long for a saved measurement file"));
        *tooLong = true;
        return true;
    }
    qsizetype length = stop - begin_;
    if (length > 0 && buffer_[static_cast<size_t>(stop - 1)] == '\r')
        --length;  // CR LF as written; LF alone is read the same way
    line = QByteArrayView(buffer_.get() + begin_, length);
    begin_ = newline ? stop + 1 : end_;
    searched_ = begin_;
    return true;
}

bool SavedFileReader::next(SavedReadingView& reading)
{
    if (!readLine(reading.line))
        return false;
    try {
        interpretReading(reading.line, reading.level, reading.weighting);
    } catch (const Error& e) {
        fail(e.message());
    }
    return true;
}

bool SavedFileReader::next(SavedReading& reading)
{
    SavedReadingView view;
    if (!next(view))
        return false;
    // Into the line's own bytes: a reading read again and again keeps them.
    reading.line.resize(view.line.size());
    std::memcpy(reading.line.data(), view.line.data(), static_cast<size_t>(view.line.size()));
    reading.level = view.level;
    reading.weighting = view.weighting;
    return true;
}

void SavedFileReader::fail(const QString& what) const
{
    throw Error(QStringLiteral("%1, line %2: %3").arg(printable(QDir::toNativeSeparators(path_))).arg(lineNumber_).arg(what));
}

}  // namespace sonavistor
