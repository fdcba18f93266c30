#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <sstream>
#include <unistd.h>

#include "platform/Process.h"
#include "ProcessTestSupport.h"

using namespace movarin;

namespace {

// Starts the helper with the given steps; collects its whole output.
struct HelperRun {
    std::uint32_t exitCode = 0;
    std::string output;
};

HelperRun RunChild(const std::vector<std::string>& argv, std::uint32_t priorityClass = 0,
                   const EnvironmentChanges& environment = {})
{
    UniqueFd inRead, inWrite, outRead, outWrite;
    EXPECT_EQ(CreatePipe(inRead, inWrite), 0);
    EXPECT_EQ(CreatePipe(outRead, outWrite), 0);
    ChildProcess child;
    EXPECT_EQ(child.Start(argv, inRead.Get(), outWrite.Get(), priorityClass, environment), 0);
    outWrite.Reset();
    HelperRun run;
    char buffer[256];
    ssize_t n;
    while ((n = ReadRetry(outRead.Get(), buffer, sizeof buffer)) > 0)
        run.output.append(buffer, std::size_t(n));
    int error = 0;
    std::optional<std::uint32_t> code;
    while (!(code = child.PollExit(error)) && error == 0)
        usleep(1000);
    EXPECT_EQ(error, 0);
    run.exitCode = code.value_or(0);
    return run;
}

HelperRun RunHelper(const std::vector<std::string>& steps)
{
    std::vector<std::string> argv{MOVARIN_CHILD_HELPER};
    argv.insert(argv.end(), steps.begin(), steps.end());
    return RunChild(argv);
}

} // namespace

TEST(ChildProcess, PriorityBelowNormalLowersTheChildAndNeverRaisesIt)
{
    errno = 0;
    const int own = getpriority(PRIO_PROCESS, 0);
    ASSERT_EQ(errno, 0);
    const std::pair<std::uint32_t, int> cases[] = {
        {0, own}, {0x20, own}, {BelowNormalPriority, std::max(own, 10)}, {IdlePriority, 19}};
    for (const auto& [priorityClass, nice] : cases) {
        // The shell's child inherits it too, as FFmpeg does from the encoder front.
        const HelperRun run = RunChild({"sh", "-c", "sh -c nice"}, priorityClass);
        EXPECT_EQ(run.output, std::to_string(nice) + "\n") << priorityClass;
    }
}

TEST(ChildProcess, EnvironmentChangesAddToAndReplaceTheParents)
{
    ASSERT_EQ(setenv("MOVARIN_TEST_KEPT", "parent", 1), 0);
    ASSERT_EQ(setenv("MOVARIN_TEST_REPLACED", "parent", 1), 0);
    const std::vector<std::string> show = {
        "sh", "-c", "env | grep -c '^MOVARIN_TEST_REPLACED='; "
                    "echo \"$MOVARIN_TEST_KEPT|$MOVARIN_TEST_REPLACED|$MOVARIN_TEST_ADDED\""};
    EXPECT_EQ(RunChild(show, 0, {{"MOVARIN_TEST_REPLACED", "child"}, {"MOVARIN_TEST_ADDED", "a=b c"}}).output,
              "1\nparent|child|a=b c\n");
    EXPECT_EQ(RunChild(show).output, "1\nparent|parent|\n");
    unsetenv("MOVARIN_TEST_KEPT");
    unsetenv("MOVARIN_TEST_REPLACED");
}

TEST(ChildProcess, ExitCodesAndMixedStreams)
{
    HelperRun run = RunHelper({"w:out\\n", "e:err\\n", "x:3"});
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(run.output, "out\nerr\n");
    EXPECT_EQ(RunHelper({"k:9"}).exitCode, 128u + SIGKILL);
}

TEST(ChildProcess, FailedExecIsReportedBackAndLeavesNoZombie)
{
    UniqueFd inRead, inWrite, outRead, outWrite;
    ASSERT_EQ(CreatePipe(inRead, inWrite), 0);
    ASSERT_EQ(CreatePipe(outRead, outWrite), 0);
    ChildProcess missing;
    EXPECT_EQ(missing.Start({"/nonexistent/program"}, inRead.Get(), outWrite.Get()), ENOENT);
    EXPECT_FALSE(missing.Started());
    ChildProcess bare;
    EXPECT_EQ(bare.Start({"movarin-no-such-program-anywhere"}, inRead.Get(), outWrite.Get()), ENOENT);
    ChildProcess empty;
    EXPECT_EQ(empty.Start({}, inRead.Get(), outWrite.Get()), ENOENT);

    // A file that is there but may not be executed.
    char path[] = "/tmp/movarin-noexec-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ChildProcess noExec;
    EXPECT_EQ(noExec.Start({path}, inRead.Get(), outWrite.Get()), EACCES);
    unlink(path);
    EXPECT_TRUE(NoChildProcesses());
}

TEST(ChildProcess, BareNameIsFoundThroughPath)
{
    UniqueFd inRead, inWrite, outRead, outWrite;
    ASSERT_EQ(CreatePipe(inRead, inWrite), 0);
    ASSERT_EQ(CreatePipe(outRead, outWrite), 0);
    ChildProcess child;
    ASSERT_EQ(child.Start({"sh", "-c", "exit 5"}, inRead.Get(), outWrite.Get()), 0);
    int error = 0;
    std::optional<std::uint32_t> code;
    while (!(code = child.PollExit(error)) && error == 0)
        usleep(1000);
    EXPECT_EQ(code, 5u);
}

TEST(ChildProcess, OnlyTheStandardStreamsReachTheChild)
{
    // Descriptors that this test process itself lets children inherit are
    // not the spawner's to close; everything else must stay behind.
    std::set<int> inheritable{0, 1, 2};
    for (int fd : OpenDescriptors()) {
        int flags = fcntl(fd, F_GETFD);
        if (flags >= 0 && !(flags & FD_CLOEXEC))
            inheritable.insert(fd);
    }
    HelperRun run = RunHelper({"fds"});
    std::set<int> childFds;
    std::istringstream list(run.output);
    for (int fd; list >> fd;)
        childFds.insert(fd);
    // The helper's own directory listing holds one more.
    EXPECT_EQ(childFds.size(), inheritable.size() + 1) << run.output;
    for (int fd : inheritable)
        EXPECT_TRUE(childFds.count(fd)) << fd;
}

TEST(ChildProcess, GroupKillTakesTheGrandchildAlong)
{
    const std::string pidFile = TempPath("grandchild");
    UniqueFd inRead, inWrite, outRead, outWrite;
    ASSERT_EQ(CreatePipe(inRead, inWrite), 0);
    ASSERT_EQ(CreatePipe(outRead, outWrite), 0);
    {
        ChildProcess child;
        ASSERT_EQ(child.Start({MOVARIN_CHILD_HELPER, "g:" + pidFile, "w:ready\\n", "s:60000"},
                              inRead.Get(), outWrite.Get()), 0);
        char buffer[16];
        ASSERT_GT(ReadRetry(outRead.Get(), buffer, sizeof buffer), 0);
        // The destructor kills and reaps what is still running.
    }
    const pid_t grandchild = ReadPid(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(WaitUntilGone(grandchild));
    EXPECT_TRUE(NoChildProcesses());
    unlink(pidFile.c_str());
}
