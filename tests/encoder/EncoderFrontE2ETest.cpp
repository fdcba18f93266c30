// The staged lib/ffmpeg against the real FFmpeg, fed the command lines that
// Movarin builds, split the way its runner splits them.
#include "ChildRun.h"
#include "TempDir.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Stream = std::map<std::string, std::string>;

namespace {

const std::string kFront = MOVARIN_ENCODER_FRONT;

Args Received(const std::string& argumentText)
{
    Args argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    argv.erase(argv.begin());
    return argv;
}

// Streams of a media file, each as key=value pairs.
std::vector<Stream> Probe(const std::string& file)
{
    const ChildResult r = RunChild("/usr/bin/ffprobe",
        {"-v", "error", "-show_entries", "stream=codec_type,codec_name,width,height,r_frame_rate,sample_rate,channels",
         "-of", "compact=p=0", file});
    std::vector<Stream> streams;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        Stream s;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '|');) {
            const auto eq = field.find('=');
            if (eq != std::string::npos)
                s[field.substr(0, eq)] = field.substr(eq + 1);
        }
        streams.push_back(s);
    }
    return streams;
}

Stream StreamOf(const std::vector<Stream>& streams, const std::string& type)
{
    for (const Stream& s : streams)
        if (s.at("codec_type") == type)
            return s;
    return {};
}

// A bound, not a speed requirement: a process that should end must not
// hang the suite.
void WaitUntilGone(pid_t pid)
{
    for (int i = 0; i < 1000 && IsAlive(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class EncoderFront : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<TempDir>();
        fs::create_directories(dir_->Path() / "src dir");
        source_ = dir_->File("src dir/録画 clip \"1\".mpg");
        shortSource_ = dir_->File("src dir/short.mpg");
        MakeSource(source_, 3);
        MakeSource(shortSource_, 0.5);
    }
    static void TearDownTestSuite()
    {
        dir_.reset();
    }
    static void MakeSource(const std::string& path, double seconds)
    {
        const std::string d = std::to_string(seconds);
        const ChildResult r = RunChild("/usr/bin/ffmpeg",
            {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=" + d + ":size=640x480:rate=25",
             "-f", "lavfi", "-i", "sine=frequency=440:duration=" + d, "-c:v", "mpeg2video", "-c:a", "mp2", path});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }

    static std::unique_ptr<TempDir> dir_;
    static std::string source_;
    static std::string shortSource_;
};

std::unique_ptr<TempDir> EncoderFront::dir_;
std::string EncoderFront::source_;
std::string EncoderFront::shortSource_;

} // namespace

TEST_F(EncoderFront, VideoPresetsProduceThePlayersFormat)
{
    const int fps[] = {30, 30, 30, 15};
    const char* sampleRate[] = {"48000", "44100", "44100", "44100"};
    bool progressChecked = false;
    for (std::uint8_t quality = 0; quality < 4; ++quality) {
        for (std::uint8_t ratio = 0; ratio < 2; ++ratio) {
            SCOPED_TRACE(testing::Message() << "quality " << int(quality) << " ratio " << int(ratio));
            ThConvertInfoObjectList list;
            list.Quality = quality;
            list.Ratio = ratio;
            const std::string out = dir_->File("q" + std::to_string(quality) + "r" + std::to_string(ratio) + ".mp4");
            const ChildResult r = RunChild(kFront, Received(list.ConvertArguments(source_, out)));
            ASSERT_EQ(r.exitCode, 0) << r.output;
            // Movarin gives the output its name once it is on the medium.
            EXPECT_FALSE(fs::exists(out));

            const auto streams = Probe(movarin::PartialName(out));
            const Stream video = StreamOf(streams, "video");
            const Stream audio = StreamOf(streams, "audio");
            EXPECT_EQ(video.at("codec_name"), "mpeg4");
            EXPECT_EQ(video.at("width"), "320");
            EXPECT_EQ(video.at("height"), ratio == 0 ? "240" : "180");
            EXPECT_EQ(video.at("r_frame_rate"), std::to_string(fps[quality]) + "/1");
            EXPECT_EQ(audio.at("codec_name"), "aac");
            EXPECT_EQ(audio.at("sample_rate"), sampleRate[quality]);
            EXPECT_EQ(audio.at("channels"), "2");

            if (!progressChecked) {
                // Every progress value reaches Movarin in seconds; CR line ends survive.
                progressChecked = true;
                const std::regex time("time=(\\S*)");
                int values = 0;
                for (std::sregex_iterator it(r.output.begin(), r.output.end(), time), end; it != end; ++it) {
                    EXPECT_TRUE(std::regex_match((*it)[1].str(), std::regex("[0-9]+\\.[0-9]+|N/A"))) << it->str();
                    ++values;
                }
                EXPECT_GT(values, 0) << r.output;
                EXPECT_NE(r.output.find(" bitrate="), std::string::npos);
                EXPECT_NE(r.output.find('\r'), std::string::npos);
                EXPECT_NE(r.output.find("time=3."), std::string::npos) << r.output;
            }
        }
    }
}

