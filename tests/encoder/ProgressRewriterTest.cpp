#include "encoder/ProgressRewriter.h"

#include <gtest/gtest.h>

using movarin::encoder::ClockToSeconds;
using movarin::encoder::ProgressRewriter;

TEST(ClockToSeconds, ConvertsFFmpegClocks)
{
    EXPECT_EQ(ClockToSeconds("00:01:05.23"), "65.23");
    EXPECT_EQ(ClockToSeconds("01:02:05.60"), "3725.60");
    EXPECT_EQ(ClockToSeconds("123:00:00.05"), "442800.05");
    EXPECT_EQ(ClockToSeconds("00:00:07"), "7");
    EXPECT_EQ(ClockToSeconds("-00:00:00.04"), "0.00");
    EXPECT_EQ(ClockToSeconds("-00:00:03.50"), "0.00");
    for (const char* bad : {"N/A", "", "-", "12:34", "00:00:05.", "00:60:00.00", "00:00:1a.00",
                            "00:00:05.00.1", "::", "1-0:00:00.00"})
        EXPECT_EQ(ClockToSeconds(bad), std::nullopt) << bad;
}

namespace {

// A stretch of FFmpeg's stderr through a pipe: header lines with LF, progress
// lines ending in spaces and CR, the last one with LF.
const std::string kInput =
    "Input #0, mpeg, from 'a.mpg':\n  Duration: 00:00:03.01, start: 0.529089\r\n"
    "Press [q] to stop\n"
    "frame=    1 fps=0.0 q=4.6 size=       0kB time=-00:00:00.04 bitrate=N/A speed=N/A    \r"
    "frame=   12 fps=0.0 q=2.0 size=      48kB time=N/A bitrate=N/A speed=N/A    \r"
    "frame=   45 fps= 44 q=2.0 size=     256kB time=01:02:05.60 bitrate= 985.3kbits/s speed=1.5x    \r"
    "ttime=tim=time=00:00:10.01 bitrate=1.0kbits/s\r"
    "frame=   90 fps=0.0 q=2.0 Lsize=     193kB time=00:00:03.00 bitrate= 525.5kbits/s\n"
    "time=99999999999999999999999999:00:00.00 \n"
    "at the end time=00:00:12.50";

const std::string kExpected =
    "Input #0, mpeg, from 'a.mpg':\n  Duration: 00:00:03.01, start: 0.529089\r\n"
    "Press [q] to stop\n"
    "frame=    1 fps=0.0 q=4.6 size=       0kB time=0.00 bitrate=N/A speed=N/A    \r"
    "frame=   12 fps=0.0 q=2.0 size=      48kB time=N/A bitrate=N/A speed=N/A    \r"
    "frame=   45 fps= 44 q=2.0 size=     256kB time=3725.60 bitrate= 985.3kbits/s speed=1.5x    \r"
    "ttime=tim=time=10.01 bitrate=1.0kbits/s\r"
    "frame=   90 fps=0.0 q=2.0 Lsize=     193kB time=3.00 bitrate= 525.5kbits/s\n"
    "time=99999999999999999999999999:00:00.00 \n"
    "at the end time=12.50";

std::string Rewrite(const std::vector<std::string_view>& chunks)
{
    ProgressRewriter rewriter;
    std::string out;
    for (std::string_view chunk : chunks)
        rewriter.Feed(chunk, out);
    rewriter.Finish(out);
    return out;
}

} // namespace

TEST(ProgressRewriter, SameResultWhereverTheReadsAreCut)
{
    const std::string_view in = kInput;
    ASSERT_EQ(Rewrite({in}), kExpected);
    for (std::size_t a = 0; a <= in.size(); ++a) {
        for (std::size_t b = a; b <= in.size(); ++b) {
            const std::string out = Rewrite({in.substr(0, a), in.substr(a, b - a), in.substr(b)});
            if (out != kExpected) {
                ADD_FAILURE() << "cut at " << a << " and " << b << ":\n" << out;
                return;
            }
        }
    }
    std::vector<std::string_view> bytes;
    for (std::size_t i = 0; i < in.size(); ++i)
        bytes.push_back(in.substr(i, 1));
    EXPECT_EQ(Rewrite(bytes), kExpected);
}

TEST(ProgressRewriter, HoldsBackOnlyAnUnfinishedClock)
{
    ProgressRewriter rewriter;
    std::string out;
    rewriter.Feed("frame= 5 time=00:0", out);
    EXPECT_EQ(out, "frame= 5 time=");
    rewriter.Feed("0:04.00 bitrate=1k\r", out);
    EXPECT_EQ(out, "frame= 5 time=4.00 bitrate=1k\r");
}
