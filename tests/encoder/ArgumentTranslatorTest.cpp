// The translator on every command-line shape Movarin emits, built with the
// real builders and split the way the runner splits them.
#include "encoder/ArgumentTranslator.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using movarin::encoder::TranslateArguments;
using movarin::encoder::Translation;
using Args = std::vector<std::string>;

namespace {

const std::string kSource = "/media/v/my \"best\" clip.avi";
const std::string kOutput = "/home/u/MOVARIN_VIDEO/my clip(1).mp4";

// What the front receives: the line split by the runner, program name dropped.
Args Received(const std::string& argumentText)
{
    Args argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    EXPECT_EQ(argv.at(0), EncoderPath);
    argv.erase(argv.begin());
    return argv;
}

struct Preset {
    const char* fps;
    const char* videoRate;
    const char* sampleRate;
    const char* audioRate;
};
const Preset kPresets[] = {
    {"30", "2048k", "48000", "128k"},
    {"30", "1024k", "44100", "128k"},
    {"30", "512k", "44100", "128k"},
    {"15", "384k", "44100", "64k"},
};

} // namespace

TEST(ArgumentTranslator, VideoPresetsInBothSizes)
{
    for (std::uint8_t quality = 0; quality < 4; ++quality) {
        for (std::uint8_t ratio = 0; ratio < 2; ++ratio) {
            SCOPED_TRACE(testing::Message() << "quality " << int(quality) << " ratio " << int(ratio));
            ThConvertInfoObjectList list;
            list.Quality = quality;
            list.Ratio = ratio;
            const Preset& p = kPresets[quality];
            const Translation t = TranslateArguments(Received(list.ConvertArguments(kSource, kOutput)));
            const Args expected = {"-nostdin", "-y", "-i", kSource, "-flags", "bitexact",
                "-vcodec", "mpeg4", "-s", ratio == 0 ? "320x240" : "320x180",
                "-af", "aresample=async=1000", "-r", p.fps, "-acodec", "aac",
                "-b:v", p.videoRate, "-ac", "2", "-ar", p.sampleRate, "-b:a", p.audioRate,
                "-f", "mp4", kOutput};
            EXPECT_EQ(t.arguments, expected);
            EXPECT_EQ(t.outputs, Args{kOutput});
        }
    }
}

TEST(ArgumentTranslator, QualityAboveThreeNamesNoOutput)
{
    ThConvertInfoObjectList list;
    list.Quality = 7;
    const Translation t = TranslateArguments(Received(list.ConvertArguments(kSource, kOutput)));
    const Args expected = {"-nostdin", "-y", "-i", kSource, "-flags", "bitexact", "-vcodec",
        "mpeg4", "-s", "320x240", "-af", "aresample=async=1000"};
    EXPECT_EQ(t.arguments, expected);
    EXPECT_TRUE(t.outputs.empty());
}

TEST(ArgumentTranslator, MusicAndThumbnail)
{
    ThConvertInfoObjectList list;
    list.MusicMode = true;
    const std::string mp3 = "/o/a.mp3";
    Translation t = TranslateArguments(Received(list.ConvertArguments(kSource, mp3)));
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-y", "-i", kSource, "-b:a", "128k", "-ar", "48000", "-f", "mp3", mp3}));
    EXPECT_EQ(t.outputs, Args{mp3});

    list.MusicMode = false;
    const std::string jpg = "/W/VIDEO/100% clip.JPG";
    t = TranslateArguments(Received(list.ThumbnailArguments(kSource, jpg)));
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-y", "-i", kSource, "-f", "image2", "-update", "1",
                               "-s", "160x120", "-ss", "00:00:01", "-vframes", "1", jpg}));
    EXPECT_EQ(t.outputs, Args{jpg});
}

TEST(ArgumentTranslator, RelativeNamesStayLocalFiles)
{
    // With the player gone mid-run the output is a bare file name; one that
    // looks like a protocol or a pipe must still be a file in the folder.
    const Translation t = TranslateArguments({"-y", "-i", "-", "-f", "mp4", "rtmp:clip.mp4"});
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-y", "-i", "file:-", "-f", "mp4", "file:rtmp:clip.mp4"}));
    EXPECT_EQ(t.outputs, Args{"rtmp:clip.mp4"});
}

TEST(ArgumentTranslator, UnknownOptionsPassUnchanged)
{
    // "-f image2" before any input is an input format: no -update there.
    const Translation t = TranslateArguments(
        {"-f", "image2", "-threads", "2", "-b", "900k", "-an", "-nostdin", "-acodec", "mp2", "/o/x.mp4", "-dangling"});
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-f", "image2", "-threads", "2", "-b:v", "900k", "-an",
                               "-acodec", "mp2", "/o/x.mp4", "-dangling"}));
    EXPECT_EQ(t.outputs, Args{"/o/x.mp4"});

    // A flag the front does not know takes neither the input nor an option as
    // its value; a negative number is still a value.
    const Translation u = TranslateArguments(
        {"-xerror", "-i", "/in.avi", "-newflag", "-y", "-itsoffset", "-1.5", "/o/y.mp4"});
    EXPECT_EQ(u.arguments, (Args{"-nostdin", "-xerror", "-i", "/in.avi", "-newflag", "-y", "-itsoffset",
                               "-1.5", "/o/y.mp4"}));
    EXPECT_EQ(u.outputs, Args{"/o/y.mp4"});
}

TEST(ArgumentTranslator, WithoutTruncationAndOverwritingTheFrontsOwnFile)
{
    // Where FFmpeg may not truncate, it writes into the file the front
    // emptied, and the picture comes from a muxer that honours that.
    ThConvertInfoObjectList list;
    const std::string jpg = "/W/VIDEO/clip.JPG";
    Translation t = TranslateArguments(Received(list.ThumbnailArguments(kSource, jpg)), true);
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-y", "-i", kSource, "-f", "mjpeg", "-s", "160x120", "-ss",
                               "00:00:01", "-vframes", "1", "-truncate", "0", jpg}));
    EXPECT_EQ(t.inputs, Args{kSource});
    EXPECT_TRUE(t.overwrite);

    // A line that would refuse the output the front has just created.
    t = TranslateArguments({"-n", "-i", "/in.avi", "/o/x.mp4"});
    EXPECT_FALSE(t.overwrite);
    movarin::encoder::AllowOverwrite(t);
    EXPECT_EQ(t.arguments, (Args{"-nostdin", "-y", "-i", "/in.avi", "/o/x.mp4"}));
}
