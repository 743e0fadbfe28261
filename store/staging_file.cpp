#include "store/staging_file.h"

#include "common/error.h"
#include "store/reading_line.h"

#include <QDir>

namespace sonavistor {

namespace {

constexpr qsizetype kFlushAt = 1 << 16;

}  // namespace

StagingFile::StagingFile(const QString& folder) : file_(pathIn(folder)) {}

QString StagingFile::pathIn(const QString& folder)
{
    return QDir(folder).filePath(QString::fromLatin1(FileName));
}

StagingFile::~StagingFile()
{
    abandon();
}

void StagingFile::open()
{
    abandon();
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path()), file_.errorString()));
    buffer_ = QByteArray(Header) + "\r\n";
}

namespace {

// The reading line followed by ",RecNo", the number filled to six characters.
void appendImportLine(QByteArray& out, const ReadingRow& row)
{
    appendReadingLine(out, row);
    out.append(',');
    const QByteArray recNo = QByteArray::number(row.RecNo);
    out.append(recNo);
    if (recNo.size() < 6)
        out.append(6 - recNo.size(), ' ');
    out.append("\r\n", 2);
}

}  // namespace

QByteArray StagingFile::importLine(const ReadingRow& row)
{
    QByteArray line;
    appendImportLine(line, row);
    return line;
}

QByteArray StagingFile::savedLine(QByteArrayView saved, qint32 recNo)
{
    // Date and time with their commas, the level field as it stands, the
    // weighting letter (the line's last character), then the new RecNo.
    const QByteArray line = saved.toByteArray();
    const QByteArray weighting = line.isEmpty() ? QByteArray() : line.right(1);
    return line.left(20) + padded(line.mid(20, 6), 6) + ',' + weighting + ',' + QByteArray::number(recNo) + "\r\n";
}

void StagingFile::writeImportRow(const ReadingRow& row)
{
    appendImportLine(buffer_, row);
    if (buffer_.size() >= kFlushAt)
        flush();
}

void StagingFile::writeSavedLine(QByteArrayView saved, qint32 recNo)
{
    buffer_ += savedLine(saved, recNo);
    if (buffer_.size() >= kFlushAt)
        flush();
}

void StagingFile::flush()
{
    if (!file_.isOpen())
        throw Error(QStringLiteral("The staging file %1 is not open").arg(QDir::toNativeSeparators(path())));
    if (file_.write(buffer_) != buffer_.size())
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path()), file_.errorString()));
    buffer_.clear();
}

void StagingFile::close()
{
    flush();
    if (!file_.flush()) {
        const QString error = file_.errorString();
        file_.close();
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path()), error));
    }
    file_.close();
}

void StagingFile::abandon()
{
    buffer_.clear();
    if (file_.isOpen())
        file_.close();
}

}  // namespace sonavistor
