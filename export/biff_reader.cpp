#include "export/biff_reader.h"

#include <QFile>

#include <cstring>

namespace sonavistor {

namespace {

quint16 u16(const char* p)
{
    return static_cast<quint16>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
}

quint32 u32(const char* p)
{
    return static_cast<quint32>(u16(p)) | static_cast<quint32>(u16(p + 2)) << 16;
}

QVariant rkValue(quint32 rk)
{
    double v = 0;
    if (rk & 2) {
        v = static_cast<double>(static_cast<qint32>(rk) >> 2);
    } else {
        const quint64 bits = static_cast<quint64>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    if (rk & 1)
        v /= 100;
    if ((rk & 3) == 2)
        return static_cast<qint64>(v);
    return v;
}

}  // namespace

QVariant BiffSheet::cell(int row, int column) const
{
    const auto it = cells.find({row, column});
    return it == cells.end() ? QVariant() : it->second;
}

BiffSheet readBiffSheet(const QByteArray& bytes)
{
    BiffSheet sheet;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    bool started = false;
    while (at + 4 <= size) {
        const int type = u16(data + at);
        const int length = u16(data + at + 2);
        if (at + 4 + length > size)
            throw Error(QStringLiteral("record at byte %1 runs past the end of the file").arg(at));
        const char* body = data + at + 4;
        at += 4 + length;
        if (!started) {
            if (type != 0x0809)
                throw Error(QStringLiteral("the file does not begin with a BOF record"));
            started = true;
            continue;
        }
        if (type == 0x000A)
            return sheet;
        if (length < 6)
            throw Error(QStringLiteral("record 0x%1 too short").arg(type, 4, 16, QLatin1Char('0')));
        const int row = u16(body);
        const int column = u16(body + 2);
        QVariant value;
        switch (type) {
        case 0x0204: {
            const int n = length >= 8 ? u16(body + 6) : -1;
            if (n < 0 || 8 + n > length)
                throw Error(QStringLiteral("LABEL at row %1 column %2 is cut short").arg(row).arg(column));
            value = QString::fromLatin1(body + 8, n);
            break;
        }
        case 0x0203: {
            if (length < 14)
                throw Error(QStringLiteral("NUMBER at row %1 is cut short").arg(row));
            double v = 0;
            std::memcpy(&v, body + 6, sizeof v);
            value = v;
            break;
        }
        case 0x027E:
            if (length < 10)
                throw Error(QStringLiteral("RK at row %1 is cut short").arg(row));
            value = rkValue(u32(body + 6));
            break;
        case 0x0201:
            break;  // a blank cell
        default:
            throw Error(QStringLiteral("unknown record 0x%1").arg(type, 4, 16, QLatin1Char('0')));
        }
        sheet.cells[{row, column}] = value;
        sheet.lastRow = std::max(sheet.lastRow, row);
    }
    throw Error(QStringLiteral("the file ends without an EOF record"));
}

BiffSheet readBiffFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return readBiffSheet(file.readAll());
}

}  // namespace sonavistor
