#include "jobs/ThConvertInfo.h"

#include <gtest/gtest.h>

namespace {
std::string Line(const std::string& args) { return std::string(EncoderPath) + args; }
} // namespace

TEST(EncoderArguments, MusicLineIsExact)
{
    ThConvertInfoObjectList list;
    list.MusicMode = true;
    list.Quality = 7; // ignored by the music line
    EXPECT_EQ(Line(list.ConvertArguments("/v/a.avi", "/o/a.mp3")),
              "lib/ffmpeg -y -i \"/v/a.avi\" -ab 128k -ar 48000 -f mp3 \"/o/a.mp3\"");
}

TEST(EncoderArguments, EveryPresetAndSizeIsExact)
{
    const char* tails[] = {
        " -r 30 -acodec libfaac -b 2048kb -ac 2 -ar 48000 -ab 128k -f mp4 -vlevel 30 ",
        " -r 30 -acodec libfaac -b 1024kb -ac 2 -ar 44100 -ab 128k -f mp4 -vlevel 30 ",
        " -r 30 -acodec libfaac -b 512kb -ac 2 -ar 44100 -ab 128k -f mp4 -vlevel 30 ",
        " -r 15 -acodec libfaac -b 384kb -ac 2 -ar 44100 -ab 64k -f mp4 -vlevel 30 ",
    };
    for (int ratio : {0, 1, 2, 255}) {
        for (int quality = 0; quality < 4; ++quality) {
            ThConvertInfoObjectList list;
            list.Ratio = std::uint8_t(ratio);
            list.Quality = std::uint8_t(quality);
            const std::string size = ratio == 0 ? "-s 320x240 " : "-s 320x180 ";
            EXPECT_EQ(list.SizeArgument(), size);
            EXPECT_EQ(Line(list.ConvertArguments("/v/a b.avi", "/o/a b.mp4")),
                      "lib/ffmpeg -y -i \"/v/a b.avi\" -flags bitexact -vcodec mpeg4 " + size
                          + " -async 1000 " + tails[quality] + "\"/o/a b.mp4\"")
                << "ratio " << ratio << " quality " << quality;
        }
    }
}

TEST(EncoderArguments, QualityAboveThreeNamesNoOutput)
{
    ThConvertInfoObjectList list;
    list.Quality = 7;
    const std::string line = Line(list.ConvertArguments("/v/a.avi", "/o/a.mp4"));
    EXPECT_EQ(line, "lib/ffmpeg -y -i \"/v/a.avi\" -flags bitexact -vcodec mpeg4 -s 320x240  -async 1000 ");
    EXPECT_EQ(line.find("-f mp4"), std::string::npos);
    EXPECT_EQ(line.find("/o/a.mp4"), std::string::npos);
}

TEST(EncoderArguments, ThumbnailLineAndNoneInMusicMode)
{
    ThConvertInfoObjectList list;
    EXPECT_EQ(Line(list.ThumbnailArguments("/v/a.avi", "/W/VIDEO/a.JPG")),
              "lib/ffmpeg -y -i \"/v/a.avi\" -f image2 -s 160x120 -ss 00:00:01 -vframes 1 \"/W/VIDEO/a.JPG\"");
    list.MusicMode = true;
    EXPECT_EQ(list.ThumbnailArguments("/v/a.avi", "/W/VIDEO/a.JPG"), "");
}

TEST(EncoderArguments, QuoteInsidePathIsEscaped)
{
    // A '"' in a Linux file name must not end the argument early.
    ThConvertInfoObjectList list;
    list.MusicMode = true;
    EXPECT_EQ(list.ConvertArguments("/v/say \"hi\".avi", "/o/x.mp3"),
              " -y -i \"/v/say \\\"hi\\\".avi\" -ab 128k -ar 48000 -f mp3 \"/o/x.mp3\"");
}
