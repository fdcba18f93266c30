// Progress lines of the encoder and the status text made from them.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "jobs/Progress.h"

using movarin::ParseDecimal;
using movarin::ProgressSeconds;
using movarin::ProgressStatusText;
using movarin::SecondsToText;

TEST(ProgressTest, StatusTextFromTimeBeforeBitrate)
{
    EXPECT_EQ(ProgressStatusText("time=3725.6 bitrate"), "01時間02分06秒までの動画を変換完了");
    EXPECT_EQ(ProgressStatusText("frame=  1 time=10.01 bitrate= 1k"),
              "00時間00分10秒までの動画を変換完了");
    EXPECT_EQ(ProgressStatusText("size= 1kB time=12.5 bitrate=  8.0kbits/s    "),
              "00時間00分12秒までの動画を変換完了");
}

TEST(ProgressTest, RoundsHalfToEven)
{
    EXPECT_EQ(ProgressSeconds("time=12.5 bitrate"), 12);
    EXPECT_EQ(ProgressSeconds("time=13.5 bitrate"), 14);
    EXPECT_EQ(ProgressSeconds("time=-0.4 bitrate"), 0);
    EXPECT_EQ(ProgressSeconds("time=1e2 bitrate"), 100);
}

TEST(ProgressTest, TextsThatLeaveTheStatusAlone)
{
    EXPECT_EQ(ProgressSeconds("no progress here"), std::nullopt);
    EXPECT_EQ(ProgressSeconds("time=12.5 no rate"), std::nullopt);        // no "bitrate"
    EXPECT_EQ(ProgressSeconds("time=bitrate"), std::nullopt);             // nothing between
    EXPECT_EQ(ProgressSeconds("time=N/A bitrate=N/A"), std::nullopt);     // not a number
    EXPECT_EQ(ProgressSeconds("time=00:01:05.00 bitrate"), std::nullopt); // not seconds
    EXPECT_EQ(ProgressSeconds("time=12,5 bitrate"), std::nullopt);        // comma is no separator
    EXPECT_EQ(ProgressSeconds("time=inf bitrate"), std::nullopt);
    EXPECT_EQ(ProgressSeconds("time=0x10 bitrate"), std::nullopt);
    EXPECT_EQ(ProgressSeconds("time=1e40 bitrate"), std::nullopt);        // beyond a second count
    EXPECT_EQ(ProgressSeconds("bitrate time=5"), std::nullopt);           // "bitrate" before the number
}

TEST(ProgressTest, KeyCaseRules)
{
    // "time=" is recognised in any case, but the number is read after the
    // lower-case spelling; without it, from the fifth character on.
    EXPECT_EQ(ProgressSeconds("TIME=7 time=8 bitrate"), 8);
    EXPECT_EQ(ProgressSeconds("TIME=12.5 bitrate"), std::nullopt);
    // Only "bitrate" in lower case ends the number.
    EXPECT_EQ(ProgressSeconds("time=9 BITRATE"), std::nullopt);
}

TEST(ProgressTest, DecimalReadingIgnoresTheLocale)
{
    // A locale with a decimal comma must not change how "12.5" reads.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(ParseDecimal("12.5"), 12.5);
        EXPECT_EQ(ParseDecimal("12,5"), std::nullopt);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());

    EXPECT_EQ(ParseDecimal("  +3.25  "), 3.25);
    EXPECT_EQ(ParseDecimal(".5"), 0.5);
    EXPECT_EQ(ParseDecimal("5."), 5.0);
    EXPECT_EQ(ParseDecimal("2E-1"), 0.2);
    EXPECT_EQ(ParseDecimal(""), std::nullopt);
    EXPECT_EQ(ParseDecimal("."), std::nullopt);
    EXPECT_EQ(ParseDecimal("1e"), std::nullopt);
    EXPECT_EQ(ParseDecimal("1 2"), std::nullopt);
    EXPECT_EQ(ParseDecimal("-"), std::nullopt);
}

TEST(ProgressTest, SecondsToTextPadsEachPart)
{
    EXPECT_EQ(SecondsToText(0), "00時間00分00秒");
    EXPECT_EQ(SecondsToText(65), "00時間01分05秒");
    EXPECT_EQ(SecondsToText(3725), "01時間02分05秒");
    EXPECT_EQ(SecondsToText(360000), "100時間00分00秒");
}

TEST(ProgressTest, LengthFromTheEncodersDurationLine)
{
    struct Case {
        const char* line;
        std::optional<double> seconds;
    };
    // As FFmpeg 5.1 prints them for a clip, a stream without a length and a
    // broken header; other texts are no length lines at all.
    const Case cases[] = {
        {"  Duration: 00:01:05.50, start: 0.000000, bitrate: 1205 kb/s", 65.5},
        {"  Duration: 01:00:00.00, start: 0.540000, bitrate: 9800 kb/s", 3600.0},
        {"  Duration: N/A, start: 0.000000, bitrate: N/A", 0.0},
        {"  Duration: 00:00:00.00, start: 0.000000, bitrate: N/A", 0.0},
        {"  Duration: 00:61:00.00, start: 0.000000", 0.0},
        {"      DURATION        : 00:00:05.000000000", std::nullopt},
        {"frame=  1 time=12.5 bitrate= 8.0kbits/s", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(movarin::DurationSeconds(c.line), c.seconds) << c.line;
}

TEST(ProgressTest, RunProgressTextGivesPercentAndTimeLeft)
{
    using movarin::RunProgressText;
    EXPECT_EQ(RunProgressText(0.45, 79.4), " (45% 残り約1分19秒)");
    EXPECT_EQ(RunProgressText(0.5, 30.0), " (50% 残り約30秒)");
    EXPECT_EQ(RunProgressText(0.25, 10800.0), " (25% 残り約3時間00分)");
    EXPECT_EQ(RunProgressText(1.0, 0.0), " (99% 残り約0秒)");  // 100 % only when it has ended
    EXPECT_EQ(RunProgressText(0.0, 10.0), "");                 // nothing done yet
}
