// The staged lib/ffmpeg on real sources of today's kinds, with Movarin's own
// video and thumbnail lines: the picture comes out as the player should show
// it, in the frame the setting names.
#include "ChildRun.h"
#include "PictureSources.h"
#include "TempDir.h"
#include "jobs/PartialName.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>

using picture::Kind;

namespace {

std::vector<std::string> Received(const std::string& argumentText)
{
    std::vector<std::string> argv = movarin::SplitCommandLine(std::string(EncoderPath) + argumentText);
    argv.erase(argv.begin());
    return argv;
}

class PictureE2E : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = std::make_unique<TempDir>();
        // Long enough for the thumbnail, taken at one second.
        for (Kind kind : kKinds)
            ASSERT_EQ(picture::MakeSource(picture::KindOf(kind), dir_->Path().string(), 1.5), "");
    }
    static void TearDownTestSuite() { dir_.reset(); }

    static constexpr Kind kKinds[] = {Kind::Hlg, Kind::Portrait, Kind::Interlaced480, Kind::Wide};
    static std::unique_ptr<TempDir> dir_;
};

std::unique_ptr<TempDir> PictureE2E::dir_;

} // namespace

TEST_F(PictureE2E, VideoAndThumbnailAsThePlayerShouldShowThem)
{
    const char* applied[] = {"tone-mapped to BT.709", "rotated 270", "deinterlaced", "with black bars"};
    for (std::size_t i = 0; i < std::size(kKinds); ++i) {
        const picture::SourceKind& kind = picture::KindOf(kKinds[i]);
        const std::string source = picture::SourcePath(kind, dir_->Path().string());
        const std::string master = picture::MasterPath(kind, dir_->Path().string());
        const picture::Rect whole = {kind.displayWidth, kind.displayHeight, 0, 0};
        const double masterSaturation = picture::MeanSaturation(master, whole);
        // HDR too: its reference white is the master's white.
        const double masterLuma = picture::MeanLuma(master, whole);
        ThConvertInfoObjectList list;
        list.Quality = 1;
        list.Ratio = std::uint8_t(kind.ratio);
        const std::string video = dir_->File(std::string(kind.file) + ".mp4");
        const std::string thumbnail = dir_->File(std::string(kind.file) + ".jpg");
        const struct {
            std::string line;
            std::string output;
            int width;
            int height;
        } runs[] = {
            // The front leaves its output under the temporary name for the
            // driver to rename once flushed.
            {list.ConvertArguments(source, video), movarin::PartialName(video), 320, kind.ratio == 0 ? 240 : 180},
            {list.ThumbnailArguments(source, thumbnail), movarin::PartialName(thumbnail), 160, 120},
        };
        for (const auto& run : runs) {
            SCOPED_TRACE(std::string(kind.name) + " -> " + run.output);
            const ChildResult r = RunChild(MOVARIN_ENCODER_FRONT, Received(run.line));
            ASSERT_EQ(r.exitCode, 0) << r.output;
            EXPECT_NE(r.output.find(applied[i]), std::string::npos) << r.output;

            const picture::Stream stream = picture::VideoStreamOf(run.output);
            EXPECT_EQ(stream.width, run.width);
            EXPECT_EQ(stream.height, run.height);
            EXPECT_EQ(stream.sar, "1:1");

            const picture::Rect content = picture::ContentOf(run.output);
            ASSERT_GT(content.height, 0) << "all black";
            const double shape = double(content.width) / content.height;
            const double expected = double(kind.displayWidth) / kind.displayHeight;
            EXPECT_NEAR(shape / expected, 1.0, 0.06) << content.width << "x" << content.height;

            const double saturation = picture::MeanSaturation(run.output, content) / masterSaturation;
            EXPECT_NEAR(saturation, 1.0, 0.25);
            EXPECT_NEAR(picture::MeanLuma(run.output, content) / masterLuma, 1.0, 0.05);
        }
    }
}
