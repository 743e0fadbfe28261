#include "app/main_window.h"
#include "common/single_instance.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"

#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// Starts a process that holds the lock until it is killed.
class LockHolder {
public:
    LockHolder(const QString& folder, const QString& title)
    {
        process_.start(QStringLiteral(INSTANCE_LOCK_PROBE), {"hold", folder, title});
        started_ = process_.waitForReadyRead(10000) && process_.readAll().startsWith("locked");
    }
    ~LockHolder() { kill(); }
    bool started() const { return started_; }
    void kill()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();  // SIGKILL: the lock file stays behind, as after a crash
            process_.waitForFinished(10000);
        }
    }

private:
    QProcess process_;
    bool started_ = false;
};

int tryLockInAnotherProcess(const QString& folder, const QString& title)
{
    return QProcess::execute(QStringLiteral(INSTANCE_LOCK_PROBE), {"try", folder, title});
}

}  // namespace

TEST(SingleInstance, SecondProcessIsRefusedWhileTheFirstRuns)
{
    QTemporaryDir locks;
    LockHolder first(locks.path(), "sonavistor");
    ASSERT_TRUE(first.started());
    EXPECT_EQ(tryLockInAnotherProcess(locks.path(), "sonavistor"), 3);
    EXPECT_TRUE(SingleInstance::heldByAnother("sonavistor", locks.path()));
    // Another title is another program.
    EXPECT_EQ(tryLockInAnotherProcess(locks.path(), "sonavistor-demo"), 0);
}

TEST(SingleInstance, StaleLockOfACrashedInstanceDoesNotBlock)
{
    QTemporaryDir locks;
    LockHolder crashed(locks.path(), "sonavistor");
    ASSERT_TRUE(crashed.started());
    crashed.kill();
    ASSERT_TRUE(QFile::exists(lockFilePath("sonavistor", locks.path())));
    EXPECT_FALSE(SingleInstance::heldByAnother("sonavistor", locks.path()));
    EXPECT_EQ(tryLockInAnotherProcess(locks.path(), "sonavistor"), 0);
}

TEST(SingleInstance, ProbesNeverSeeEachOtherAsTheOwner)
{
    // The logger probes the program's lock at every reading while a meter
    // command probes it too; neither may take it, not even for a moment.
    QTemporaryDir locks;
    std::atomic<bool> done = false;
    std::thread other([&] {
        while (!done)
            SingleInstance::heldByAnother("sonavistor", locks.path());
    });
    int seenHeld = 0;
    for (int i = 0; i < 2000; ++i)
        seenHeld += SingleInstance::heldByAnother("sonavistor", locks.path());
    done = true;
    other.join();
    EXPECT_EQ(seenHeld, 0);
    EXPECT_FALSE(QFile::exists(lockFilePath("sonavistor", locks.path())));
}

TEST(SingleInstance, MainWindowOfASecondInstanceTouchesNothing)
{
    QTemporaryDir locks;
    LockHolder first(locks.path(), "sonavistor");
    ASSERT_TRUE(first.started());

    ProgramFolder folder;
    ScriptedMessages messages;
    AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, nullptr};
    {
        MainWindow second(env);
        EXPECT_FALSE(second.startedUp());
        ASSERT_EQ(messages.shown().size(), 1);
        EXPECT_EQ(messages.shown()[0].text, "sorry, this program only run one instance at a time!");
        second.close();
    }
    EXPECT_FALSE(folder.exists("Quorvane.INI"));
    EXPECT_EQ(messages.shown().size(), 1);  // no exit question either
}
