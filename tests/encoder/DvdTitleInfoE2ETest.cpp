// A disc authored as discs are (tests/encoder/make-test-dvd.sh): its IFO read
// by the confined reader names the streams FFmpeg finds in the chapter file,
// and a damaged IFO means no languages known.
#include "ChildRun.h"
#include "TempDir.h"
#include "encoder/sandbox/Landlock.h"
#include "encoder/source/DvdIfoReader.h"

#include <gtest/gtest.h>

using namespace movarin::encoder;

TEST(DvdTitleInfoE2E, LanguagesOfAChapterFileFromItsIfoReadConfined)
{
    const TempDir dir;
    const std::string disc = dir.File("disc");
    ASSERT_EQ(RunChild(MOVARIN_MAKE_TEST_DVD, {disc}).exitCode, 0);
    const std::string chapter = disc + "/VIDEO_TS/VTS_01_1.VOB";

    const DvdTitleInfo info = ReadDvdTitleInfo(chapter, true, LandlockAbi());
    ASSERT_EQ(info.audio.size(), 2U);
    EXPECT_EQ(info.audio[0].streamId, 0x80);
    EXPECT_EQ(info.audio[0].language, "eng");
    EXPECT_EQ(info.audio[0].channels, 6);
    EXPECT_EQ(info.audio[1].streamId, 0x81);
    EXPECT_EQ(info.audio[1].language, "jpn");
    EXPECT_EQ(info.audio[1].channels, 2);
    EXPECT_EQ(info.audio[1].format, DvdAudioFormat::Ac3);
    ASSERT_EQ(info.subtitles.size(), 1U);
    EXPECT_EQ(info.subtitles[0].streamId, 0x20);
    EXPECT_EQ(info.subtitles[0].language, "jpn");
    // The authored palette, back through the IFO's YCrCb within rounding.
    EXPECT_EQ(DvdPaletteOption(info.palette).substr(0, 34), "000000,808080,404040,ffffff,ff0100");

    // The ids are the ones FFmpeg's demuxer prints for the same streams.
    const std::string streams = RunChild("/usr/bin/ffmpeg", {"-hide_banner", "-nostdin", "-i", chapter}).output;
    EXPECT_NE(streams.find("[0x80]: Audio: ac3, 48000 Hz, 5.1"), std::string::npos) << streams;
    EXPECT_NE(streams.find("[0x81]: Audio: ac3, 48000 Hz, stereo"), std::string::npos);
    EXPECT_NE(streams.find("[0x20]: Subtitle: dvd_subtitle"), std::string::npos);

    // Seccomp alone reads the same; a damaged IFO and its backup give nothing.
    EXPECT_EQ(ReadDvdTitleInfo(chapter, true, 0).audio.size(), 2U);
    for (const char* name : {"/VIDEO_TS/VTS_01_0.IFO", "/VIDEO_TS/VTS_01_0.BUP"})
        WriteFile(disc + name, "DVDVIDEO-VTS" + std::string(600, '\xff'));
    EXPECT_TRUE(ReadDvdTitleInfo(chapter, true, LandlockAbi()).Empty());
    EXPECT_TRUE(ReadDvdTitleInfo(disc + "/VIDEO_TS/VTS_02_1.VOB", true, LandlockAbi()).Empty());
}
