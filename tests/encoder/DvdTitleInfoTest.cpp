// A DVD title set's streams: the IFO's attributes as the front names them,
// and the confined reader's reply read back as the untrusted text it is.
#include "encoder/source/DvdTitleInfo.h"

#include <gtest/gtest.h>

using namespace movarin::encoder;

namespace {

std::string Describe(const DvdTitleInfo& info)
{
    std::string text;
    for (const DvdAudioStream& a : info.audio)
        text += "a" + std::to_string(a.streamId) + ":" + a.language + ":" + std::to_string(int(a.kind)) + ":"
            + std::to_string(a.channels) + ":" + DvdAudioFormatName(a.format) + " ";
    for (const DvdSubtitleStream& s : info.subtitles)
        text += "s" + std::to_string(s.streamId) + ":" + s.language + ":" + std::to_string(int(s.kind)) + " ";
    return text + DvdPaletteOption(info.palette);
}

} // namespace

TEST(DvdTitleInfo, AttributesAsTheDemuxerAndTheChooserNameThem)
{
    // Stream ids: the number in audio_control's bits 8-10 on the format's
    // base, absent without bit 15; subp_control's 4:3 or wide field.
    EXPECT_EQ(DvdAudioStreamId(0, 0x8000), 0x80);
    EXPECT_EQ(DvdAudioStreamId(6, 0x8300), 0x8B);
    EXPECT_EQ(DvdAudioStreamId(4, 0x8100), 0xA1);
    EXPECT_EQ(DvdAudioStreamId(3, 0x8700), 0xC7);
    EXPECT_EQ(DvdAudioStreamId(0, 0x0100), std::nullopt);
    EXPECT_EQ(DvdAudioStreamId(5, 0x8000), std::nullopt); // SDDS
    EXPECT_EQ(DvdSubtitleStreamId(0x81020304, false), 0x21);
    EXPECT_EQ(DvdSubtitleStreamId(0x81020304, true), 0x22);
    EXPECT_EQ(DvdSubtitleStreamId(0x9F1F0000, false), 0x3F);
    EXPECT_EQ(DvdSubtitleStreamId(0x01020304, true), std::nullopt);
    EXPECT_EQ(DvdLanguageTag('j', 'a'), "jpn");
    EXPECT_EQ(DvdLanguageTag('E', 'N'), "eng");
    EXPECT_EQ(DvdLanguageTag('d', 'e'), "ger");
    EXPECT_EQ(DvdLanguageTag('x', 'x'), "");
    EXPECT_EQ(DvdLanguageTag('\0', '\0'), "");
    EXPECT_EQ(DvdAudioKindOf(3), DvdAudioKind::Commentary);
    EXPECT_EQ(DvdAudioKindOf(4), DvdAudioKind::Commentary);
    EXPECT_EQ(DvdAudioKindOf(2), DvdAudioKind::VisuallyImpaired);
    EXPECT_EQ(DvdAudioKindOf(200), DvdAudioKind::Unspecified);
    EXPECT_EQ(DvdSubtitleKindOf(9), DvdSubtitleKind::Forced);
    EXPECT_EQ(DvdSubtitleKindOf(6), DvdSubtitleKind::Captions);
    EXPECT_EQ(DvdSubtitleKindOf(14), DvdSubtitleKind::Commentary);
    // The IFO's black, white and red (Y, Cr, Cb in video range; red as stored
    // rounds to 254).
    EXPECT_EQ(DvdPaletteRgb(0x00108080), 0x000000U);
    EXPECT_EQ(DvdPaletteRgb(0x00EB8080), 0xFFFFFFU);
    EXPECT_EQ(DvdPaletteRgb(0x0051F05A), 0xFE0000U);

    const auto chapter = ParseDvdChapterPath("/media/disc/video_ts/vts_03_2.vob");
    ASSERT_TRUE(chapter);
    EXPECT_EQ(chapter->disc, "/media/disc");
    EXPECT_EQ(chapter->folder, "/media/disc/video_ts");
    EXPECT_EQ(chapter->titleSet, 3);
    EXPECT_EQ(ParseDvdChapterPath("/VIDEO_TS/VTS_01_1.VOB")->disc, "/");
    for (const char* notChapter : {"/d/VIDEO_TS/VTS_01_0.VOB", "/d/VIDEO_TS/VTS_00_1.VOB", "/d/VIDEO_TS/VIDEO_TS.VOB",
                                   "/d/MOVIE/VTS_01_1.VOB", "/d/VIDEO_TS/VTS_1_1.VOB", "/d/VIDEO_TS/VTS_+1_1.VOB"})
        EXPECT_FALSE(ParseDvdChapterPath(notChapter)) << notChapter;
}

