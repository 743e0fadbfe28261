#include "app/child_windows.h"
#include "app/main_window.h"
#include "common/error.h"
#include "help/help_contents.h"
#include "help/help_topic.h"
#include "help/help_viewer_window.h"
#include "setup/html_help.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAccessibleInterface>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

const QString kBuiltHelp = QStringLiteral(SONAVISTOR_PROGRAM_DIR "/quorvane.chm");
const QString kBuiltViewer = QStringLiteral(SONAVISTOR_PROGRAM_DIR "/libquorvanehelp.so");
const char kNotInstalled[] = "HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!";

#define SKIP_WITHOUT_HELP_FILE()                                                                         \
    if (!QFile::exists(kBuiltHelp))                                                                      \
    GTEST_SKIP() << "quorvane.chm was not built: chmcmd (package fp-utils) was missing at configure time"

QString errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e.message();
    }
    return QString();
}

QString fakeCalls(const QString& library)
{
    QLibrary same(library);
    auto calls = reinterpret_cast<const char* (*)()>(same.resolve("fakeHelpCalls"));
    return calls ? QString::fromUtf8(calls()) : QStringLiteral("(not loaded)");
}

}  // namespace

TEST(HtmlHelpCall, LoadsAndInitialisesOnceThenOnlyDisplays)
{
    QTemporaryDir folder;
    const QString library = folder.filePath(kHelpViewerLibrary);
    HtmlHelp help(library);
    EXPECT_EQ(errorOf([&] { help.HtmlHelpCall(nullptr, "a.chm", HH_DISPLAY_TOPIC, 0); }), kNotInstalled);
    EXPECT_EQ(errorOf([&] { help.HtmlHelpCall(nullptr, "a.chm", HH_DISPLAY_TOPIC, 0); }), kNotInstalled);

    // Installed meanwhile: the next call loads it.
    ASSERT_TRUE(QFile::copy(FAKE_HELP_VIEWER, library));
    EXPECT_EQ(help.HtmlHelpCall(nullptr, "/x/\\quorvane.chm::/readme\\welcome.doc", HH_DISPLAY_TOPIC, 0), 7);
    help.HtmlHelpCall(nullptr, "b.chm", HH_DISPLAY_TOPIC, 0);
    help.HtmlHelpCall(nullptr, QString(), HH_CLOSE_ALL, 0);
    EXPECT_EQ(fakeCalls(library), "28:;0:/x/\\quorvane.chm::/readme\\welcome.doc;0:b.chm;18:;");
    EXPECT_EQ(help.cookie(), 42u);
}

TEST(HtmlHelpCall, AViewerWithoutItsEntryPointIsLookedUpAgainAtEveryCall)
{
    QTemporaryDir folder;
    const QString library = folder.filePath(kHelpViewerLibrary);
    ASSERT_TRUE(QFile::copy(NO_ENTRY_LIBRARY, library));
    HtmlHelp help(library);
    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(errorOf([&] { help.HtmlHelpCall(nullptr, QString(), HH_CLOSE_ALL, 0); }),
                  "Function HTMLHELP cannot loaded!");
}

TEST(HelpTopic, ResolvesTheProgramsTopicWithItsDoubledSeparatorsAndBackslashes)
{
    const HelpRequest request = parseHelpRequest("/opt/sonavistor/\\quorvane.chm::/readme\\welcome.doc");
    EXPECT_EQ(request.file, "/opt/sonavistor/quorvane.chm");
    EXPECT_EQ(request.topic, "/readme/welcome.doc");
    EXPECT_EQ(parseHelpRequest("help.chm").topic, "");

    const QStringList pages{"/readme/welcome.html", "/a.htm", "/b.doc"};
    const auto exists = [&](const QString& p) { return pages.contains(p); };
    EXPECT_EQ(resolveTopic(request.topic, exists), "/readme/welcome.html");
    EXPECT_EQ(resolveTopic("readme//welcome.html#start", exists), "/readme/welcome.html#start");
    EXPECT_EQ(resolveTopic("/a.doc", exists), "/a.htm");
    EXPECT_EQ(resolveTopic("/b.doc", exists), "/b.doc");
    EXPECT_EQ(resolveTopic("/nothing.doc", exists), "");
}

TEST(HelpContents, ReadsNestedEntriesOfTheSitemap)
{
    const auto entries = parseContents(R"(<OBJECT type="text/site properties"><param name="x" value="y"></OBJECT>
        <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="A &amp; B"><param name="Local" value="a.html"></OBJECT>
          <UL><LI><object type="text/sitemap"><PARAM NAME="name" VALUE='A1'><param name="Local" value=a1.html></object></UL>
        <LI><OBJECT type="text/sitemap"><param name="Name" value="B"></OBJECT></UL>)");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "A & B");
    EXPECT_EQ(entries[0].local, "a.html");
    ASSERT_EQ(entries[0].children.size(), 1u);
    EXPECT_EQ(entries[0].children[0].name, "A1");
    EXPECT_EQ(entries[0].children[0].local, "a1.html");
    EXPECT_EQ(entries[1].name, "B");
    EXPECT_TRUE(parseContents("no sitemap at all").empty());
}

