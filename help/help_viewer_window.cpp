#include "help/help_viewer_window.h"

#include "help/help_contents.h"
#include "help/help_topic.h"

#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sonavistor {

namespace {

constexpr char kScheme[] = "chm";
constexpr char kTitle[] = "Sonavistor Help";
constexpr char kNotFound[] = "Not found";

QUrl pageUrl(const QString& path)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    url.setPath(hash < 0 ? path : path.left(hash));
    if (hash >= 0)
        url.setFragment(path.mid(hash + 1));
    return url;
}

QString problemPage(const QString& text)
{
    return QStringLiteral("<html><body><h3>The help cannot be shown</h3><p>%1</p></body></html>")
        .arg(text.toHtmlEscaped());
}

constexpr int kLocalRole = Qt::UserRole;

}  // namespace

// ---------------------------------------------------------------- browser

ChmBrowser::ChmBrowser(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl url = link.isRelative() ? page_.resolved(link) : link;
        if (url.scheme() == QLatin1String(kScheme))
            setSource(url);
        else
            QDesktopServices::openUrl(url);  // the web, mail
    });
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name)
{
    const QUrl url = name.isRelative() ? page_.resolved(name) : name;
    if (url.scheme() != QLatin1String(kScheme) || !archive_)
        return QVariant();
    QByteArray bytes;
    const ChmArchive::ReadResult result = archive_->read(url.path(), &bytes);
    if (type != QTextDocument::HtmlResource)
        return result == ChmArchive::ReadResult::Ok ? QVariant(bytes) : QVariant();  // a missing picture stays blank

    page_ = url;
    switch (result) {
    case ChmArchive::ReadResult::Ok:
        problem_.clear();
        return QString::fromUtf8(bytes);
    case ChmArchive::ReadResult::Missing:
        problem_ = QStringLiteral("The topic %1 does not exist in %2.").arg(url.path(), archive_->path());
        break;
    case ChmArchive::ReadResult::Damaged:
        problem_ = QStringLiteral("The topic %1 cannot be read: the help file %2 is damaged.")
                       .arg(url.path(), archive_->path());
        break;
    }
    return problemPage(problem_);
}

// ---------------------------------------------------------------- window

namespace {

// A plain widget reads as a "filler" to a screen reader; this one is a window
// of its own, named by its title.
QAccessibleInterface* helpWindowAccessible(const QString&, QObject* object)
{
    if (auto* window = qobject_cast<HelpViewerWindow*>(object))
        return new QAccessibleWidget(window, QAccessible::Window);
    return nullptr;
}

}  // namespace

HelpViewerWindow::HelpViewerWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    static const bool factoryInstalled = (QAccessible::installFactory(helpWindowAccessible), true);
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QString::fromLatin1(kTitle));
    resize(900, 640);

    auto* outer = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    const auto tool = [this, bar](const char* name, const QString& text, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(b);
        return b;
    };
    back_ = tool("HelpBack", QStringLiteral("Back"), QStyle::SP_ArrowBack);
    forward_ = tool("HelpForward", QStringLiteral("Forward"), QStyle::SP_ArrowForward);
    bar->addStretch(1);
    findText_ = new QLineEdit(this);
    findText_->setObjectName(QStringLiteral("HelpFind"));
    findText_->setPlaceholderText(QStringLiteral("Find in page"));
    findText_->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(findText_);
    bar->addWidget(findLabel);
    bar->addWidget(findText_);
    QToolButton* previous = tool("HelpFindPrevious", QStringLiteral("Previous"), QStyle::SP_ArrowUp);
    QToolButton* next = tool("HelpFindNext", QStringLiteral("Next"), QStyle::SP_ArrowDown);
    // The keys a web browser uses for the same commands.
    const std::pair<QToolButton*, QKeySequence::StandardKey> keys[] = {
        {back_, QKeySequence::Back}, {forward_, QKeySequence::Forward},
        {previous, QKeySequence::FindPrevious}, {next, QKeySequence::FindNext}};
    for (const auto& [button, key] : keys) {
        button->setShortcut(key);
        button->setToolTip(button->text() + QStringLiteral(" (") +
                           button->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }
    findStatus_ = new QLabel(this);
    findStatus_->setObjectName(QStringLiteral("HelpFindStatus"));
    bar->addWidget(findStatus_);
    outer->addLayout(bar);

    auto* split = new QSplitter(Qt::Horizontal, this);
    contents_ = new QTreeWidget(split);
    contents_->setObjectName(QStringLiteral("HelpContents"));
    contents_->setAccessibleName(QStringLiteral("Contents"));
    contents_->setHeaderLabel(QStringLiteral("Contents"));
    // Entries are never cut short: in a large font the list scrolls sideways.
    contents_->header()->setStretchLastSection(false);
    contents_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    page_ = new ChmBrowser(split);
    page_->setObjectName(QStringLiteral("HelpPage"));
    page_->setAccessibleName(QStringLiteral("Help page"));
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 1);
    split->setSizes({240, 660});
    outer->addWidget(split, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, page_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, page_, &QTextBrowser::forward);
    connect(page_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(page_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(page_, &QTextBrowser::sourceChanged, this, &HelpViewerWindow::markCurrentEntry);
    connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const QString local = item->data(0, kLocalRole).toString();
        if (!local.isEmpty() && archive_)
            page_->setSource(pageUrl(local));
    });
    connect(contents_, &QTreeWidget::itemClicked, contents_, &QTreeWidget::itemActivated);
    connect(findText_, &QLineEdit::returnPressed, this, [this] { find(findText_->text()); });
    connect(next, &QToolButton::clicked, this, [this] { find(findText_->text()); });
    connect(previous, &QToolButton::clicked, this, [this] { find(findText_->text(), true); });
}

