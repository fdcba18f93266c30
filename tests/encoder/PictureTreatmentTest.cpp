// What the front does to a picture and to its sound: FFmpeg's description
// of a source and its measure of the loudness read back, the treatment
// chosen from them, and the treatment put into Movarin's own command lines.
#include "encoder/PictureTreatment.h"
#include "encoder/source/Loudness.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using namespace movarin::encoder;

namespace {

std::string Report(const std::string& streams)
{
    return "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from 'file:clip.mp4':\n  Duration: 00:00:01.00, start: 0.000000\n"
        + streams + "At least one output file must be specified\n";
}

SourcePicture Picture(int w, int h, int sarNum = 1, int sarDen = 1, int rotation = 0,
                      const char* field = "progressive", const char* transfer = "bt709", const char* codec = "h264")
{
    SourcePicture p;
    p.found = true;
    p.codec = codec;
    p.width = w;
    p.height = h;
    p.sarNum = sarNum;
    p.sarDen = sarDen;
    p.rotation = rotation;
    p.fieldOrder = field;
    p.transfer = transfer;
    p.primaries = transfer == std::string("bt709") ? "bt709" : "bt2020";
    p.matrix = transfer == std::string("bt709") ? "bt709" : "bt2020nc";
    return p;
}

} // namespace