TEST(HelpViewer, ShowsTheWelcomePageWithContentsLinksPicturesHistoryAndFind)
{
    SKIP_WITHOUT_HELP_FILE();
    HelpViewerWindow viewer;
    viewer.showTopic(QStringLiteral(SONAVISTOR_PROGRAM_DIR "/\\quorvane.chm::/readme\\welcome.doc"));
    EXPECT_EQ(viewer.problem(), "");
    EXPECT_EQ(viewer.currentPage(), "/readme/welcome.html");
    // A screen reader announces a window with its title, not a "filler".
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&viewer);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), viewer.windowTitle());
    auto* contents = viewer.findChild<QTreeWidget*>("HelpContents");
    ASSERT_EQ(contents->topLevelItemCount(), 8);
    EXPECT_EQ(contents->topLevelItem(0)->text(0), "Getting started");
    EXPECT_EQ(contents->currentItem(), contents->topLevelItem(0));
    auto* page = viewer.findChild<ChmBrowser*>("HelpPage");
    EXPECT_FALSE(page->loadResource(QTextDocument::ImageResource, QUrl("../images/meter.png")).toByteArray().isEmpty());

    emit page->anchorClicked(QUrl("../live_window.html"));  // a relative link
    EXPECT_EQ(viewer.currentPage(), "/live_window.html");
    page->backward();
    EXPECT_EQ(viewer.currentPage(), "/readme/welcome.html");
    page->forward();
    EXPECT_EQ(viewer.currentPage(), "/live_window.html");
    emit contents->itemActivated(contents->topLevelItem(5), 0);
    EXPECT_EQ(viewer.currentPage(), "/setup_clock.html");

    EXPECT_TRUE(viewer.find("eight hours"));
    EXPECT_TRUE(viewer.find("eight hours"));  // wraps round to the only match
    EXPECT_FALSE(viewer.find("no such phrase"));
    EXPECT_EQ(viewer.findChild<QLabel*>("HelpFindStatus")->text(), "Not found");
}

TEST(HelpViewer, SaysWhyAFileOrTopicCannotBeShown)
{
    SKIP_WITHOUT_HELP_FILE();
    QTemporaryDir dir;
    QFile built(kBuiltHelp);
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const QByteArray whole = built.readAll();
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    };
    HelpViewerWindow viewer;
    viewer.showTopic(dir.filePath("missing.chm") + "::/readme/welcome.html");
    EXPECT_EQ(viewer.problem(), "The help file " + dir.filePath("missing.chm") + " cannot be found.");
    viewer.showTopic(write("text.chm", "<html>not compiled</html>"));
    EXPECT_TRUE(viewer.problem().endsWith("is damaged or is not a compiled help file."));
    for (const qsizetype cut : {qsizetype(50), qsizetype(2000), whole.size() / 2, whole.size() - 100}) {
        viewer.showTopic(write("cut.chm", whole.left(cut)) + "::/readme/welcome.html");
        EXPECT_FALSE(viewer.problem().isEmpty()) << cut;
    }
    viewer.showTopic(kBuiltHelp + "::/nothing.html");
    EXPECT_EQ(viewer.problem(), "The topic /nothing.html does not exist in " + kBuiltHelp + ".");
    // A link to a page that is not there says so in place of the page.
    viewer.showTopic(kBuiltHelp);
    EXPECT_EQ(viewer.currentPage(), "/readme/welcome.html");  // the file's default page
    emit viewer.findChild<ChmBrowser*>("HelpPage")->anchorClicked(QUrl("../gone.html"));
    EXPECT_EQ(viewer.problem(), "The topic /gone.html does not exist in " + kBuiltHelp + ".");
}

TEST(HelpCommand, OpensTheWelcomePageAndTheProgramsClosingClosesIt)
{
    SKIP_WITHOUT_HELP_FILE();
    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    auto form = std::make_unique<MainWindow>(AppEnvironment{folder.path(), "sonavistor", locks.path(), &messages});
    installStandardWindows(*form);
    form->show();
    // Without its library, Help from the menu says so in the error box.
    form->findChild<QAction*>("Help")->trigger();
    EXPECT_EQ(messages.texts(), QStringList(kNotInstalled));

    ASSERT_TRUE(QFile::copy(kBuiltViewer, folder.file(kHelpViewerLibrary)));
    ASSERT_TRUE(QFile::copy(kBuiltHelp, folder.file("quorvane.chm")));
    form->openHelp();
    form->openHelp();  // the same window again
    const QList<QWidget*> viewers = form->findChildren<QWidget*>("HelpViewer");
    ASSERT_EQ(viewers.size(), 1);
    QPointer<QWidget> viewer = viewers[0];
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->findChild<QTextBrowser*>("HelpPage")->source().path(), "/readme/welcome.html");
    saveScreenshot(viewer, "help-viewer-welcome");

    messages.answer(Yes);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(viewer);
}
