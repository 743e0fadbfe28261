#include "widgets/wave_file.h"

#include <QFile>
#include <QtEndian>

namespace sonavistor {

namespace {

// The chunks before the sound data (format, lists, facts) are small.
constexpr qint64 kHeadBytes = 64 * 1024;

quint32 u32(const QByteArray& b, qint64 at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint16 u16(const QByteArray& b, qint64 at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

}  // namespace

std::optional<QString> waveProblem(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < 12 || !head.startsWith("RIFF") || head.sliced(8, 4) != "WAVE")
        return QStringLiteral("not a RIFF wave file");
    bool haveFormat = false;
    qint64 at = 12;
    while (at + 8 <= head.size()) {
        const QByteArray id = head.sliced(at, 4);
        const qint64 size = u32(head, at + 4);
        const qint64 body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > head.size())
                return QStringLiteral("format chunk too short");
            const quint16 format = u16(head, body);
            const quint16 channels = u16(head, body + 2);
            const quint32 rate = u32(head, body + 4);
            const quint16 bits = u16(head, body + 14);
            // PCM, IEEE float, or the extensible form of either.
            if (format != 1 && format != 3 && format != 0xFFFE)
                return QStringLiteral("sound format %1 is not supported").arg(format);
            if (channels == 0 || rate == 0 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
                return QStringLiteral("bad sound format");
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return QStringLiteral("sound data before the format");
            if (size == 0)
                return QStringLiteral("no sound data");
            if (body + size > fileSize)
                return QStringLiteral("the file ends before its sound data does");
            return std::nullopt;
        }
        at = body + size + (size & 1);  // chunks are padded to even lengths
    }
    return QStringLiteral("no sound data");
}

std::optional<QString> waveFileProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return waveProblem(file.read(kHeadBytes), file.size());
}

}  // namespace sonavistor
