// What the front does to a picture and to its sound: FFmpeg's description
// of a source and its measure of the loudness read back, the treatment
// chosen from them, and the treatment put into Movarin's own command lines.
#include "encoder/source/Loudness.h"
#include "encoder/source/PictureTreatment.h"
#include "encoder/source/TrackChoice.h"
#include "encoder/source/TrackMapping.h"
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

// One stream as a line, its dispositions and title at the end.
std::string Described(const SourceStream& s)
{
    static const char* const kinds[] = {"video", "audio", "subtitle", "attachment", "other"};
    std::string text = std::to_string(s.index) + " " + kinds[int(s.kind)] + " " + s.codec
        + (s.id >= 0 ? " id " + std::to_string(s.id) : "") + (s.language.empty() ? "" : " " + s.language);
    if (s.kind == SourceStream::Kind::Audio)
        text += " " + std::to_string(s.channels) + " " + s.channelLayout;
    for (const auto& [on, name] : {std::pair{s.isDefault, "default"}, {s.forced, "forced"}, {s.comment, "comment"},
                                   {s.visualImpaired, "vi"}, {s.hearingImpaired, "hi"}, {s.attachedPic, "pic"},
                                   {s.dub, "dub"}, {s.original, "original"}, {s.bitmap, "bitmap"}})
        if (on)
            text += std::string(" ") + name;
    if (s.kind == SourceStream::Kind::Subtitle && s.width > 0)
        text += " " + std::to_string(s.width) + "x" + std::to_string(s.height);
    return s.title.empty() ? text : text + " '" + s.title + "'";
}

