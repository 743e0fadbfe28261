#pragma once
// The worksheet records of the classic binary spreadsheet format, as the
// exporter writes them: BOF, LABEL, NUMBER, RK, BLANK and EOF, nothing else.
// All integers little-endian; row and column numbers are 16-bit in the file.

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace sonavistor {

namespace biff {

QByteArray bof();
QByteArray label(int row, int column, const QByteArray& text);
QByteArray number(int row, int column, double value);
QByteArray rk(int row, int column, qint64 value);  // (value * 4 + 2) modulo 2^32
QByteArray blank(int row, int column);
QByteArray eof();

}  // namespace biff

// Streams records to a device. Throws Error when a write fails.
class BiffWriter {
public:
    explicit BiffWriter(QIODevice& device) : device_(device) {}
    void write(const QByteArray& record);

private:
    QIODevice& device_;
};

}  // namespace sonavistor