TEST(PictureTreatment, FfmpegsDescriptionOfTheSource)
{
    struct Case {
        const char* name;
        std::string report;
        SourcePicture expected;
    };
    SourcePicture hlg = Picture(1920, 1080, 1, 1, 270, "progressive", "arib-std-b67");
    hlg.pixelFormat = "yuv420p10le";
    hlg.codec = "hevc";
    SourcePicture dvd = Picture(720, 480, 8, 9, 0, "top first", "");
    dvd.pixelFormat = "yuv420p";
    dvd.codec = "mpeg2video";
    dvd.matrix = dvd.primaries = dvd.transfer = "";
    SourcePicture avi = Picture(640, 480, 1, 1, 0, "", "bt709");
    avi.pixelFormat = "yuv420p";
    avi.codec = "mpeg4";
    avi.matrix = "bt470bg";
    avi.primaries = avi.transfer = "";
    const Case cases[] = {
        {"HLG phone video turned by its display matrix",
         Report("  Stream #0:0[0x1](und): Video: hevc (Main 10) (hvc1 / 0x31637668), yuv420p10le(tv, "
                "bt2020nc/bt2020/arib-std-b67, progressive), 1920x1080 [SAR 1:1 DAR 16:9], 8 kb/s, 30 fps (default)\n"
                "    Metadata:\n      handler_name    : Core Media Video\n    Side data:\n"
                "      displaymatrix: rotation of -90.00 degrees\n"
                "  Stream #0:1[0x2](und): Audio: aac (LC), 48000 Hz, stereo, fltp, 96 kb/s (default)\n"),
         hlg},
        {"interlaced DVD with its pixel aspect, after its cover art",
         Report("  Stream #0:0: Video: mjpeg (Baseline), yuvj420p(pc, bt470bg/unknown/unknown), 300x300 [SAR 1:1 DAR 1:1], "
                "90k tbr, 90k tbn (attached pic)\n"
                "  Stream #0:1[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first, left), 720x480 [SAR 8:9 DAR 4:3], "
                "29.97 fps\n    Side data:\n      cpb: bitrate max/min/avg: 0/0/0 buffer size: 0 vbv_delay: N/A\n"),
         dvd},
        {"old AVI with no field order and no pixel aspect",
         Report("  Stream #0:0: Video: mpeg4 (Simple Profile) (XVID / 0x44495658), yuv420p(bt470bg/unknown/unknown), "
                "640x480, 1000 kb/s, 25 fps\n"),
         avi},
        {"sound only", Report("  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n"), SourcePicture{}},
        {"no input at all", "clip.mp4: No such file or directory\n", SourcePicture{}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SourcePicture p = ParseSourcePicture(c.report);
        const SourcePicture& e = c.expected;
        EXPECT_EQ(p.found, e.found);
        EXPECT_EQ(p.codec, e.codec);
        EXPECT_EQ(p.width, e.width);
        EXPECT_EQ(p.height, e.height);
        EXPECT_EQ(p.sarNum * e.sarDen, e.sarNum * p.sarDen);
        EXPECT_EQ(p.rotation, e.rotation);
        EXPECT_EQ(p.fieldOrder, e.fieldOrder);
        EXPECT_EQ(p.pixelFormat, e.pixelFormat);
        EXPECT_EQ(p.matrix, e.matrix);
        EXPECT_EQ(p.primaries, e.primaries);
        EXPECT_EQ(p.transfer, e.transfer);
    }
}

TEST(PictureTreatment, ChosenFromTheSourcesProperties)
{
    struct Case {
        const char* name;
        SourcePicture source;
        FrameSize frame;
        // How the chain begins: "" or the deinterlacer and the turns around
        // it, where "narrow" is a scale along the lines to the width given.
        const char* deinterlacer;
        ToneMap toneMap;
        FrameSize content;
    };
    const Case cases[] = {
        {"4:3 in its own frame", Picture(640, 480), {320, 240}, "", ToneMap::None, {320, 240}},
        {"16:9 in its own frame", Picture(1920, 1080), {320, 180}, "", ToneMap::None, {320, 180}},
        {"16:9 on a 4:3 screen: letterbox", Picture(1280, 720), {320, 240}, "", ToneMap::None, {320, 180}},
        {"4:3 on a 16:9 screen: pillarbox", Picture(640, 480), {320, 180}, "", ToneMap::None, {240, 180}},
        {"thumbnail of a 16:9 source", Picture(1920, 1080), {160, 120}, "", ToneMap::None, {160, 90}},
        {"anamorphic 16:9 DVD, interlaced", Picture(720, 480, 32, 27, 0, "top first"), {320, 240}, "field=top",
         ToneMap::None, {320, 180}},
        {"4:3 DVD, bottom field first", Picture(720, 576, 16, 15, 0, "bottom first"), {320, 240}, "field=bottom",
         ToneMap::None, {320, 240}},
        {"1080i, bottom shown first", Picture(1920, 1080, 1, 1, 0, "top coded first (swapped)"), {320, 180},
         "field=bottom", ToneMap::None, {320, 180}},
        {"interlaced, taller than a field of its own", Picture(480, 360, 1, 1, 0, "top first"), {320, 240},
         "narrow 320,bwdif", ToneMap::None, {320, 240}},
        {"1080i turned a quarter: fields in columns, turned back", Picture(1920, 1080, 1, 1, 90, "top first"),
         {320, 240}, "transpose=clock,field=top,transpose=cclock", ToneMap::None, {136, 240}},
        {"1080i turned the other way", Picture(1920, 1080, 1, 1, 270, "top first"), {320, 240},
         "transpose=cclock,field=top,transpose=clock", ToneMap::None, {136, 240}},
        {"upside down, interlaced", Picture(720, 480, 1, 1, 180, "top first"), {320, 240}, "field=top",
         ToneMap::None, {320, 214}},
        {"turned a quarter, taller than a field", Picture(320, 240, 1, 1, 90, "top first"), {320, 240},
         "transpose=clock,narrow 240,bwdif,transpose=cclock", ToneMap::None, {180, 240}},
        {"turned a quarter, no field order: flagged frames only", Picture(1920, 1080, 1, 1, 90, "", "", "hevc"),
         {320, 240}, "bwdif", ToneMap::None, {136, 240}},
        {"near 4:3 (SAR 10:11) fills the frame", Picture(720, 480, 10, 11), {320, 240}, "", ToneMap::None,
         {320, 240}},
        {"portrait phone video, stored landscape", Picture(1920, 1080, 1, 1, 90), {320, 240}, "", ToneMap::None,
         {136, 240}},
        {"turned the other way, 16:9 screen", Picture(1920, 1080, 1, 1, 270), {320, 180}, "", ToneMap::None,
         {102, 180}},
        {"upside down keeps its shape", Picture(1920, 1080, 1, 1, 180), {320, 180}, "", ToneMap::None,
         {320, 180}},
        {"interlaced capture no wider than its frame", Picture(320, 240, 1, 1, 0, "top first"), {320, 240}, "bwdif",
         ToneMap::None, {320, 240}},
        {"MPEG-4 Part 2 AVI, no field order: flagged frames only", Picture(640, 480, 1, 1, 0, "", "", "mpeg4"),
         {320, 240}, "bwdif", ToneMap::None, {320, 240}},
        {"DV, no field order: flagged frames only", Picture(720, 480, 8, 9, 0, "", "", "dvvideo"), {320, 240},
         "bwdif", ToneMap::None, {320, 240}},
        {"MPEG-1 has no interlaced pictures", Picture(352, 240, 10, 11, 0, "", "", "mpeg1video"), {320, 240}, "",
         ToneMap::None, {320, 240}},
        {"HLG", Picture(3840, 2160, 1, 1, 0, "progressive", "arib-std-b67"), {320, 180}, "", ToneMap::Hlg,
         {320, 180}},
        {"PQ, portrait", Picture(3840, 2160, 1, 1, 90, "progressive", "smpte2084"), {320, 240}, "",
         ToneMap::Pq, {136, 240}},
        {"BT.2020 SDR is not HDR", Picture(1920, 1080, 1, 1, 0, "progressive", "bt2020-10"), {320, 180}, "",
         ToneMap::None, {320, 180}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PictureTreatment t = ChooseTreatment(c.source, c.frame);
        std::string chain = c.deinterlacer;
        if (const std::size_t at = chain.find("narrow "); at != std::string::npos) {
            chain.replace(at, 7, "scale=");
            chain.insert(chain.find(',', at), ":ih");
        }
        if (const std::size_t at = chain.find("bwdif"); at != std::string::npos)
            chain.replace(at, 5, "bwdif=mode=send_frame:parity=auto:deint=interlaced");
        EXPECT_EQ(t.deinterlace, chain.empty()                          ? Deinterlace::None
                                 : chain.find("bwdif") != std::string::npos ? Deinterlace::Bwdif
                                                                           : Deinterlace::FirstField);
        EXPECT_EQ(t.toneMap, c.toneMap);
        EXPECT_EQ(t.content, c.content) << t.content.width << "x" << t.content.height;
        EXPECT_TRUE(t.filter.starts_with(chain.empty() ? "scale=" : chain + ",scale=")) << t.filter;
        if (t.deinterlace == Deinterlace::Bwdif) {
            EXPECT_EQ(t.summary.find("no field order") != std::string::npos, c.source.fieldOrder.empty())
                << t.summary;
        }
        // Colours of an SDR source stay exactly as they are.
        EXPECT_EQ(t.filter.find("zscale") != std::string::npos, c.toneMap != ToneMap::None) << t.filter;
        EXPECT_EQ(!t.outputOptions.empty(), c.toneMap != ToneMap::None);
        EXPECT_EQ(t.filter.find(",pad=") != std::string::npos, !(c.content == c.frame)) << t.filter;
        EXPECT_TRUE(t.filter.ends_with(",setsar=1")) << t.filter;
        EXPECT_NE(t.summary.find(std::to_string(c.content.width) + "x" + std::to_string(c.content.height)),
                  std::string::npos) << t.summary;
    }
}

TEST(PictureTreatment, TakesThePlaceOfTheFrameSizeInMovarinsLines)
{
    ThConvertInfoObjectList list;
    list.Ratio = 0;
    const auto received = [](const std::string& text) {
        std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + text);
        argv.erase(argv.begin());
        return argv;
    };
    const PictureTreatment hdr = ChooseTreatment(Picture(1920, 1080, 1, 1, 0, "progressive", "smpte2084"), {320, 240});
    for (const std::string& line : {list.ConvertArguments("/v/-s.mp4", "-s 320x240.mp4"),
                                    list.ThumbnailArguments("/v/-s.mp4", "x.jpg")}) {
        SCOPED_TRACE(line);
        Translation t = TranslateArguments(received(line));
        const std::vector<std::string> before = t.arguments;
        const auto size = RequestedFrameSize(t);
        ASSERT_TRUE(size.has_value());
        const auto at = std::find(before.begin(), before.end(), "-s") - before.begin();
        EXPECT_EQ(before[std::size_t(at) + 1], std::to_string(size->width) + "x" + std::to_string(size->height));

        ApplyTreatment(t, hdr);
        std::vector<std::string> expected = before;
        expected[std::size_t(at)] = "-vf";
        expected[std::size_t(at) + 1] = hdr.filter;
        expected.insert(expected.begin() + at + 2, hdr.outputOptions.begin(), hdr.outputOptions.end());
        EXPECT_EQ(t.arguments, expected);
        EXPECT_FALSE(RequestedFrameSize(t).has_value());
    }
    EXPECT_FALSE(ParseFrameSize("320x").has_value());
    EXPECT_FALSE(ParseFrameSize("hd720").has_value());
    EXPECT_FALSE(ParseFrameSize("0x240").has_value());
}

TEST(Loudness, FromFfmpegsMeasureToTheLine)
{
    const auto summary = [](const std::string& lufs, const std::string& peak) {
        return "[Parsed_ebur128_0 @ 0x5581] Summary:\n\n  Integrated loudness:\n    I:         " + lufs
            + " LUFS\n    Threshold: -46.6 LUFS\n\n  Sample peak:\n    Peak:      " + peak + " dBFS\n";
    };
    const std::string limiter = ",aresample=176400,alimiter=limit=0.7943:level=false:latency=true,aresample=44100";
    struct Case {
        const char* name;
        std::string report;
        std::string videoChain; // what follows the line's own aresample
        const char* logged;
        std::string limitedReport = ""; // the second pass, through the gain and limiter
    };
    const Case cases[] = {
        {"quiet recording, its peaks held", summary("-36.5", "-10.2"), ",volume=20.5dB" + limiter,
         "loudness -36.5 -> -16.0 LUFS, limited"},
        {"drum hits carry the loudness: what the limiter takes is made up", summary("-23.4", "-5.7"),
         ",volume=13.4dB" + limiter, "loudness -23.4 -> -16.3 LUFS (gain held at +13.4 dB), limited",
         summary("-18.4", "-2.0")},
        {"loud and compressed", summary("-9.3", "0.4"), ",volume=-6.7dB", "loudness -9.3 -> -16.0 LUFS"},
        {"peaks 3 dB short of the ceiling: those between the samples may reach it", summary("-20.0", "-8.0"),
         ",volume=4.0dB" + limiter, "loudness -20.0 -> -16.0 LUFS, limited"},
        {"at the target already", summary("-16.0", "-6.0"), "", "loudness -16.0 -> -16.0 LUFS"},
        {"noise floor: the gain is held", summary("-52.0", "-30.0"), ",volume=24.0dB",
         "loudness -52.0 -> -28.0 LUFS (gain held at +24.0 dB)"},
        {"silence gets no gain", summary("-70.0", "-inf"), "", "loudness: silent, no gain"},
        {"the frame lines before the summary do not count",
         "[Parsed_ebur128_0 @ 0x1] t: 0.4  M: -20.7 S:-120.7     I: -20.7 LUFS\n" + summary("-26.0", "-20.0"),
         ",volume=10.0dB", "loudness -26.0 -> -16.0 LUFS"},
        {"no sound: the pass failed", "Output file #0 does not contain any stream\n", "",
         "loudness not measured, as recorded"},
        {"a summary cut short", summary("-30.0", "-3.0").substr(0, 90), "", "loudness not measured, as recorded"},
        {"a wild loudness", summary("1e300", "-3.0"), "", "loudness not measured, as recorded"},
        {"no number", summary("nan", "-3.0"), "", "loudness not measured, as recorded"},
        {"a wild peak", summary("-20.0", "999.0"), "", "loudness not measured, as recorded"},
        {"a second summary of nonsense counts, and is refused", summary("-30.0", "-3.0") + summary("-", "-"),
         "", "loudness not measured, as recorded"},
    };
    ThConvertInfoObjectList list;
    list.Quality = 1;
    const auto received = [](const std::string& text) {
        std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + text);
        argv.erase(argv.begin());
        return argv;
    };
    Translation thumbnail = TranslateArguments(received(list.ThumbnailArguments("/v/a.mp4", "/o/a.JPG")));
    EXPECT_FALSE(CarriesSound(thumbnail));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Levelling levelling = ChooseLevelling(ParseLoudnessMeasurement(c.report), 44100);
        if (!c.limitedReport.empty())
            levelling = MadeUp(levelling, ParseLoudnessMeasurement(c.limitedReport), 44100);
        EXPECT_EQ(LevellingSummary(levelling), c.logged);
        list.MusicMode = false;
        Translation video = TranslateArguments(received(list.ConvertArguments("/v/a.mp4", "/o/a.mp4")));
        ASSERT_TRUE(CarriesSound(video));
        ASSERT_EQ(OutputSampleRate(video), 44100);
        ApplyLevelling(video, levelling);
        const auto af = std::find(video.arguments.begin(), video.arguments.end(), "-af");
        ASSERT_NE(af, video.arguments.end());
        EXPECT_EQ(af[1], "aresample=async=1000" + c.videoChain);
        // The MP3 line has no audio filter of its own.
        list.MusicMode = true;
        Translation music = TranslateArguments(received(list.ConvertArguments("/v/a.mp4", "/o/a.mp3")));
        const std::vector<std::string> before = music.arguments;
        ApplyLevelling(music, levelling);
        std::vector<std::string> expected = before;
        if (!c.videoChain.empty())
            expected.insert(expected.begin() + 4, {"-af", c.videoChain.substr(1)});
        EXPECT_EQ(music.arguments, expected);
    }
}
