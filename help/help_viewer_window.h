#pragma once
// The help viewer's window: the table of contents on the left, the page on
// the right, back and forward, and find in page. Pages and pictures come
// from a compiled help file.

#include "help/chm_archive.h"

#include <QTextBrowser>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace sonavistor {

struct ContentsEntry;

// Shows pages of the open help file; links to other places go to the desktop.
class ChmBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit ChmBrowser(QWidget* parent = nullptr);
    void setArchive(const ChmArchive* archive) { archive_ = archive; }
    QVariant loadResource(int type, const QUrl& name) override;

    // The last page could not be shown; what was said about it.
    const QString& problem() const { return problem_; }

private:
    const ChmArchive* archive_ = nullptr;
    QUrl page_;
    QString problem_;
};

class HelpViewerWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewerWindow(QWidget* parent = nullptr);
    ~HelpViewerWindow() override;

    // "file::topic" (see help_topic.h): opens the file unless it is open
    // already, and shows the topic, or says why it cannot.
    void showTopic(const QString& fileAndTopic);

    // The page shown ("/readme/welcome.html"), empty when none.
    QString currentPage() const;
    // What the window says instead of a page, empty while a page shows.
    QString problem() const;

    // Finds text in the page from the cursor on, wrapping at the end; false
    // (and "Not found") when the page does not hold it.
    bool find(const QString& text, bool backward = false);

private:
    void openFile(const QString& path);
    void fillContents(QTreeWidgetItem* parent, const std::vector<ContentsEntry>& entries);
    void showProblem(const QString& text);
    void markCurrentEntry(const QUrl& page);

    std::unique_ptr<ChmArchive> archive_;
    QString openPath_;
    QString problem_;
    QTreeWidget* contents_ = nullptr;
    ChmBrowser* page_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLabel* findStatus_ = nullptr;
};

}  // namespace sonavistor
