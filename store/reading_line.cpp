#include "store/reading_line.h"

#include "common/error.h"
#include "common/printable.h"

namespace sonavistor {

namespace {

bool fitsALine(const QString& field)
{
    for (QChar c : field) {
        if (c == QLatin1Char(',') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

void checkField(const QString& field, const char* name)
{
    if (!fitsALine(field))
        throw Error(QStringLiteral("the %1 '%2' holds a comma or a control character")
                        .arg(QLatin1String(name), printable(field)));
}

}  // namespace

QByteArray padded(const QByteArray& text, int width)
{
    if (text.size() >= width)
        return text;
    return text + QByteArray(width - text.size(), ' ');
}

void appendPadded(QByteArray& out, const QString& text, int width)
{
    const qsizetype start = out.size();
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        for (QChar c : text)
            out.append(static_cast<char>(c.unicode()));
    } else {
        out.append(text.toUtf8());
    }
    const qsizetype written = out.size() - start;
    if (written < width)
        out.append(width - written, ' ');
}

void appendReadingLine(QByteArray& out, const ReadingRow& row)
{
    checkField(row.NDate, "date");
    checkField(row.NTime, "time");
    checkField(row.MeaValue, "level");
    checkField(row.Weight, "weighting");
    appendPadded(out, row.NDate, 10);
    out.append(',');
    appendPadded(out, row.NTime, 8);
    out.append(',');
    appendPadded(out, row.MeaValue, 6);
    out.append(',');
    appendPadded(out, row.Weight, 0);
}

}  // namespace sonavistor
