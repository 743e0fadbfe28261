// An installed program's side files: defaults from the installed data folder,
// settings and working database in the user's folders, made on the first start.
#include "app/close_on_signal.h"
#include "app/main_window.h"
#include "common/meter_settings.h"
#include "common/program_folder.h"
#include "common/shell_state.h"
#include "store/measurement_db.h"
#include "tests/support/scripted_messages.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Sets an environment variable for the length of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QString& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnv() { had_ ? (void)qputenv(name_, old_) : (void)qunsetenv(name_); }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

constexpr char kDefaultSettings[] = "[Calyxor OPTIONS]\r\nCOMPANY_NAME=Shipped\r\nSYSTEMHAL=850\r\n";

// <root>/usr/bin with the program, <root>/usr/share/sonavistor with the
// defaults, and the user's folders under <root>/home.
class Installed : public ::testing::Test {
protected:
    Installed()
    {
        QDir().mkpath(bin());
        writeFile(defaults() + "/Quorvane.INI", kDefaultSettings);
        QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"), defaults() + "/quorvane_en.rav");
    }

    QString bin() const { return root.filePath("usr/bin"); }
    QString defaults() const { return root.filePath("usr/share/sonavistor"); }
    QString config() const { return root.filePath("home/config/sonavistor"); }
    QString data() const { return root.filePath("home/data/sonavistor"); }

    MainWindow& start(const QString& settingsFolder, const QString& workingFolder)
    {
        AppEnvironment env{defaults(), "sonavistor", locks.path(), &messages, nullptr};
        env.settingsFolder = settingsFolder;
        env.workingFolder = workingFolder;
        env.userFolders = true;
        form = std::make_unique<MainWindow>(env);
        form->show();
        QApplication::processEvents();
        return *form;
    }

    void TearDown() override
    {
        if (form) {
            messages.answer(Yes);
            form->close();
        }
    }

    QTemporaryDir root;
    QTemporaryDir locks;
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> form;
};

}  // namespace

TEST_F(Installed, TheLayoutFollowsTheDataFolderBesideTheProgram)
{
    const ScopedEnv configHome("XDG_CONFIG_HOME", root.filePath("home/config"));
    const ScopedEnv dataHome("XDG_DATA_HOME", root.filePath("home/data"));

    ProgramFiles files = locateProgramFiles(bin(), "sonavistor");
    EXPECT_TRUE(files.userFolders);
    EXPECT_EQ(files.defaultsFolder, defaults());
    EXPECT_EQ(files.settingsFolder, config());
    EXPECT_EQ(files.workingFolder, data());
    EXPECT_EQ(locateProgramFiles(bin(), "sonavistor-demo").settingsFolder, config() + "-demo");

    // A folder of its own (a build tree, a portable copy) keeps everything.
    QTemporaryDir portable;
    files = locateProgramFiles(portable.path(), "sonavistor");
    EXPECT_FALSE(files.userFolders);
    EXPECT_EQ(files.defaultsFolder, portable.path());
    EXPECT_EQ(files.settingsFolder, portable.path());
    EXPECT_EQ(files.workingFolder, portable.path());
}

TEST_F(Installed, FirstStartMakesTheUserFilesAndClosingWritesTheSettingsThere)
{
    start(config(), data());
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_EQ(readFile(config() + "/Quorvane.INI"), kDefaultSettings);
    EXPECT_TRUE(QFileInfo(config() + "/Quorvane.INI").isWritable());
    EXPECT_EQ(MeterSettings.CompanyName, "Shipped");
    EXPECT_TRUE(form->database().isOpen());
    EXPECT_TRUE(QFile::exists(data() + "/Quorvane.db"));

    MeterSettings.CompanyName = QStringLiteral("Mine");
    messages.answer(Yes);
    form->close();
    form.reset();
    EXPECT_TRUE(readFile(config() + "/Quorvane.INI").contains("COMPANY_NAME=Mine"));
    EXPECT_EQ(readFile(defaults() + "/Quorvane.INI"), kDefaultSettings);

    // The next start keeps the user's settings.
    start(config(), data());
    EXPECT_EQ(MeterSettings.CompanyName, "Mine");
}

TEST_F(Installed, UserFoldersThatCannotBeMadeAreReportedAndMeasuringGoesOn)
{
    // A folder below a file cannot be made, whoever runs the test.
    writeFile(root.filePath("home/file"), "x");
    start(root.filePath("home/file/config"), root.filePath("home/file/data"));

    ASSERT_EQ(messages.shown().size(), 2) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(messages.shown()[0].text.contains(root.filePath("home/file/config")));
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages.shown()[1].text, "Connect Access Failed!");
    EXPECT_EQ(MeterSettings.CompanyName, "Shipped");  // the defaults
    EXPECT_TRUE(ShellState.MeasureEnabled);
    EXPECT_FALSE(form->database().isOpen());
}

TEST_F(Installed, TerminationClosesWithoutTheQuestionAndWritesTheSettings)
{
    CloseOnSignal closer;
    start(config(), data());
    closer.setTarget(form.get());
    MeterSettings.CompanyName = QStringLiteral("Signalled");

    std::raise(SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form->isVisible(); }, 2000));
    EXPECT_TRUE(closer.requested());
    EXPECT_TRUE(messages.shown().isEmpty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(readFile(config() + "/Quorvane.INI").contains("COMPANY_NAME=Signalled"));
}
