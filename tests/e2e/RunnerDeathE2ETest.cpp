// Movarin killed mid-run (the out-of-memory killer, a logout, a crash): the
// encoders it started must not go on converting unseen, and nothing may lie
// under a final name. The runner runs in a helper process, with the staged
// lib/ffmpeg and the real FFmpeg below it.
#include "encoder/ChildRun.h"
#include "encoder/TempDir.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Waits up to a second for every pid to be gone; kills what is left.
void ExpectGoneWithinASecond(const std::vector<pid_t>& pids)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    auto anyAlive = [&] {
        return std::any_of(pids.begin(), pids.end(), [](pid_t pid) { return IsAlive(pid); });
    };
    while (anyAlive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const pid_t pid : pids) {
        EXPECT_FALSE(IsAlive(pid)) << "pid " << pid << " outlived its killed parent";
        if (IsAlive(pid))
            kill(pid, SIGKILL);
    }
}

TEST(RunnerDeath, NoEncoderOutlivesAKilledParentByASecond)
{
    TempDir dir;
    const std::string source = dir.File("源.mpg");
    const ChildResult made = RunChild("/usr/bin/ffmpeg",
        {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=3:size=640x480:rate=25",
         "-f", "lavfi", "-i", "sine=duration=3", "-c:v", "mpeg2video", "-c:a", "mp2", source});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    // Movarin's own line, in real time and looped, so that only a death ends it.
    const std::string output = dir.File("第1話.mp4");
    ThConvertInfoObjectList list;
    std::string line = list.ConvertArguments(source, output);
    line.replace(line.find(" -i "), 4, " -re -stream_loop -1 -i ");

    Child parent(MOVARIN_PARENT_HELPER, {MOVARIN_ENCODER_FRONT + line});
    ASSERT_TRUE(parent.ReadUntil("time=")) << "no progress";
    const std::vector<pid_t> fronts = ChildrenOf(parent.Pid());
    ASSERT_EQ(fronts.size(), 1u);
    const std::vector<pid_t> encoders = ChildrenOf(fronts[0]);
    ASSERT_EQ(encoders.size(), 1u);
    ASSERT_TRUE(fs::exists(movarin::PartialName(output)));

    parent.Signal(SIGKILL);
    EXPECT_EQ(parent.Wait(), 128 + SIGKILL);
    ExpectGoneWithinASecond({fronts[0], encoders[0]});
    EXPECT_FALSE(fs::exists(output)) << "a final name holds an unfinished video";
}

TEST(RunnerDeath, ASilentChildOutlivesNoKilledParentEither)
{
    // Writes nothing, so no closed pipe tells it: only the runner's tie to
    // its parent can end it.
    Child parent(MOVARIN_PARENT_HELPER, {"/bin/sh -c \"echo started; exec sleep 60\""});
    ASSERT_TRUE(parent.ReadUntil("started"));
    const std::vector<pid_t> children = ChildrenOf(parent.Pid());
    ASSERT_EQ(children.size(), 1u);
    parent.Signal(SIGKILL);
    parent.Wait();
    ExpectGoneWithinASecond(children);
}

} // namespace