TEST(DvdTitleInfo, ReaderReplyReadAsUntrusted)
{
    const std::string header = "movarin-dvd 1\n";
    const std::string palette = "palette 000000 808080 404040 ffffff ff0000 00ff00 0000ff ffff00 00ffff ff00ff "
                                "800000 008000 000080 808000 008080 800080\n";
    const std::string good = header + "audio 128 eng normal 6 ac3\naudio 137 jpn commentary 2 dts\n"
        + "audio 193 - impaired 2 mpeg\nsubtitle 32 jpn forced\nsubtitle 63 - -\n" + palette;
    std::string tooManySubtitles = header;
    for (int id = 0x20; id <= 0x3F; ++id)
        tooManySubtitles += "subtitle " + std::to_string(id) + " jpn normal\n";
    const std::string overlong = tooManySubtitles + std::string(kDvdReplyLimit, ' ') + "\n";
    struct Case {
        std::string reply;
        std::string expected;
    };
    const Case cases[] = {
        {good, "a128:eng:1:6:AC-3 a137:jpn:3:2:DTS a193::2:2:MPEG audio s32:jpn:5 s63::0 "
               "000000,808080,404040,ffffff,ff0000,00ff00,0000ff,ffff00,00ffff,ff00ff,800000,008000,000080,808000,"
               "008080,800080"},
        {header, ""}, // no streams: a disc that gives nothing
        // Every fault below empties the whole reply.
        {"", ""},
        {overlong, ""},
        {tooManySubtitles + "subtitle 32 jpn normal\n", ""},        // 33 streams, and 0x20 twice
        {header + "audio 224 jpn normal 2 ac3\n", ""},              // the video's id
        {header + "audio 136 jpn normal 2 ac3\n", ""},              // a DTS id for AC-3
        {header + "audio 128 jpn normal 9 ac3\n", ""},              // channels
        {header + "audio 128 jpn normal 0 ac3\n", ""},
        {header + "audio 128 japanese normal 2 ac3\n", ""},         // language
        {header + "audio 128 JPN normal 2 ac3\n", ""},
        {header + "audio 128 jpn normal 2 ac3 x\n", ""},            // extra field
        {header + "audio -128 jpn normal 2 ac3\n", ""},
        {header + "audio 128  jpn normal 2 ac3\n", ""},
        {header + "subtitle 31 jpn normal\n", ""},
        {header + "subtitle 64 jpn normal\n", ""},
        {header + "subtitle 32 jpn subtitled\n", ""},
        {header + palette + palette, ""},
        {header + "palette 000000 ffffff\n", ""},
        {header + "palette" + std::string(16, ' ') + "\n", ""},
        {"movarin-dvd 2\n", ""},
        {header + "audio 128 eng normal 6 ac3", ""},                // cut short
        {header + "\n", ""},
        {header + "video 480\n", ""},
    };
    for (const Case& c : cases) {
        const DvdTitleInfo info = ParseDvdReply(c.reply);
        EXPECT_EQ(Describe(info), c.expected) << c.reply.substr(0, 80);
    }
    EXPECT_EQ(ParseDvdReply(tooManySubtitles).subtitles.size(), 32U);
    // What the reader writes is what the front reads back, within the bound.
    EXPECT_EQ(Describe(ParseDvdReply(FormatDvdReply(ParseDvdReply(good)))), cases[0].expected);
    EXPECT_LE(FormatDvdReply(ParseDvdReply(tooManySubtitles)).size(), kDvdReplyLimit);
}
