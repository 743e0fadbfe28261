#pragma once
// The worksheet records of the classic binary spreadsheet format, as the
// exporter writes them: BOF, LABEL, NUMBER, RK, BLANK and EOF, nothing else.
// All integers little-endian; row and column numbers are 16-bit in the file.

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace sonavistor {

namespace biff {

// Each record appended to out, or returned on its own.
void appendBof(QByteArray& out);
void appendLabel(QByteArray& out, int row, int column, QByteArrayView text);
// A text cell from a string, as 8-bit Latin-1 text ("?" for what it cannot hold).
void appendLabel(QByteArray& out, int row, int column, const QString& text);
void appendNumber(QByteArray& out, int row, int column, double value);
void appendRk(QByteArray& out, int row, int column, qint64 value);
void appendBlank(QByteArray& out, int row, int column);
void appendEof(QByteArray& out);

QByteArray bof();
QByteArray label(int row, int column, const QByteArray& text);
QByteArray number(int row, int column, double value);
QByteArray rk(int row, int column, qint64 value);  // (value * 4 + 2) modulo 2^32
QByteArray blank(int row, int column);
QByteArray eof();

}  // namespace biff

// Streams records to a device through a buffer. Throws Error when a write fails.
class BiffWriter {
public:
    explicit BiffWriter(QIODevice& device) : device_(device) {}
    ~BiffWriter();
    void write(const QByteArray& record);
    // The buffer to append records to; flushed as it fills.
    QByteArray& buffer() { return buffer_; }
    void appended();
    void flush();

private:
    QIODevice& device_;
    QByteArray buffer_;
};

}  // namespace sonavistor
