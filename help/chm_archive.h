#pragma once
// A compiled help file (.chm) read through chmlib: its pages and images by
// path ("/readme/welcome.html"), its table of contents file, default topic
// and title.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

struct chmFile;

namespace sonavistor {

class ChmArchive {
public:
    // Opens the file; null with *problem set (the text the viewer shows)
    // when it is missing, unreadable or not a compiled help file.
    static std::unique_ptr<ChmArchive> open(const QString& path, QString* problem);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    enum class ReadResult { Ok, Missing, Damaged };
    // The object at path (letter case does not matter).
    ReadResult read(const QString& path, QByteArray* bytes) const;
    bool contains(const QString& path) const;

    const QString& path() const { return path_; }
    // From the file's system information; empty when it names none.
    const QString& contentsFile() const { return contentsFile_; }
    const QString& defaultTopic() const { return defaultTopic_; }
    const QString& title() const { return title_; }

private:
    ChmArchive(chmFile* handle, QString path);
    void readSystemInformation();

    chmFile* handle_;
    QString path_;
    QString contentsFile_;
    QString defaultTopic_;
    QString title_;
};

}  // namespace sonavistor
