#include "store/staging_file.h"

#include "app/error.h"

#include <QDir>

namespace sonavistor {

namespace {

constexpr qsizetype kFlushAt = 1 << 16;

}  // namespace

QByteArray padded(const QByteArray& text, int width)
{
    if (text.size() >= width)
        return text;
    return text + QByteArray(width - text.size(), ' ');
}

StagingFile::StagingFile(const QString& folder)
    : file_(QDir(folder).filePath(QString::fromLatin1(FileName)))
{
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

QByteArray StagingFile::importLine(const ReadingRow& row)
{
    return padded(row.NDate.toUtf8(), 10) + ',' + padded(row.NTime.toUtf8(), 8) + ',' +
           padded(row.MeaValue.toUtf8(), 6) + ',' + row.Weight.toUtf8() + ',' +
           padded(QByteArray::number(row.RecNo), 6) + "\r\n";
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
    buffer_ += importLine(row);
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
