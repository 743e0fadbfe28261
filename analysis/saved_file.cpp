#include "analysis/saved_file.h"

#include "app/error.h"
#include "store/staging_file.h"

#include <QDir>
#include <QSaveFile>

namespace sonavistor {

namespace {

// A line longer than this is no reading line; it also keeps a binary file
// from being read into memory in one piece.
constexpr qint64 kMaxLineLength = 4096;

QString quoted(const QByteArray& text)
{
    return QStringLiteral("'%1'").arg(QString::fromLatin1(text));
}

std::optional<qint64> parseInteger(const QByteArray& text)
{
    // Leading blanks are allowed, as the conversion always allowed them.
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == ' ')
        ++begin;
    const QByteArray digits = text.mid(begin);
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

namespace {

void appendReadingLine(QByteArray& out, const ReadingRow& row)
{
    appendPadded(out, row.NDate, 10);
    out.append(',');
    appendPadded(out, row.NTime, 8);
    out.append(',');
    appendPadded(out, row.MeaValue, 6);
    out.append(',');
    appendPadded(out, row.Weight, 0);
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

void writeSavedFile(const QString& path, const std::vector<ReadingRow>& rows,
                    const std::function<void(qint64)>& progress)
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
    qint64 n = 0;
    for (const ReadingRow& row : rows) {
        appendReadingLine(text, row);
        text.append("\r\n", 2);
        if (progress)
            progress(++n);
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
    reading.dateTime = line.left(20);
    reading.levelField = line.mid(20, 6);
    QByteArray level = reading.levelField;
    if (!level.contains('.')) {
        // A level written without its decimal: cut at the first blank, add ".0".
        const qsizetype blank = level.indexOf(' ');
        if (blank >= 0)
            level.truncate(blank);
        level += ".0";
    }
    level = level.trimmed();
    // The last character is the tenths digit, everything before the last two
    // characters the whole part.
    const char tenths = level.isEmpty() ? 0 : level.back();
    const auto whole = parseInteger(level.left(level.size() - 2));
    if (level.size() < 3 || tenths < '0' || tenths > '9' || !whole || level[level.size() - 2] != '.')
        throw Error(QStringLiteral("%1 is not a valid level").arg(quoted(reading.levelField)));
    reading.level = static_cast<double>(*whole) + (tenths - '0') / 10.0;
    reading.weighting = line.isEmpty() ? 0 : line.back();
    return reading;
}

SavedFileReader::SavedFileReader(const QString& path) : path_(path), file_(path)
{
    if (!file_.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file_.errorString()));
    QByteArray first;
    if (!readLine(first) || first != kSavedFileMagic)
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

bool SavedFileReader::readLine(QByteArray& line)
{
    if (file_.atEnd())
        return false;
    line = file_.readLine(kMaxLineLength);
    ++lineNumber_;
    if (line.size() >= kMaxLineLength - 1 && !line.endsWith('\n'))
        fail(QStringLiteral("the line is too long for a saved measurement file"));
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);  // CR LF as written; LF alone is read the same way
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