TEST(PictureTreatment, FfmpegsListOfTheSourcesStreams)
{
    struct Case {
        const char* name;
        std::string report;
        std::vector<std::string> expected;
        std::optional<double> duration = 1.0;
    };
    // Listed twice over and beyond the bound: the first of each index, up to the bound.
    std::string crowded;
    std::vector<std::string> hostile = {"3 video h264 " + std::string(64, 'l') + " '" + std::string(64, 't') + "'",
                                        "4 audio mp3 0 999999999999 channels"};
    for (int i = 0; i < 70; ++i) {
        crowded += "  Stream #0:" + std::to_string(i) + ": Audio: " + std::string(100, 'x') + ", 48000 Hz, 3 channels\n";
        if (i != 3 && i != 4 && i < int(kMaxSourceStreams))
            hostile.push_back(std::to_string(i) + " audio " + std::string(64, 'x') + " 3 3 channels");
    }
    const Case cases[] = {
        {"MKV: commentary, a dub flagged default, ASS flagged default, forced SRT; chapter and file titles are not the streams'",
         Report("  Metadata:\n    title           : The film\n  Chapters:\n    Chapter #0:0: start 0.000000, end 1.000000\n"
                "      Metadata:\n        title           : Opening\n"
                "  Stream #0:0: Video: h264 (High), yuv420p(progressive), 640x360 [SAR 1:1 DAR 16:9], 25 fps\n"
                "  Stream #0:1(eng): Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s (comment)\n    Metadata:\n"
                "      title           : Director's commentary, (with parens)\n                      : second line\n"
                "  Stream #0:2(jpn): Audio: aac (LC), 48000 Hz, mono, fltp (default) (dub)\n"
                "    Side data:\n      title           : not metadata\n"
                "  Stream #0:3(jpn): Subtitle: ass (default)\n    Metadata:\n      DURATION        : 00:00:01.0\n"
                "  Stream #0:4(und): Subtitle: subrip (forced) (hearing impaired)\n    Metadata:\n"
                "      title           : Signs\n  Stream #0:5: Attachment: ttf\n"),
         {"0 video h264", "1 audio ac3 eng 6 5.1(side) comment 'Director's commentary, (with parens)'",
          "2 audio aac jpn 1 mono default dub", "3 subtitle ass jpn default", "4 subtitle subrip forced hi 'Signs'",
          "5 attachment ttf"}},
        {"program stream: ids, no languages, bitmap subtitles; the second input is not the source",
         "Input #0, mpeg, from 'VTS_01_1.VOB':\n  Duration: 00:01:03.50, start: 0.528033, bitrate: 1737 kb/s\n"
         "  Stream #0:0[0x1bf]: Data: dvd_nav_packet\n"
         "  Stream #0:1[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, progressive), 720x480 [SAR 32:27 DAR 16:9]\n"
         "  Stream #0:2[0x80]: Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s\n"
         "  Stream #0:3[0x81]: Audio: ac3, 48000 Hz, 2 channels (FL+LFE), fltp, 448 kb/s\n"
         "  Stream #0:4[0x20]: Subtitle: dvd_subtitle, 720x480\n  Stream #0:5[0x21]: Subtitle: dvb_subtitle, 99999x480\n"
         "Input #1, mpeg, from 'other.mpg':\n  Stream #0:6[0x22]: Subtitle: dvd_subtitle\n",
         {"0 other dvd_nav_packet id 447", "1 video mpeg2video id 480", "2 audio ac3 id 128 6 5.1(side)",
          "3 audio ac3 id 129 2 2 channels (FL+LFE)", "4 subtitle dvd_subtitle id 32 bitmap 720x480",
          "5 subtitle dvb_subtitle id 33 bitmap"},
         63.5},
        {"a summary a taken-over FFmpeg wrote: bounded streams and fields, odd lines left out",
         "Input #0, x, from 'x':\n  Duration: N/A\n  Stream #0:99: Audio: mp3\n  Stream #0:-1: Audio: mp3\n"
         "  Stream #0:3(" + std::string(200, 'l') + "): Video: h264 (" + std::string(80, 'd') + ")\n    Metadata:\n"
         "      title   : " + std::string(300, 't') + "\n  Stream #0:4: Audio: mp3, 48000 Hz, 999999999999 channels\n"
         "  Stream #0\n  Stream #0:5(eng)\n" + crowded,
         hostile, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> streams;
        for (const SourceStream& s : ParseSourceStreams(c.report))
            streams.push_back(Described(s));
        EXPECT_EQ(streams, c.expected);
        EXPECT_EQ(ParseSourceDuration(c.report), c.duration);
    }
}

TEST(PictureTreatment, TracksChosenForTheViewerAsADiscPlayerWould)
{
    struct Case {
        const char* name;
        std::string streams;
        std::vector<KnownStream> disc;
        const char* language; // the environment's, null when unset
        const char* subtitles;
        const char* expected;
    };
    const std::string dvd = "  Stream #0:0[0x1e0]: Video: mpeg2video (Main), yuv420p(tv, top first), 720x480\n"
                            "  Stream #0:1[0x80]: Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s\n";
    const std::string dub = "  Stream #0:2[0x81]: Audio: ac3, 48000 Hz, stereo, fltp, 192 kb/s\n";
    const std::string dvdSubtitles = "  Stream #0:3[0x20]: Subtitle: dvd_subtitle\n  Stream #0:4[0x21]: Subtitle: dvd_subtitle\n";
    const std::vector<KnownStream> ifo = {{0x80, "en", false, false}, {0x81, "ja", false, false},
                                          {0x20, "en", false, false}, {0x21, "ja", false, false}};
    const std::string mkv = "  Stream #0:0: Video: h264 (High), yuv420p(progressive), 1920x1080\n"
                            "  Stream #0:1(eng): Audio: aac (LC), 48000 Hz, stereo, fltp (default)\n"
                            "  Stream #0:2(jpn): Audio: aac (LC), 48000 Hz, stereo, fltp\n"
                            "  Stream #0:3(jpn): Subtitle: ass (default)\n";
    const Case cases[] = {
        {"DVD, languages in the IFO alone: the dub, and the forced captions of its language's stream",
         dvd + dub + dvdSubtitles, ifo, nullptr, nullptr,
         "audio: #2 jpn AC-3 2.0 (viewer's language); subtitles: #2 jpn DVD burned (forced events only)"},
        {"the same disc without the dub: its subtitles", dvd + dvdSubtitles, ifo, nullptr, nullptr,
         "audio: #1 eng AC-3 5.1 (the only one); subtitles: #2 jpn DVD burned (audio foreign)"},
        {"the IFO's commentary, the viewer English: the film, no subtitles", dvd + dub + dvdSubtitles,
         {{0x80, "en", false, false}, {0x81, "en", true, false}}, "eng", nullptr,
         "audio: #1 eng AC-3 5.1 (viewer's language); subtitles: none"},
        {"a disc's forced stream, audio in the viewer's language", dvd + dvdSubtitles,
         {{0x80, "ja", false, false}, {0x21, "ja", false, true}}, "jpn", nullptr,
         "audio: #1 jpn AC-3 5.1 (viewer's language); subtitles: #2 jpn DVD burned (forced)"},
        {"MKV: the Japanese track over the default, the default ASS", mkv, {}, "jpn", nullptr,
         "audio: #2 jpn AAC 2.0 (viewer's language); subtitles: #1 jpn ASS burned (default)"},
        {"the same for an English viewer", mkv, {}, "eng", "auto",
         "audio: #1 eng AAC 2.0 (viewer's language); subtitles: #1 jpn ASS burned (default)"},
        {"subtitles turned off", mkv, {}, "jpn", "off", "audio: #2 jpn AAC 2.0 (viewer's language); subtitles: off"},
        {"German by either code; the visually impaired track passed over",
         "  Stream #0:0(deu): Audio: eac3, 48000 Hz, 5.1(side), fltp (visual impaired)\n"
         "  Stream #0:1(deu): Audio: eac3, 48000 Hz, stereo, fltp\n",
         {}, "ger", nullptr, "audio: #2 deu E-AC-3 2.0 (viewer's language); subtitles: none"},
        {"no commentary for a film; the full track for foreign audio, not the one for the deaf",
         "  Stream #0:0(jpn): Audio: opus, 48000 Hz, stereo, fltp (comment)\n"
         "  Stream #0:1(eng): Audio: opus, 48000 Hz, 5.1, fltp\n  Stream #0:2(eng): Audio: opus, 48000 Hz, stereo, fltp (default)\n"
         "  Stream #0:3(jpn): Subtitle: subrip (hearing impaired)\n  Stream #0:4(jpn): Subtitle: subrip\n"
         "  Stream #0:5(jpn): Subtitle: subrip (forced)\n",
         {}, nullptr, nullptr, "audio: #3 eng Opus 2.0 (default); subtitles: #2 jpn SRT burned (audio foreign)"},
        {"no language known: the first of the most channels, no subtitles for it; a forced one in a third language is not shown",
         "  Stream #0:0: Audio: mp2, 48000 Hz, stereo, s16p\n  Stream #0:1: Audio: ac3, 48000 Hz, 5.1(side), fltp\n"
         "  Stream #0:2: Audio: dts (DTS), 48000 Hz, 5.1(side), fltp\n  Stream #0:3(jpn): Subtitle: subrip\n"
         "  Stream #0:4(fre): Subtitle: subrip (forced)\n",
         {}, "xx", nullptr, "audio: #2 AC-3 5.1 (most channels); subtitles: none"},
        {"no track in the viewer's language: the forced captions of the audio's, not of a third",
         "  Stream #0:0(eng): Audio: ac3, 48000 Hz, stereo, fltp\n  Stream #0:1(fre): Subtitle: hdmv_pgs_subtitle\n"
         "  Stream #0:2(eng): Subtitle: hdmv_pgs_subtitle\n",
         {}, nullptr, nullptr, "audio: #1 eng AC-3 2.0 (the only one); subtitles: #2 eng PGS burned (forced events only)"},
        {"subtitles a picture cannot take are passed over; a forced one goes with the audio",
         "  Stream #0:0(eng): Audio: aac, 48000 Hz, stereo, fltp\n  Stream #0:1(eng): Subtitle: dvb_teletext (default)\n"
         "  Stream #0:2(eng): Subtitle: hdmv_pgs_subtitle (forced)\n  Stream #0:3(jpn): Subtitle: hdmv_pgs_subtitle (forced)\n",
         {}, nullptr, nullptr, "audio: #1 eng AAC 2.0 (the only one); subtitles: #2 eng PGS burned (forced)"},
        {"nothing to hear or read", "  Stream #0:0: Video: h264, yuv420p, 640x480\n", {}, nullptr, nullptr,
         "audio: none; subtitles: none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<SourceStream> streams = ParseSourceStreams(Report(c.streams));
        const TrackChoice choice = ChooseTracks(streams, ViewerFrom(c.language, c.subtitles), c.disc);
        EXPECT_EQ(DescribeTracks(choice), c.expected);
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

TEST(PictureTreatment, TracksMappedAndSubtitlesBurnedInMovarinsLines)
{
    ThConvertInfoObjectList list;
    list.Ratio = 1;
    const auto received = [](const std::string& text) {
        std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + text);
        argv.erase(argv.begin());
        return argv;
    };
    const std::string source = "/v/a:b'c.mkv";
    const std::vector<SourceStream> streams = ParseSourceStreams(Report(
        "  Stream #0:0: Video: mjpeg, yuvj420p, 600x600 (attached pic)\n"
        "  Stream #0:1[0x1e0]: Video: mpeg2video, yuv420p(tv, top first), 720x480 [SAR 32:27 DAR 16:9]\n"
        "  Stream #0:2(jpn): Audio: aac (LC), 48000 Hz, stereo, fltp\n"
        "  Stream #0:3(jpn): Subtitle: ass (default)\n  Stream #0:4(jpn): Subtitle: dvd_subtitle (default)\n"));
    const PictureTreatment dvd = ChooseTreatment(Picture(720, 480, 32, 27, 0, "top first"), {320, 180});
    TrackChoice text = ChooseTracks(streams, Viewer{});
    TrackChoice bitmap = text;
    bitmap.subtitle = streams[4];
    bitmap.subtitleNumber = 2;
    TrackChoice forcedHd = bitmap;
    forcedHd.subtitle->width = 1920;
    forcedHd.subtitle->height = 1080;
    forcedHd.forcedEventsOnly = true;
    const std::string overlaid
        = "-filter_complex [0:1][0:4]overlay=eof_action=pass:format=auto," + dvd.filter + "[picture]";
    const std::string subtitles = "subtitles=filename=" + FilterGraphValue(source) + ":si=0:original_size=854x480";
    struct Case {
        const char* name;
        std::string line;
        const TrackChoice& choice;
        std::string palette;
        std::vector<std::string> decoding; // before -i
        std::vector<std::string> mapped;   // after the input
        std::string filter;                // -vf or -filter_complex with its value; empty for none
    };
    list.MusicMode = true;
    const std::string music = list.ConvertArguments(source, "a.mp3");
    list.MusicMode = false;
    const Case cases[] = {
        {"video, text subtitles drawn at the content's size", list.ConvertArguments(source, "a.mp4"), text, "",
         {"-dual_mono_mode", "main"}, {"-map", "0:1", "-map", "0:2"}, "-vf " + dvd.fitted + "," + subtitles + dvd.framing},
        {"video, DVD subtitles laid over the source in its palette", list.ConvertArguments(source, "a.mp4"), bitmap,
         "000000,FFFFFF,80ff00", {"-dual_mono_mode", "main", "-palette", "000000,FFFFFF,80ff00"},
         {"-map", "[picture]", "-map", "0:2"},
         overlaid},
        {"the forced captions of a track drawn for 1080 lines, its canvas brought to the picture's size",
         list.ConvertArguments(source, "a.mp4"), forcedHd, "", {"-dual_mono_mode", "main", "-forced_subs_only", "1"},
         {"-map", "[picture]", "-map", "0:2"},
         "-filter_complex [0:4]scale=720:480[canvas];[0:1][canvas]overlay=eof_action=pass:format=auto," + dvd.filter
             + "[picture]"},
        {"a palette that is not one is not passed on", list.ConvertArguments(source, "a.mp4"), bitmap, "00,-i x",
         {"-dual_mono_mode", "main"}, {"-map", "[picture]", "-map", "0:2"},
         overlaid},
        {"thumbnail: the picture alone, the cover passed over", list.ThumbnailArguments(source, "a.jpg"), text, "",
         {}, {"-map", "0:1"}, "-vf " + dvd.filter},
        {"music: the sound alone", music, text, "", {"-dual_mono_mode", "main"}, {"-map", "0:2"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Translation t = TranslateArguments(received(c.line));
        const LineKind kind = KindOfLine(t);
        ApplyTracks(t, kind, c.choice, ChosenVideo(streams), kind == LineKind::Music ? nullptr : &dvd, {c.palette, true});
        const auto input = std::find(t.arguments.begin(), t.arguments.end(), "-i");
        EXPECT_EQ(std::vector<std::string>(t.arguments.begin() + 2, input), c.decoding);
        EXPECT_EQ(std::vector<std::string>(input + 2, input + 2 + std::ptrdiff_t(c.mapped.size())), c.mapped);
        std::string filter;
        for (std::size_t i = 0; i + 1 < t.arguments.size(); ++i)
            if (t.arguments[i] == "-vf" || t.arguments[i] == "-filter_complex")
                filter = t.arguments[i] + " " + t.arguments[i + 1];
        EXPECT_EQ(filter, c.filter);
        EXPECT_FALSE(RequestedFrameSize(t).has_value());
    }
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
    // Every track measured as the source is read: a summary each, in order,
    // a nonsense one kept in its place so that the others keep theirs.
    const std::vector<LoudnessMeasurement> tracks
        = ParseTrackLoudness(summary("-11.1", "-10.4") + summary("-", "-") + summary("-70.0", "-inf"));
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_TRUE(tracks[0].found && tracks[0].integrated == -11.1 && tracks[0].peak == -10.4);
    EXPECT_FALSE(tracks[1].found);
    EXPECT_TRUE(tracks[2].found && tracks[2].silent);
}
