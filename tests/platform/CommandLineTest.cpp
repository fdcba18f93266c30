#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using movarin::SplitCommandLine;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheSystemRules)
{
    struct Case {
        const char* line;
        Args expected;
    };
    const Case cases[] = {
        {"", {}},
        {"prog", {"prog"}},
        // The program name: a quoted one ends at the next quote, an unquoted
        // one at the first blank; backslashes never escape.
        {R"("C:\a b\"x y)", {R"(C:\a b\)", "x", "y"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"("a b)", {"a b"}},
        {R"(a\"b" c)", {R"(a\"b")", "c"}},
        {" prog a", {"", "prog", "a"}},
        // Blanks and tabs separate; runs of them count once; no empty tail.
        {"p a \t b   ", {"p", "a", "b"}},
        {R"(p "" "a b")", {"p", "", "a b"}},
        // Backslashes are literal unless a quote follows them.
        {R"(p a\b\\c\)", {"p", R"(a\b\\c\)"}},
        {R"(p a\\"b c")", {"p", R"(a\b c)"}},
        {R"(p a\\\"b)", {"p", R"(a\"b)"}},
        {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        // A doubled quote inside quotes is a literal quote and ends the quotes.
        {R"(p "a""b c")", {"p", R"(a"b)", "c"}},
        {R"(p """a b")", {"p", R"("a)", "b"}},
        {R"(p a"b c"d)", {"p", "ab cd"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
}

TEST(SplitCommandLine, GivesBackTheBuildersArguments)
{
    const std::pair<std::string, std::string> paths[] = {
        {"/home/u/My Videos/a b.avi", "/home/u/out/a b.mp4"},
        {R"(/media/v/"quoted" name.avi)", R"(/o/"quoted" name.mp4)"},
        {R"(/v/back\slash\)", R"(/o/trailing\\)"},
        {R"(/v/mix\"ed\\".mpg)", R"(/o/-y -i x".mp4)"},
        {"/ビデオ/録画　第1話.VOB", "/出力/録画　第1話.mp4"},
        {"", R"(")"},
        {R"(\")", R"("")"},
        {"tab\there", R"(\)"},
    };
    for (const auto& [source, output] : paths) {
        ThConvertInfoObjectList list;
        list.Quality = 3;
        list.Ratio = 1;
        const Args video = SplitCommandLine(EncoderPath + list.ConvertArguments(source, output));
        EXPECT_EQ(video, (Args{"lib/ffmpeg", "-y", "-i", source, "-flags", "bitexact", "-vcodec",
                              "mpeg4", "-s", "320x180", "-async", "1000", "-r", "15", "-acodec",
                              "libfaac", "-b", "384kb", "-ac", "2", "-ar", "44100", "-ab", "64k",
                              "-f", "mp4", "-vlevel", "30", output}));

        const Args thumb = SplitCommandLine(EncoderPath + list.ThumbnailArguments(source, output));
        EXPECT_EQ(thumb, (Args{"lib/ffmpeg", "-y", "-i", source, "-f", "image2", "-s", "160x120",
                              "-ss", "00:00:01", "-vframes", "1", output}));

        list.MusicMode = true;
        const Args music = SplitCommandLine(EncoderPath + list.ConvertArguments(source, output));
        EXPECT_EQ(music, (Args{"lib/ffmpeg", "-y", "-i", source, "-ab", "128k", "-ar", "48000",
                              "-f", "mp3", output}));
    }
}
