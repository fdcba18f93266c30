// Output paths of jobs and their numbering when a name is taken, on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <stdlib.h>

#include "jobs/OutputPath.h"

using movarin::OutputFilePath;
using movarin::ThumbnailPath;
using movarin::UniqueFileName;

namespace {

class OutputPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/movarin-out-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string P(const std::string& name) const { return dir_ + "/" + name; }
    void Touch(const std::string& name) const { std::ofstream(P(name)) << "x"; }

    std::string dir_;
};

TEST_F(OutputPathTest, UniqueFileNameNumbersBeforeTheExtension)
{
    EXPECT_EQ(UniqueFileName(P("movie.mp4")), P("movie.mp4"));
    Touch("movie(1).mp4");
    EXPECT_EQ(UniqueFileName(P("movie.mp4")), P("movie.mp4"));  // gap at the plain name
    Touch("movie.mp4");
    EXPECT_EQ(UniqueFileName(P("movie.mp4")), P("movie(2).mp4"));
    std::filesystem::remove(P("movie(1).mp4"));
    EXPECT_EQ(UniqueFileName(P("movie.mp4")), P("movie(1).mp4"));

    Touch("clip");
    EXPECT_EQ(UniqueFileName(P("clip")), P("clip(1)"));
}

TEST_F(OutputPathTest, FoldersAndLinksAtTheName)
{
    std::filesystem::create_directory(P("movie.mp4"));  // a folder does not count
    EXPECT_EQ(UniqueFileName(P("movie.mp4")), P("movie.mp4"));
    // A dangling link would send the output elsewhere: it counts as taken.
    std::filesystem::create_symlink(P("gone"), P("link.mp4"));
    EXPECT_EQ(UniqueFileName(P("link.mp4")), P("link(1).mp4"));
}

TEST_F(OutputPathTest, OutputFilePathFromSourceAndFolder)
{
    EXPECT_EQ(OutputFilePath("/dvd/VIDEO_TS/VTS_01_1.VOB", "/out/", ".mp4"), "/out/VTS_01_1.mp4");
    EXPECT_EQ(OutputFilePath("/v/a.b.avi", "/out/", ".mp3"), "/out/a.b.mp3");
    EXPECT_EQ(OutputFilePath("/v/clip", "/out/", ".mp4"), "/out/clip.mp4");
    EXPECT_EQ(OutputFilePath("/v.d/clip", "/out/", ".mp4"), "/out/clip.mp4");
    // A hand-edited folder without its delimiter still gets the file inside it.
    EXPECT_EQ(OutputFilePath("/v/a.avi", "/out", ".mp4"), "/out/a.mp4");
    EXPECT_EQ(OutputFilePath("/v/a.avi", "", ".mp4"), "a.mp4");
    EXPECT_EQ(ThumbnailPath("/p/VIDEO/a(1).mp4"), "/p/VIDEO/a(1).JPG");
}

TEST_F(OutputPathTest, NamesTheDestinationCanHold)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/v/第1話: 始まり?.avi", "/o/第1話： 始まり？.mp4"},
        {"/v/「予告」 <1>|2*3.avi", "/o/「予告」 ＜1＞｜2＊3.mp4"},
        {"/v/a\\b \"c\".avi", "/o/a＼b ＂c＂.mp4"},
        {"/v/tab\there\x7f\x01.avi", "/o/tab_here__.mp4"},
        {"/v/clip: x", "/o/clip： x.mp4"},                // no extension: appended
        {"/v:d/ordinary 名前 (1).avi", "/o/ordinary 名前 (1).mp4"},  // only the name counts
    };
    for (const auto& [source, output] : cases)
        EXPECT_EQ(OutputFilePath(source, "/o/", ".mp4"), output) << source;
    // The numbering sees the mapped name: two sources, one destination name.
    const std::string first = OutputFilePath("/v/a?.avi", dir_, ".mp4");
    std::ofstream(first) << "x";
    EXPECT_EQ(UniqueFileName(OutputFilePath("/v/a？.avi", dir_, ".mp4")), P("a？(1).mp4"));
}

TEST_F(OutputPathTest, CaseBlindNamesMeetWhereOnlyTheCaseDiffers)
{
    using movarin::CaseBlindName;
    EXPECT_EQ(CaseBlindName("/p/VIDEO/Clip.MP4"), CaseBlindName("/p/video/clip.mp4"));
    EXPECT_EQ(CaseBlindName("/p/Ärger Ｘ.mp4"), CaseBlindName("/p/ärger ｘ.mp4"));
    EXPECT_NE(CaseBlindName("/p/a.mp4"), CaseBlindName("/p/a(1).mp4"));
    EXPECT_NE(CaseBlindName("/p/動画.mp4"), CaseBlindName("/p/画像.mp4"));
}

} // namespace
