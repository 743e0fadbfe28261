#include "export/biff_writer.h"

#include "app/error.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace sonavistor::biff {

namespace {

void put16(QByteArray& out, quint32 value)
{
    const quint16 v = static_cast<quint16>(value & 0xFFFF);
    char bytes[2];
    qToLittleEndian(v, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray record(quint16 type, const QByteArray& body)
{
    QByteArray out;
    out.reserve(4 + body.size());
    put16(out, type);
    put16(out, static_cast<quint32>(body.size()));
    out += body;
    return out;
}

QByteArray cellHeader(int row, int column, quint16 format)
{
    QByteArray body;
    put16(body, static_cast<quint32>(row));
    put16(body, static_cast<quint32>(column));
    put16(body, format);
    return body;
}

}  // namespace

QByteArray bof()
{
    QByteArray body;
    put16(body, 0x0000);  // version
    put16(body, 0x0010);  // worksheet
    put32(body, 0);
    return record(0x0809, body);
}

QByteArray label(int row, int column, const QByteArray& text)
{
    QByteArray body = cellHeader(row, column, 0);
    put16(body, static_cast<quint32>(text.size()));
    body += text;
    return record(0x0204, body);
}

QByteArray number(int row, int column, double value)
{
    QByteArray body = cellHeader(row, column, 0);
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[8];
    qToLittleEndian(bits, bytes);
    body.append(bytes, 8);
    return record(0x0203, body);
}

QByteArray rk(int row, int column, qint64 value)
{
    QByteArray body = cellHeader(row, column, 0);
    // Integer form (bit 1), not scaled by 100 (bit 0 clear); only 30 bits of
    // the value fit, the rest wraps.
    put32(body, static_cast<quint32>(static_cast<quint64>(value) * 4 + 2));
    return record(0x027E, body);
}

QByteArray blank(int row, int column)
{
    return record(0x0201, cellHeader(row, column, 0x0017));
}

QByteArray eof()
{
    return record(0x000A, QByteArray());
}

}  // namespace sonavistor::biff

namespace sonavistor {

void BiffWriter::write(const QByteArray& record)
{
    if (device_.write(record) != record.size())
        throw Error(device_.errorString());
}

}  // namespace sonavistor
