#include "encoder/EncoderLocator.h"
#include "encoder/sandbox/OutputGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

using movarin::encoder::FileIdentity;
using movarin::encoder::FindProgram;
using movarin::encoder::OutputGuard;
namespace fs = std::filesystem;

TEST(OutputGuard, FailedRunLeavesNothingItWrote)
{
    TempDir dir;
    const std::string fresh = dir.File("new.mp4");
    const std::string kept = dir.File("old.mp4");
    const std::string overwritten = dir.File("overwritten.mp4");
    WriteFile(kept, "an earlier video");
    WriteFile(overwritten, "an earlier video");
    const OutputGuard guard({fresh, kept, overwritten});

    WriteFile(fresh, "");           // FFmpeg's 0-byte leftover
    WriteFile(overwritten, "trunc"); // -y truncated it, then failed
    std::string report;
    EXPECT_EQ(guard.Settle(1, report), 1);
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_FALSE(fs::exists(overwritten));
    EXPECT_TRUE(fs::exists(kept)) << "a file the run never touched is not the run's to remove";
    EXPECT_EQ(report, "");
}

TEST(OutputGuard, SuccessWithoutOutputIsAFailure)
{
    TempDir dir;
    const std::string written = dir.File("a.mp4");
    const std::string missing = dir.File("thumb.JPG");
    const std::string empty = dir.File("b.mp4");
    {
        const OutputGuard guard({written});
        WriteFile(written, "video");
        std::string report;
        EXPECT_EQ(guard.Settle(0, report), 0);
        EXPECT_TRUE(fs::exists(written));
        EXPECT_EQ(report, "");
    }
    {
        // A thumbnail of a source shorter than its one-second seek.
        const OutputGuard guard({missing});
        std::string report;
        EXPECT_EQ(guard.Settle(0, report), OutputGuard::kNoOutputExitCode);
        EXPECT_NE(report.find(missing), std::string::npos);
    }
    {
        const OutputGuard guard({empty});
        WriteFile(empty, "");
        std::string report;
        EXPECT_NE(guard.Settle(0, report), 0);
        EXPECT_FALSE(fs::exists(empty));
    }
    {
        // Exit 0 but the old file is still there untouched: not a result, not removed.
        const OutputGuard guard({written});
        std::string report;
        EXPECT_NE(guard.Settle(0, report), 0);
        EXPECT_TRUE(fs::exists(written));
    }
    {
        // Rewritten with the same size within the same second: only the
        // nanoseconds of the modification time tell.
        const timespec before[2] = {{1'700'000'000, 100}, {1'700'000'000, 100}};
        ASSERT_EQ(utimensat(AT_FDCWD, written.c_str(), before, 0), 0);
        const OutputGuard guard({written});
        const timespec after[2] = {{1'700'000'000, 200}, {1'700'000'000, 200}};
        ASSERT_EQ(utimensat(AT_FDCWD, written.c_str(), after, 0), 0);
        std::string report;
        EXPECT_EQ(guard.Settle(0, report), 0);
        EXPECT_EQ(report, "");
    }
    {
        const OutputGuard guard({"/dev/null"});
        std::string report;
        EXPECT_EQ(guard.Settle(0, report), 0);
        EXPECT_EQ(guard.Settle(1, report), 1);
        EXPECT_TRUE(fs::exists("/dev/null"));
    }
}

TEST(EncoderLocator, SkipsItselfAndWhatIsNotAProgram)
{
    TempDir dir;
    for (const char* sub : {"front", "plain", "folder", "real"})
        fs::create_directories(dir.Path() / sub);
    auto makeProgram = [](const std::string& path, bool executable) {
        WriteFile(path, "#!/bin/sh\n");
        fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    };
    makeProgram(dir.File("front/ffmpeg"), true);
    makeProgram(dir.File("plain/ffmpeg"), false);
    fs::create_directories(dir.Path() / "folder/ffmpeg");
    makeProgram(dir.File("real/ffmpeg"), true);

    struct stat st {};
    ASSERT_EQ(stat(dir.File("front/ffmpeg").c_str(), &st), 0);
    const std::vector<FileIdentity> self = {{st.st_dev, st.st_ino}};
    const std::string search = dir.File("front") + "::" + dir.File("plain") + ":" + dir.File("folder")
        + ":" + dir.File("missing") + ":" + dir.File("real");

    EXPECT_EQ(FindProgram("ffmpeg", search, self), dir.File("real") + "/ffmpeg");
    EXPECT_EQ(FindProgram("ffmpeg", search, {}), dir.File("front") + "/ffmpeg");
    EXPECT_EQ(FindProgram("ffmpeg", dir.File("front") + ":" + dir.File("plain"), self), "");
}
