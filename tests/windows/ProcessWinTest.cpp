// The Windows side of process spawning under Wine: arguments reach the child
// unchanged, output and exit codes come back, a missing program is reported,
// a kill ends the child's whole tree through its Job Object, and the pipes
// behave as the runner's loop expects.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/CommandLine.h"
#include "platform/Process.h"
#include "platform/WinApi.h"

using movarin::ChildProcess;
using movarin::UniqueFd;

namespace {

const std::string Helper = MOVARIN_WIN_CHILD_HELPER;

struct Pipes {
    UniqueFd inRead, inWrite, outRead, outWrite;
    Pipes()
    {
        EXPECT_EQ(movarin::CreatePipe(inRead, inWrite), 0);
        EXPECT_EQ(movarin::CreatePipe(outRead, outWrite), 0);
    }
};

// Everything the child writes until it closes its end.
std::string ReadToEnd(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = movarin::ReadRetry(fd, buffer, sizeof buffer);
        if (n <= 0)
            return text;
        text.append(buffer, std::size_t(n));
    }
}

std::uint32_t WaitExit(ChildProcess& child)
{
    for (int i = 0; i < 1000; ++i) {
        int error = 0;
        if (auto code = child.PollExit(error))
            return *code;
        EXPECT_EQ(error, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "child did not end";
    return 0xFFFFFFFF;
}

} // namespace

TEST(ChildProcessWin, ArgumentsArriveUnchangedAndOutputComesBack)
{
    const std::vector<std::string> args = {
        "plain", "two words", "quote\"inside", "trailing\\", R"(back\\slash "q")", "日本語 ファイル.mp4", "",
    };
    std::vector<std::string> argv = {Helper, "args"};
    argv.insert(argv.end(), args.begin(), args.end());
    Pipes p;
    ChildProcess child;
    ASSERT_EQ(child.Start(argv, p.inRead.Get(), p.outWrite.Get()), 0);
    p.outWrite.Reset();
    std::string expected;
    for (const std::string& a : args)
        expected += a + "\n";
    EXPECT_EQ(ReadToEnd(p.outRead.Get()), expected);
    EXPECT_EQ(WaitExit(child), 0u);
}

TEST(ChildProcessWin, ExitCodeBothStreamsAndMissingPrograms)
{
    Pipes p;
    ChildProcess child;
    ASSERT_EQ(child.Start({Helper, "exit", "7"}, p.inRead.Get(), p.outWrite.Get()), 0);
    p.outWrite.Reset();
    EXPECT_EQ(ReadToEnd(p.outRead.Get()), "to stdout\r\nto stderr\r\n");
    EXPECT_EQ(WaitExit(child), 7u);

    for (const char* missing : {"no-such-program-movarin", "Z:/no/such/folder/prog", "lib/ffmpeg-none"}) {
        Pipes q;
        ChildProcess none;
        EXPECT_EQ(none.Start({missing}, q.inRead.Get(), q.outWrite.Get()), ENOENT) << missing;
        EXPECT_FALSE(none.Started());
    }
}

TEST(ChildProcessWin, KillEndsTheChildAndWhatItStarted)
{
    const std::string pidFile = (std::filesystem::temp_directory_path() / "movarin-tree-pid").generic_string();
    std::filesystem::remove(pidFile);
    Pipes p;
    ChildProcess child;
    ASSERT_EQ(child.Start({Helper, "tree", pidFile}, p.inRead.Get(), p.outWrite.Get()), 0);
    DWORD grandchildId = 0;
    for (int i = 0; i < 500 && !grandchildId; ++i) {
        std::ifstream(pidFile) >> grandchildId;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_NE(grandchildId, 0u);
    movarin::win::UniqueHandle grandchild(::OpenProcess(SYNCHRONIZE, FALSE, grandchildId));
    ASSERT_TRUE(grandchild.Valid());
    child.KillGroupAndReap();
    EXPECT_EQ(::WaitForSingleObject(grandchild.Get(), 5000), WAIT_OBJECT_0);
    std::filesystem::remove(pidFile);
}

TEST(PipesWin, NonBlockingEndsTakeWhatFitsAndPollSeesOutput)
{
    UniqueFd r, w;
    ASSERT_EQ(movarin::CreatePipe(r, w), 0);
    ASSERT_EQ(movarin::SetNonBlocking(r.Get()), 0);
    ASSERT_EQ(movarin::SetNonBlocking(w.Get()), 0);
    char byte;
    EXPECT_EQ(movarin::ReadRetry(r.Get(), &byte, 1), -1);
    EXPECT_EQ(errno, EAGAIN);
    pollfd idle[1] = {{r.Get(), POLLIN, 0}};
    EXPECT_EQ(movarin::PollRetry(idle, 1, 30), 0);

    // More than the pipe holds: part goes in, then the full pipe says EAGAIN.
    const std::string big(1 << 20, 'x');
    const ssize_t put = movarin::WriteRetry(w.Get(), big.data(), big.size());
    EXPECT_GT(put, 0);
    EXPECT_LT(put, ssize_t(big.size()));
    EXPECT_EQ(movarin::WriteRetry(w.Get(), big.data(), big.size()), -1);
    EXPECT_EQ(errno, EAGAIN);
    std::size_t waiting = 0;
    EXPECT_EQ(movarin::BytesWaiting(r.Get(), waiting), 0);
    EXPECT_EQ(waiting, std::size_t(put));
    pollfd ready[1] = {{r.Get(), POLLIN, 0}};
    EXPECT_EQ(movarin::PollRetry(ready, 1, 1000), 1);
    EXPECT_EQ(ready[0].revents, POLLIN);
}

