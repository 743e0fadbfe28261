#include "export/biff_writer.h"

#include "common/error.h"

#include <QIODevice>

#include <cstring>

namespace sonavistor::biff {

namespace {

inline void put16(char* at, quint32 value)
{
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(char* at, quint32 value)
{
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

// Record header and cell header (row, column, format): 10 bytes.
inline void cell(char* at, quint16 type, int length, int row, int column, quint16 format)
{
    put16(at, type);
    put16(at + 2, static_cast<quint32>(length));
    put16(at + 4, static_cast<quint32>(row));
    put16(at + 6, static_cast<quint32>(column));
    put16(at + 8, format);
}

}  // namespace

void appendBof(QByteArray& out)
{
    char r[12] = {};
    put16(r, 0x0809);
    put16(r + 2, 8);
    put16(r + 4, 0x0000);  // version
    put16(r + 6, 0x0010);  // worksheet
    out.append(r, sizeof r);
}

void appendLabel(QByteArray& out, int row, int column, QByteArrayView text)
{
    char r[12];
    cell(r, 0x0204, static_cast<int>(8 + text.size()), row, column, 0);
    put16(r + 10, static_cast<quint32>(text.size()));
    out.append(r, sizeof r);
    out.append(text.data(), text.size());
}

void appendLabel(QByteArray& out, int row, int column, const QString& text)
{
    const qsizetype start = out.size();
    out.resize(start + 12 + text.size());
    char* r = out.data() + start;
    cell(r, 0x0204, static_cast<int>(8 + text.size()), row, column, 0);
    put16(r + 10, static_cast<quint32>(text.size()));
    char* p = r + 12;
    for (QChar c : text)
        *p++ = c.unicode() <= 0xFF ? static_cast<char>(c.unicode()) : '?';
}

void appendNumber(QByteArray& out, int row, int column, double value)
{
    char r[18];
    cell(r, 0x0203, 14, row, column, 0);
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    put32(r + 10, static_cast<quint32>(bits & 0xFFFFFFFFu));
    put32(r + 14, static_cast<quint32>(bits >> 32));
    out.append(r, sizeof r);
}

void appendRk(QByteArray& out, int row, int column, qint64 value)
{
    char r[14];
    cell(r, 0x027E, 10, row, column, 0);
    // Integer form (bit 1), not scaled by 100 (bit 0 clear); only 30 bits of
    // the value fit, the rest wraps.
    put32(r + 10, static_cast<quint32>(static_cast<quint64>(value) * 4 + 2));
    out.append(r, sizeof r);
}

void appendBlank(QByteArray& out, int row, int column)
{
    char r[10];
    cell(r, 0x0201, 6, row, column, 0x0017);
    out.append(r, sizeof r);
}

void appendEof(QByteArray& out)
{
    char r[4];
    put16(r, 0x000A);
    put16(r + 2, 0);
    out.append(r, sizeof r);
}

QByteArray bof() { QByteArray out; appendBof(out); return out; }
QByteArray label(int row, int column, const QByteArray& text) { QByteArray out; appendLabel(out, row, column, QByteArrayView(text)); return out; }
QByteArray number(int row, int column, double value) { QByteArray out; appendNumber(out, row, column, value); return out; }
QByteArray rk(int row, int column, qint64 value) { QByteArray out; appendRk(out, row, column, value); return out; }
QByteArray blank(int row, int column) { QByteArray out; appendBlank(out, row, column); return out; }
QByteArray eof() { QByteArray out; appendEof(out); return out; }

}  // namespace sonavistor::biff

namespace sonavistor {

namespace {
constexpr qsizetype kFlushAt = 1 << 16;
}

BiffWriter::~BiffWriter() = default;

void BiffWriter::write(const QByteArray& record)
{
    buffer_ += record;
    appended();
}

void BiffWriter::appended()
{
    if (buffer_.size() >= kFlushAt)
        flush();
}

void BiffWriter::flush()
{
    if (buffer_.isEmpty())
        return;
    if (device_.write(buffer_) != buffer_.size())
        throw Error(device_.errorString());
    buffer_.clear();
}

}  // namespace sonavistor
