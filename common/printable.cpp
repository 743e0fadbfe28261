#include "common/printable.h"

namespace sonavistor {

namespace {

void appendEscaped(QString& out, uint code)
{
    out += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
}

}  // namespace

QString printable(QByteArrayView bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\')
            out += QLatin1Char(c);
        else if (byte == '\\')
            out += QStringLiteral("\\\\");
        else
            appendEscaped(out, byte);
    }
    return out;
}

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            appendEscaped(out, c.unicode());
        else
            out += c;
    }
    return out;
}

}  // namespace sonavistor
