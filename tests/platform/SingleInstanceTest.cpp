#include "platform/SingleInstance.h"

#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using movarin::LockResult;
using movarin::SingleInstanceLock;

namespace {
// Starts the helper; returns once it has reported its outcome.
std::unique_ptr<QProcess> StartHelper(const QString& folder, QString& said)
{
    auto p = std::make_unique<QProcess>();
    p->start(LOCK_HELPER_PATH, {folder});
    EXPECT_TRUE(p->waitForStarted(10000));
    while (!p->canReadLine() && p->state() == QProcess::Running)
        p->waitForReadyRead(10000);
    said = QString::fromUtf8(p->readLine()).trimmed();
    return p;
}
} // namespace

TEST(SingleInstanceLock, OneHolderAtATimeAndAKilledHolderFreesIt)
{
    QTemporaryDir dir;
    QString said;

    auto first = StartHelper(dir.path(), said);
    ASSERT_EQ(said, "acquired");

    auto second = StartHelper(dir.path(), said);
    EXPECT_EQ(said, "held");
    second->waitForFinished(10000);
    EXPECT_EQ(second->exitCode(), 3);

    SingleInstanceLock here(dir.path().toStdString());
    EXPECT_EQ(here.TryAcquire(), LockResult::HeldElsewhere);
    EXPECT_FALSE(here.Held());

    first->kill(); // SIGKILL: no clean-up code runs in the holder
    ASSERT_TRUE(first->waitForFinished(10000));

    auto third = StartHelper(dir.path(), said);
    EXPECT_EQ(said, "acquired");
    third->kill();
    third->waitForFinished(10000);

    EXPECT_EQ(here.TryAcquire(), LockResult::Acquired);
    EXPECT_EQ(here.TryAcquire(), LockResult::Acquired);
    auto fourth = StartHelper(dir.path(), said);
    EXPECT_EQ(said, "held");
    fourth->waitForFinished(10000);
}

TEST(SingleInstanceLock, AChildDoesNotInheritTheLock)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    pid_t child = -1;
    {
        SingleInstanceLock lock(folder);
        ASSERT_EQ(lock.TryAcquire(), LockResult::Acquired);
        // The pipe closes at the child's exec; until then the child holds
        // copies of every descriptor, close-on-exec or not.
        int execDone[2];
        ASSERT_EQ(::pipe2(execDone, O_CLOEXEC), 0);
        child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(execDone[1]);
        char c;
        while (::read(execDone[0], &c, 1) > 0) {
        }
        ::close(execDone[0]);
    }
    // The lock object is gone; a leaked descriptor in the child would keep
    // the lock held.
    SingleInstanceLock again(folder);
    EXPECT_EQ(again.TryAcquire(), LockResult::Acquired);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(SingleInstanceLock, OtherFailuresLetTheStartGoOn)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();

    SingleInstanceLock missing(folder + "/no such folder");
    EXPECT_EQ(missing.TryAcquire(), LockResult::Failed);

    // A planted link is never followed.
    std::filesystem::create_symlink(folder + "/elsewhere", folder + "/MOVARIN_RUNNING");
    SingleInstanceLock planted(folder);
    EXPECT_EQ(planted.TryAcquire(), LockResult::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder + "/elsewhere"));
}