HelpViewerWindow::~HelpViewerWindow()
{
    page_->setArchive(nullptr);
}

void HelpViewerWindow::showTopic(const QString& fileAndTopic)
{
    const HelpRequest request = parseHelpRequest(fileAndTopic);
    if (!archive_ || request.file != openPath_)
        openFile(request.file);
    if (!archive_)
        return;
    QString topic = request.topic;
    if (topic.isEmpty())
        topic = archive_->defaultTopic();
    if (topic.isEmpty() && contents_->topLevelItemCount() > 0)
        topic = contents_->topLevelItem(0)->data(0, kLocalRole).toString();
    const QString page = resolveTopic(topic, [this](const QString& p) { return archive_->contains(p); });
    if (page.isEmpty()) {
        showProblem(QStringLiteral("The topic %1 does not exist in %2.")
                        .arg(topic.isEmpty() ? QStringLiteral("(none)") : topic, archive_->path()));
        return;
    }
    problem_.clear();
    page_->setSource(pageUrl(page));
}

void HelpViewerWindow::openFile(const QString& path)
{
    page_->setArchive(nullptr);
    archive_.reset();
    contents_->clear();
    page_->clear();
    page_->clearHistory();
    openPath_ = path;
    QString problem;
    archive_ = ChmArchive::open(path, &problem);
    if (!archive_) {
        showProblem(problem);
        return;
    }
    page_->setArchive(archive_.get());
    setWindowTitle(archive_->title().isEmpty() ? QString::fromLatin1(kTitle) : archive_->title());
    QByteArray sitemap;
    if (!archive_->contentsFile().isEmpty() &&
        archive_->read(archive_->contentsFile(), &sitemap) == ChmArchive::ReadResult::Ok) {
        fillContents(nullptr, parseContents(QString::fromUtf8(sitemap)));
        contents_->expandAll();
    }
}

void HelpViewerWindow::fillContents(QTreeWidgetItem* parent, const std::vector<ContentsEntry>& entries)
{
    for (const ContentsEntry& entry : entries) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
        item->setText(0, entry.name);
        if (!entry.local.isEmpty())
            item->setData(0, kLocalRole, normalisedTopic(entry.local));
        fillContents(item, entry.children);
    }
}

void HelpViewerWindow::showProblem(const QString& text)
{
    problem_ = text;
    page_->setHtml(problemPage(text));
}

void HelpViewerWindow::markCurrentEntry(const QUrl& page)
{
    const QString current = page.path();
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        if ((*it)->data(0, kLocalRole).toString().compare(current, Qt::CaseInsensitive) == 0) {
            contents_->setCurrentItem(*it);
            return;
        }
    }
}

QString HelpViewerWindow::currentPage() const
{
    return page_->source().scheme() == QLatin1String(kScheme) ? page_->source().path() : QString();
}

QString HelpViewerWindow::problem() const
{
    return problem_.isEmpty() ? page_->problem() : problem_;
}

bool HelpViewerWindow::find(const QString& text, bool backward)
{
    findStatus_->clear();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (page_->find(text, flags))
        return true;
    // Once more from the other end of the page.
    QTextCursor cursor = page_->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    page_->setTextCursor(cursor);
    if (page_->find(text, flags))
        return true;
    findStatus_->setText(QString::fromLatin1(kNotFound));
    return false;
}

}  // namespace sonavistor
