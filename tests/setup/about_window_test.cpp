#include "app/child_windows.h"
#include "app/main_window.h"
#include "common/shell_state.h"
#include "setup_window/about_window.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<MainWindow>(AppEnvironment{folder.path(), "sonavistor", locks.path(), &messages});
        installStandardWindows(*form);
        form->show();
    }
    void TearDown() override
    {
        messages.answer(Yes);
        form->close();
    }
    QMdiSubWindow* open()
    {
        form->openAbout();
        QMdiSubWindow* sub = form->mdiArea()->subWindowList().value(0);
        about = sub ? qobject_cast<AboutWindow*>(sub->widget()) : nullptr;
        return sub;
    }
    bool aboutOffered()
    {
        form->everySecond();
        return form->findChild<QAction*>("A1")->isEnabled();
    }
    void closeDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> form;
    QPointer<AboutWindow> about;
};

}  // namespace

TEST_F(AboutWindowTest, ShowsNameVersionAndSystemAndIsOfferedAgainAfterOkOrTheCloseBox)
{
    QMdiSubWindow* sub = open();
    ASSERT_TRUE(about);
    EXPECT_EQ(sub->size(), QSize(539, 324));
    EXPECT_EQ(sub->pos(), QPoint((form->width() - 539) / 2, (form->height() - 324) / 4));
    EXPECT_FALSE(sub->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about->windowTitle(), "About Sonavistor");
    const auto label = [this](const char* name) { return about->findChild<QLabel*>(name); };
    EXPECT_EQ(label("Label5")->text(), "Sonavistor");
    EXPECT_EQ(label("Label5")->geometry(), QRect(24, 16, 157, 33));
    EXPECT_EQ(label("Label5")->font().pixelSize(), 21);
    EXPECT_TRUE(label("Label5")->font().bold());
    EXPECT_EQ(label("Label7")->text(), "Version: 1.3 (Build 09.0105)");
    EXPECT_EQ(label("Label7")->font().families().value(0), "Times New Roman");
    EXPECT_EQ(about->findChild<QFrame*>("Bevel1")->geometry().topLeft(), QPoint(24, 129));
    // The kernel's name and major version, then the distribution's name.
    EXPECT_EQ(label("Label1")->text(), QStringLiteral("Linux %1 ( %2 )")
                                           .arg(QSysInfo::kernelVersion().section('.', 0, 0),
                                                QSysInfo::prettyProductName()));
    EXPECT_EQ(about->findChild<QPushButton*>("BitBtn1")->geometry(), QRect(228, 200, 73, 25));
    EXPECT_EQ(about->findChild<QPushButton*>("BitBtn1")->text(), "O&K");
    saveScreenshot(sub, "about-window");

    EXPECT_FALSE(aboutOffered());
    form->openAbout();  // not offered: no second window
    EXPECT_EQ(form->mdiArea()->subWindowList().size(), 1);
    about->findChild<QPushButton*>("BitBtn1")->click();
    closeDeferred();
    EXPECT_FALSE(about);
    EXPECT_TRUE(aboutOffered());

    open()->close();  // the close box
    closeDeferred();
    EXPECT_FALSE(about);
    EXPECT_TRUE(aboutOffered());
}

TEST(AboutSystemLine, KeepsTheDesignTextWhenTheVersionCannotBeRead)
{
    AboutWindow about(std::nullopt);
    EXPECT_EQ(about.findChild<QLabel*>("Label1")->text(), "Linux");
    AboutWindow windows(OsVersion{"Windows NT", 6, ""});
    EXPECT_EQ(windows.findChild<QLabel*>("Label1")->text(), "Windows NT 6 (  )");
}
