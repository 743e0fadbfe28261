// Every window at a 14-point font (run at a 150 % scale factor): no caption
// or label is cut off, and every control Tab reaches has a name for a screen
// reader. Screenshots go to build/screenshots/large_text_*.png.
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/qt_file_dialogs.h"
#include "app/qt_message_service.h"
#include "common/shell_state.h"
#include "measure/measure_state.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_link.h"
#include "help/help_viewer_window.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/accessibility.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// The texts in window that do not fit their control, as "name: text".
QStringList cutOffTexts(QWidget* window, bool withGridTitles)
{
    QStringList cut;
    const auto check = [&cut](QWidget* w, const QString& text, int extraWidth) {
        if (text.isEmpty() || !w->isVisibleTo(w->window()) || w->objectName() == QLatin1String("Announcements"))
            return;
        const QFontMetrics fm(w->font());
        const QStringList lines = text.split(QLatin1Char('\n'));
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, fm.horizontalAdvance(QString(line).remove(QLatin1Char('&'))));
        const QRect room = w->contentsRect();
        if (widest + extraWidth > room.width() || fm.height() * lines.size() > room.height())
            cut << w->objectName() + QStringLiteral(": ") + text;
    };
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text()))
            continue;
        if (!label->wordWrap()) {
            check(label, label->text(), 2 * label->margin() + 2 * label->indent());
        } else if (label->isVisibleTo(label->window()) && !label->text().isEmpty()) {
            // Wrapped at its width: the lines fit its height, no word is wider.
            const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                                              -label->margin());
            const QRect need = QFontMetrics(label->font())
                                   .boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap,
                                                 QString(label->text()).remove(QLatin1Char('&')));
            if (need.width() > room.width() || need.height() > room.height())
                cut << label->objectName() + QStringLiteral(" (wrapped): ") + label->text();
        }
    }
    for (QHeaderView* header : window->findChildren<QHeaderView*>()) {
        if (!withGridTitles || header->orientation() != Qt::Horizontal || !header->isVisibleTo(window) ||
            !header->model())
            continue;
        const QFontMetrics fm(header->font());
        for (int c = 0; c < header->count(); ++c) {
            const QString title = header->model()->headerData(c, Qt::Horizontal).toString();
            if (!header->isSectionHidden(c) && fm.horizontalAdvance(title) + 4 > header->sectionSize(c))
                cut << header->parentWidget()->objectName() + QStringLiteral(" column: ") + title;
        }
    }
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (!qobject_cast<QToolButton*>(button) ||
            static_cast<QToolButton*>(button)->toolButtonStyle() != Qt::ToolButtonIconOnly)
            check(button, button->text(), button->icon().isNull() ? 4 : button->iconSize().width() + 8);
    return cut;
}

class LargeText : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFont large = QApplication::font();
        large.setPointSize(14);
        QApplication::setFont(large);
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        form->resize(1280, 860);
        form->show();
        plugSimulatedMeter(platform, demoScenarioFor({}));
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    }
    void TearDown() override
    {
        MeasureState.LiveDataSaved = true;
        messages.answer(Yes);
        form->close();
        form.reset();
        QApplication::setFont(normal);
    }
    void look(const char* name, bool withGridTitles = true)
    {
        settle(300);
        QMdiSubWindow* sub = form->mdiArea()->activeSubWindow();
        ASSERT_NE(sub, nullptr) << name;
        sub->showMaximized();
        settle(100);
        EXPECT_FALSE(saveScreenshot(form.get(), QStringLiteral("large_text_") + QLatin1String(name)).isEmpty());
        const QStringList cut = cutOffTexts(sub->widget(), withGridTitles);
        EXPECT_TRUE(cut.isEmpty()) << name << ": " << cut.join(QStringLiteral(" | ")).toStdString();
        const QStringList unnamed = unnamedTabStops(sub->widget());
        EXPECT_TRUE(unnamed.isEmpty()) << name << " without a name: " << unnamed.join(' ').toStdString();
    }

    QFont normal = QApplication::font();
    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    FakeHidPlatform platform;
    std::unique_ptr<MainWindow> form;
};

}  // namespace

TEST_F(LargeText, EveryWindowShowsItsTextsWhole)
{
    form->measureInRealTime();
    look("measure");
    form->importData();
    look("import");
    form->openDataView();
    look("data_view");
    form->openSystemSetup();
    look("setup");
    form->openAbout();
    look("about");
}

TEST_F(LargeText, TheHelpViewerShowsItsTextsWhole)
{
    const QString help = QStringLiteral(SONAVISTOR_PROGRAM_DIR "/quorvane.chm");
    if (!QFile::exists(help))
        GTEST_SKIP() << "quorvane.chm was not built: chmcmd (package fp-utils) was missing at configure time";
    HelpViewerWindow viewer;
    viewer.showTopic(help.left(help.size() - 13) + QStringLiteral("/\\quorvane.chm::/readme\\welcome.doc"));
    viewer.show();
    settle(100);
    EXPECT_FALSE(saveScreenshot(&viewer, QStringLiteral("large_text_help")).isEmpty());
    EXPECT_TRUE(cutOffTexts(&viewer, true).isEmpty()) << cutOffTexts(&viewer, true).join(" | ").toStdString();
    EXPECT_TRUE(unnamedTabStops(&viewer).isEmpty()) << unnamedTabStops(&viewer).join(' ').toStdString();
}

namespace {

// Runs show, which opens a modal box; checks the box while it is open, with
// a screenshot, then closes it. Returns the texts it cut off.
QStringList cutOffInModal(const std::function<void()>& show, const QString& screenshot)
{
    QStringList cut{QStringLiteral("no box opened")};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
        saveScreenshot(box, screenshot);
        cut = cutOffTexts(box, true);
        box->done(QDialog::Rejected);
    });
    poll.start(20);
    show();
    return cut;
}

}  // namespace

TEST_F(LargeText, MessageBoxesAndTheSaveBoxShowTheirTextsWhole)
{
    const QString path = QStringLiteral("/home/measurer/Documents/Sonavistor measurements/"
                                        "2026-12-10 north wall of the workshop, afternoon shift.qrv");
    QtMessageService boxes;
    const MessageRequest requests[] = {
        // A path without a space to break at.
        {QStringLiteral("Cannot write file \"%1\". No space left on device").arg(QString(path).replace(' ', '_')),
         QStringLiteral("Error"),
         MessageIcon::Error, Ok, Ok},
        {path + QStringLiteral(" already exits!\rAre you sure to replace it?"), QStringLiteral("Query Information"),
         MessageIcon::Question, Yes | No, No},
        {QStringLiteral("Up-load data have not save yet!\rDo you want to save data?"),
         QStringLiteral("Query Information"), MessageIcon::Question, Yes | No | Cancel, Yes},
    };
    int n = 0;
    for (const MessageRequest& request : requests) {
        const QStringList cut = cutOffInModal([&] { boxes.show(request); },
                                              QStringLiteral("large_text_message_%1").arg(++n));
        EXPECT_TRUE(cut.isEmpty()) << cut.join(QStringLiteral(" | ")).toStdString();
    }
    QtFileDialogs files;
    const QStringList cut = cutOffInModal([&] { files.getSaveFileName(form.get(), QStringLiteral("*.QRV|*.QRV|*.qrv|*.qrv"), QStringLiteral("qrv")); },
                                          QStringLiteral("large_text_save_box"));
    EXPECT_TRUE(cut.isEmpty()) << cut.join(QStringLiteral(" | ")).toStdString();
}