TEST_F(EncoderFront, MusicAndThumbnail)
{
    ThConvertInfoObjectList list;
    list.MusicMode = true;
    const std::string mp3 = dir_->File("clip.mp3");
    ChildResult r = RunChild(kFront, Received(list.ConvertArguments(source_, mp3)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Stream audio = StreamOf(Probe(movarin::PartialName(mp3)), "audio");
    EXPECT_EQ(audio.at("codec_name"), "mp3");
    EXPECT_EQ(audio.at("sample_rate"), "48000");

    list.MusicMode = false;
    // A '%' must not turn the name into a picture-sequence pattern.
    const std::string jpg = dir_->File("100% clip.JPG");
    r = RunChild(kFront, Received(list.ThumbnailArguments(source_, jpg)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const Stream picture = StreamOf(Probe(movarin::PartialName(jpg)), "video");
    EXPECT_EQ(picture.at("codec_name"), "mjpeg");
    EXPECT_EQ(picture.at("width"), "160");
    EXPECT_EQ(picture.at("height"), "120");
}

// The mean level, in dB, of a file's sound in a narrow band around hz.
double BandLevel(const std::string& file, int hz)
{
    const ChildResult r = RunChild("/usr/bin/ffmpeg", {"-nostdin", "-hide_banner", "-i", file, "-af",
        "bandpass=f=" + std::to_string(hz) + ":width_type=q:w=8,volumedetect", "-f", "null", "-"});
    const std::size_t at = r.output.find("mean_volume: ");
    return at == std::string::npos ? -1000 : std::stod(r.output.substr(at + 13));
}

// One frame of a video at a second, in grey, one byte a pixel.
std::string GreyFrame(const std::string& file, const std::string& second)
{
    return RunChild("/usr/bin/ffmpeg", {"-nostdin", "-v", "quiet", "-ss", second, "-i", file, "-frames:v", "1",
                                        "-f", "rawvideo", "-pix_fmt", "gray", "-"}).output;
}

TEST_F(EncoderFront, TheViewersLanguageHeardAndDefaultSubtitlesInThePicture)
{
    // A name with what a filter graph takes for its own syntax.
    const std::string mkv = dir_->File("src dir/字幕 a:b'c,d[e]\\f.mkv");
    const std::string ass = dir_->File("line.ass");
    std::ofstream(ass) << "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname, Fontsize, "
        "PrimaryColour, OutlineColour, BorderStyle, Outline, Shadow, Alignment, MarginV\n"
        "Style: Default,Arial,20,&H00FFFFFF,&H00000000,1,2,0,2,10\n\n[Events]\n"
        "Format: Layer, Start, End, Style, Text\nDialogue: 0,0:00:00.50,0:00:02.50,Default,字幕の一行 a line\n";
    // English first and flagged default at 440 Hz, Japanese at 1000 Hz.
    ChildResult r = RunChild("/usr/bin/ffmpeg",
        {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=3:size=640x360:rate=25", "-f", "lavfi",
         "-i", "sine=frequency=440:duration=3", "-f", "lavfi", "-i", "sine=frequency=1000:duration=3", "-i", ass,
         "-map", "0", "-map", "1", "-map", "2", "-map", "3", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac",
         "-c:s", "ass", "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=jpn", "-metadata:s:s:0",
         "language=jpn", "-disposition:a:0", "default", "-disposition:a:1", "0", "-disposition:s:0", "default",
         "file:" + mkv});
    ASSERT_EQ(r.exitCode, 0) << r.output;

    ThConvertInfoObjectList list;
    list.Quality = 1;
    list.Ratio = 1;
    const std::string shown = dir_->File("subtitled.mp4");
    const std::string plain = dir_->File("plain.mp4");
    r = RunChild(kFront, Received(list.ConvertArguments(mkv, shown)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("audio: #2 jpn AAC 1.0 (viewer's language); subtitles: #1 jpn ASS burned (default)"),
              std::string::npos) << r.output;
    // Denied its configuration, fontconfig falls back to scanning every font
    // uncached and ignores the system's and the user's choices.
    EXPECT_EQ(r.output.find("Fontconfig error"), std::string::npos) << r.output;
    setenv("MOVARIN_SUBTITLES", "off", 1);
    r = RunChild(kFront, Received(list.ConvertArguments(mkv, plain)));
    unsetenv("MOVARIN_SUBTITLES");
    ASSERT_EQ(r.exitCode, 0) << r.output;

    // The Japanese track alone, the picture and nothing else.
    const auto streams = Probe(movarin::PartialName(shown));
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_GT(BandLevel(movarin::PartialName(shown), 1000), BandLevel(movarin::PartialName(shown), 440) + 20);

    // The line shows at the foot of the picture, drawn with the fonts the
    // confinement let FFmpeg read; without it the frames are alike.
    const std::string with = GreyFrame(movarin::PartialName(shown), "1.5");
    const std::string without = GreyFrame(movarin::PartialName(plain), "1.5");
    ASSERT_EQ(with.size(), 320u * 180);
    ASSERT_EQ(without.size(), with.size());
    int changedAbove = 0;
    int changedBelow = 0;
    for (std::size_t i = 0; i < with.size(); ++i)
        if (std::abs(int(static_cast<unsigned char>(with[i])) - static_cast<unsigned char>(without[i])) > 64)
            ++(i / 320 < 120 ? changedAbove : changedBelow);
    EXPECT_GT(changedBelow, 100);
    EXPECT_LT(changedAbove, 20);
}

// Integrated loudness (LUFS) and true peak (dBTP) as FFmpeg measures them.
std::pair<double, double> Loudness(const std::string& file)
{
    const ChildResult r = RunChild("/usr/bin/ffmpeg",
        {"-nostdin", "-hide_banner", "-i", file, "-vn", "-af", "ebur128=peak=true:framelog=verbose", "-f", "null", "-"});
    const std::size_t summary = r.output.rfind("Summary:");
    const std::size_t i = r.output.find(" I:", summary);
    const std::size_t peak = r.output.find("Peak:", summary);
    if (summary == std::string::npos || i == std::string::npos || peak == std::string::npos)
        return {0, 99};
    return {std::stod(r.output.substr(i + 3)), std::stod(r.output.substr(peak + 5))};
}

TEST_F(EncoderFront, ABilingualBroadcastsMainProgrammeInBothEars)
{
    // One AAC stream of two programmes, the main one (440 Hz) and the second
    // (1 kHz), as Japanese digital TV carries them.
    const std::string recording = dir_->File("二か国語.ts");
    ASSERT_EQ(RunChild("/usr/bin/python3", {MOVARIN_MAKE_DUAL_MONO, recording}).exitCode, 0);
    ThConvertInfoObjectList list;
    const std::string movie = dir_->File("二か国語.mp4");
    const ChildResult r = RunChild(kFront, Received(list.ConvertArguments(recording, movie)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_GT(BandLevel(movarin::PartialName(movie), 440), BandLevel(movarin::PartialName(movie), 1000) + 20);
}

// Pixels bright in a frame of with and not in the same frame of without: a
// caption drawn in the disc's white.
int CaptionPixels(const std::string& with, const std::string& without, const std::string& second)
{
    const std::string a = GreyFrame(movarin::PartialName(with), second);
    const std::string b = GreyFrame(movarin::PartialName(without), second);
    EXPECT_EQ(a.size(), 320u * 240);
    EXPECT_EQ(b.size(), a.size());
    int brighter = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        brighter += static_cast<unsigned char>(a[i]) > 200 && static_cast<unsigned char>(b[i]) < 200;
    return brighter;
}

TEST_F(EncoderFront, ADiscsDubHeardAndItsLateSubtitlesBurnedWhenTheAudioIsForeign)
{
    // Languages written only in the IFO, as on every DVD; the Japanese
    // stream's caption at 1 s is an ordinary one, the one at 4 s forced.
    const std::string dubbed = dir_->File("dubbed");
    ASSERT_EQ(RunChild(MOVARIN_MAKE_TEST_DVD, {dubbed, "6", "1", "dub", "4"}).exitCode, 0);
    ThConvertInfoObjectList list;
    const std::string dubChapter = dubbed + "/VIDEO_TS/VTS_01_1.VOB";
    const std::string heard = dir_->File("dub.mp4");
    const std::string heardPlain = dir_->File("dub plain.mp4");
    ChildResult r = RunChild(kFront, Received(list.ConvertArguments(dubChapter, heard)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("audio: #2 jpn AC-3 2.0 (viewer's language); subtitles: #1 jpn DVD burned (forced events only)"),
              std::string::npos)
        << r.output;
    EXPECT_GT(BandLevel(movarin::PartialName(heard), 1000), BandLevel(movarin::PartialName(heard), 440) + 20);
    setenv("MOVARIN_SUBTITLES", "off", 1);
    r = RunChild(kFront, Received(list.ConvertArguments(dubChapter, heardPlain)));
    unsetenv("MOVARIN_SUBTITLES");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LT(CaptionPixels(heard, heardPlain, "2"), 100);
    EXPECT_GT(CaptionPixels(heard, heardPlain, "4.5"), 1000);

    // English alone, its Japanese subtitles starting past FFmpeg's first look.
    const std::string foreign = dir_->File("foreign");
    ASSERT_EQ(RunChild(MOVARIN_MAKE_TEST_DVD, {foreign, "10", "7", "nodub"}).exitCode, 0);
    const std::string chapter = foreign + "/VIDEO_TS/VTS_01_1.VOB";
    const std::string shown = dir_->File("foreign.mp4");
    const std::string plain = dir_->File("foreign plain.mp4");
    r = RunChild(kFront, Received(list.ConvertArguments(chapter, shown)));
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("audio: #1 eng AC-3 5.1 (the only one); subtitles: #1 jpn DVD burned (audio foreign)"),
              std::string::npos) << r.output;
    setenv("MOVARIN_SUBTITLES", "off", 1);
    r = RunChild(kFront, Received(list.ConvertArguments(chapter, plain)));
    unsetenv("MOVARIN_SUBTITLES");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // The caption, a white bar in the disc's palette, low in the picture.
    EXPECT_GT(CaptionPixels(shown, plain, "8"), 1000);
}

TEST_F(EncoderFront, QuietSoundComesOutAtTheLevelOfMobileListening)
{
    // A quiet tone with a knock in it: raised 20 dB, the knock would clip.
    const std::string quiet = dir_->File("src dir/quiet.mkv");
    const ChildResult made = RunChild("/usr/bin/ffmpeg",
        {"-nostdin", "-y", "-v", "error", "-f", "lavfi", "-i", "testsrc=duration=4:size=320x240:rate=25", "-f", "lavfi",
         "-i", "sine=frequency=300:duration=4,volume=0.2,aeval='val(0)+if(between(t,2,2.0005),0.25,0)':c=same", "-ac",
         "2", "-c:v", "mpeg4", "-c:a", "pcm_s16le", quiet});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ThConvertInfoObjectList list;
    for (const bool music : {false, true}) {
        SCOPED_TRACE(music ? "MP3" : "MP4");
        list.MusicMode = music;
        const std::string out = dir_->File(music ? "quiet.mp3" : "quiet.mp4");
        const ChildResult r = RunChild(kFront, Received(list.ConvertArguments(quiet, out)));
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NE(r.output.find(", limited\n"), std::string::npos) << r.output;
        const auto [lufs, truePeak] = Loudness(movarin::PartialName(out));
        EXPECT_NEAR(lufs, -16, 1);
        EXPECT_LE(truePeak, -1);
    }
    // The setting off: the sound as recorded.
    setenv("MOVARIN_LOUDNESS", "off", 1);
    const std::string out = dir_->File("as recorded.mp3");
    const ChildResult r = RunChild(kFront, Received(list.ConvertArguments(quiet, out)));
    unsetenv("MOVARIN_LOUDNESS");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LT(Loudness(movarin::PartialName(out)).first, -30) << r.output;
}

TEST_F(EncoderFront, FailedRunsLeaveNoOutput)
{
    ThConvertInfoObjectList list;
    const std::string out = dir_->File("missing.mp4");
    ChildResult r = RunChild(kFront, Received(list.ConvertArguments(dir_->File("no such source.mpg"), out)));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(fs::exists(movarin::PartialName(out))) << r.output;

    // FFmpeg itself exits 0 here without writing the picture.
    const std::string jpg = dir_->File("short.JPG");
    r = RunChild(kFront, Received(list.ThumbnailArguments(shortSource_, jpg)));
    EXPECT_NE(r.exitCode, 0) << r.output;
    EXPECT_FALSE(fs::exists(movarin::PartialName(jpg)));

    // A quality above 3 names no output file, nor does a probe of the
    // source: FFmpeg reads the input, and its refusal passes through.
    list.Quality = 7;
    for (const std::string& line : {list.ConvertArguments(source_, out), " -i " + movarin::QuoteArgument(source_)}) {
        r = RunChild(kFront, Received(line));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("Duration: 00:00:03"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("output file"), std::string::npos) << r.output;
    }
}

TEST_F(EncoderFront, FFmpegEndsWithTheFront)
{
    // An endless real-time run, so that only the signal can end it.
    const std::string out = dir_->File("endless.mp4");
    const Args args = {"-y", "-re", "-stream_loop", "-1", "-i", source_, "-vcodec", "mpeg4", "-f", "mp4", out};

    {
        Child front(kFront, args);
        ASSERT_TRUE(front.ReadUntil("time=")) << "no progress";
        const std::vector<pid_t> children = ChildrenOf(front.Pid());
        ASSERT_EQ(children.size(), 1u);
        front.Signal(SIGKILL);
        EXPECT_EQ(front.Wait(), 128 + SIGKILL);
        WaitUntilGone(children[0]);
        if (IsAlive(children[0])) {
            ADD_FAILURE() << "FFmpeg outlived the killed front";
            kill(children[0], SIGKILL);
        }
    }
    {
        // SIGTERM is passed on; FFmpeg stops, and the interrupted file goes.
        Child front(kFront, args);
        ASSERT_TRUE(front.ReadUntil("time="));
        const std::vector<pid_t> children = ChildrenOf(front.Pid());
        ASSERT_EQ(children.size(), 1u);
        front.Signal(SIGTERM);
        WaitUntilGone(front.Pid());
        // Should the signal go nowhere, the front's death takes FFmpeg along.
        ASSERT_FALSE(IsAlive(front.Pid())) << "SIGTERM did not end the run";
        const ChildResult r = front.Finish();
        EXPECT_EQ(r.exitCode, 255) << r.output;
        EXPECT_FALSE(IsAlive(children[0]));
        EXPECT_FALSE(fs::exists(movarin::PartialName(out)));
    }
    {
        // Nobody reads the output any more: Movarin is gone. The front ends
        // FFmpeg, removes the unfinished file and ends itself.
        Child front(kFront, args);
        ASSERT_TRUE(front.ReadUntil("time="));
        const std::vector<pid_t> children = ChildrenOf(front.Pid());
        ASSERT_EQ(children.size(), 1u);
        front.CloseOutput();
        WaitUntilGone(children[0]);
        EXPECT_FALSE(IsAlive(children[0])) << "FFmpeg went on converting for nobody";
        EXPECT_EQ(front.Wait(), 128 + SIGKILL);
        EXPECT_FALSE(fs::exists(movarin::PartialName(out)));
    }
}
