#pragma once
// A throw-away program folder with the side files a test asks for.

#include <QString>
#include <QTemporaryDir>

namespace sonavistor::test {

class ProgramFolder {
public:
    // withReportProject: ship "quorvane_en.rav" as a real installation does;
    // withDatabase: an empty working database "Quorvane.db", as the build makes.
    explicit ProgramFolder(bool withReportProject = true, bool withDatabase = true);

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const;
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;
    // Copies a side file shipped in resources/ (sounds, report project).
    void copyResource(const QString& name) const;

private:
    QTemporaryDir dir_;
};

}  // namespace sonavistor::test
