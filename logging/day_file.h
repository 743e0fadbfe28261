#pragma once
// One calendar day's saved file as the logger keeps it (YYYY-MM-DD.qrv in
// the logging folder): its reading lines in memory, written out as a whole
// saved file that replaces the old one only when complete, so the file on
// disk is always the last good state.

#include <QByteArray>
#include <QDate>
#include <QString>

namespace sonavistor {

class DayFile {
public:
    DayFile(const QString& folder, const QDate& day);

    // "2026-12-01.qrv"
    static QString fileName(const QDate& day);

    const QDate& day() const { return day_; }
    const QString& path() const { return path_; }

    // Takes in the readings the file holds already (none when there is no
    // file). A file that is no saved file, or does not read to its end, is
    // renamed to NAME.damaged (NAME.damaged-2, ...) and the day starts
    // empty; the returned text says so (empty otherwise). Throws Error when
    // the file can be neither read nor renamed.
    QString load();

    // A reading line without its line end.
    void append(const QByteArray& line);
    qint64 rows() const { return rows_; }
    qint64 savedRows() const { return savedRows_; }  // in the file on disk
    bool dirty() const { return dirty_; }

    // Writes the file. On failure the old file stays as it was and error says why.
    bool save(QString* error);

private:
    QDate day_;
    QString path_;
    QByteArray lines_;  // the reading lines, each with CR LF
    qint64 rows_ = 0;
    qint64 savedRows_ = 0;
    bool dirty_ = false;
};

}  // namespace sonavistor
