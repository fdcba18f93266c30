// The front's switch to temporary names, on the translations of Movarin's
// own lines and of shapes that could mistake an input for an output.
#include "encoder/PartialOutputs.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#ifndef _WIN32
#include "TempDir.h"
#endif

using movarin::encoder::TranslateArguments;
using movarin::encoder::Translation;
using Args = std::vector<std::string>;

namespace {

Args Received(const std::string& argumentText)
{
    Args argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    argv.erase(argv.begin());
    return argv;
}

TEST(PartialOutputs, FFmpegWritesOnlyUnderTheTemporaryNameAndNothingElseChanges)
{
    ThConvertInfoObjectList list;
    const std::string in = "/in/a.avi";
    const std::string mp4 = "/out/第1話.mp4";
    const std::string jpg = "/W/VIDEO/a.JPG";
    // 244 bytes, as a long programme title gives: a name the suffix would
    // take past the limit, and one that differs only at its end.
    std::string title;
    for (int i = 0; i < 16; ++i)
        title += "長い番組名";
    const std::string longMp4 = title + ".mp4";
    const std::string alikeMp4 = title.substr(0, title.size() - 3) + "表.mp4";
    struct Case {
        const char* label;
        Args received;
        bool truncationDenied;
        Args arguments;  // what FFmpeg gets afterwards
    };
    const Case cases[] = {
        {"video", Received(list.ConvertArguments(in, mp4)), false,
         {"-nostdin", "-y", "-i", in, "-flags", "bitexact", "-vcodec", "mpeg4", "-s", "320x240",
          "-af", "aresample=async=1000", "-r", "30", "-acodec", "aac", "-b:v", "2048k", "-ac",
          "2", "-ar", "48000", "-b:a", "128k", "-f", "mp4", mp4 + ".movarin-part"}},
        // The picture's encoder can no longer come from the name.
        {"picture", Received(list.ThumbnailArguments(in, jpg)), false,
         {"-nostdin", "-y", "-i", in, "-f", "image2", "-update", "1", "-s", "160x120", "-ss",
          "00:00:01", "-vframes", "1", "-c:v", "mjpeg", jpg + ".movarin-part"}},
        {"picture without truncation", Received(list.ThumbnailArguments(in, jpg)), true,
         {"-nostdin", "-y", "-i", in, "-f", "mjpeg", "-s", "160x120", "-ss", "00:00:01",
          "-vframes", "1", "-truncate", "0", "-c:v", "mjpeg", jpg + ".movarin-part"}},
        {"an input of the output's name", {"-i", "x.mp4", "-f", "mp4", "x.mp4"}, false,
         {"-nostdin", "-i", "file:x.mp4", "-f", "mp4", "file:x.mp4.movarin-part"}},
        {"a name too long for the suffix", {"-i", "x.avi", "-f", "mp4", longMp4}, false,
         {"-nostdin", "-i", "file:x.avi", "-f", "mp4", "file:" + movarin::PartialName(longMp4)}},
        {"one that begins alike", {"-i", "x.avi", "-f", "mp4", alikeMp4}, false,
         {"-nostdin", "-i", "file:x.avi", "-f", "mp4", "file:" + movarin::PartialName(alikeMp4)}},
        {"a probe writes nothing", Received(list.LengthArguments(in)), false,
         {"-nostdin", "-i", in}},
    };
    // Each temporary name fits wherever its final name fits (created beside
    // it where the file system's names are UTF-8), and no two final names
    // share one.
#ifndef _WIN32
    const TempDir folder;
#endif
    const auto nameOf = [](const std::string& path) { return path.substr(path.find_last_of('/') + 1); };
    std::map<std::string, std::string> finalOf;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Translation t = TranslateArguments(c.received, c.truncationDenied);
        const Args outputsBefore = t.outputs;
        movarin::encoder::WriteUnderPartialNames(t);
        EXPECT_EQ(t.arguments, c.arguments);
        ASSERT_EQ(t.outputs.size(), outputsBefore.size());
        for (std::size_t i = 0; i < t.outputs.size(); ++i) {
            EXPECT_EQ(t.outputs[i], movarin::PartialName(outputsBefore[i]));
            const std::string finalName = nameOf(outputsBefore[i]);
            const std::string name = nameOf(t.outputs[i]);
            EXPECT_TRUE(movarin::IsPartialName(name));
#ifndef _WIN32
            ASSERT_TRUE(std::ofstream(folder.File(finalName)).good()) << finalName;
            EXPECT_TRUE(std::ofstream(folder.File(name)).good()) << name;
#endif
            EXPECT_EQ(finalOf.emplace(name, finalName).first->second, finalName);
        }
    }
}

} // namespace
