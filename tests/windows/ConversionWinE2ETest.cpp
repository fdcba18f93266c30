// Whole conversions under Wine: clicks on the main window run the driver,
// the console runner, lib\ffmpeg.exe and the bundled FFmpeg. The outputs stay
// in MOVARIN_WIN_E2E_OUT, where the Windows test script checks them with the
// Linux ffprobe.
#include "ui/MainWindowTestSupport.h"

#include "jobs/ThConvertInfo.h"
#include "platform/FilePath.h"

namespace fs = std::filesystem;
using movarin::FsPath;

namespace {

const std::string OutDir = std::string(MOVARIN_WIN_E2E_OUT) + "/";

class ConversionWinE2E : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(MOVARIN_STAGE_DIR);
        ASSERT_TRUE(fs::exists("lib/ffmpeg.exe"));
        ASSERT_TRUE(fs::exists("lib/encoder/ffmpeg.exe"));
        source_ = temp / "素材 clip.mpg";
        fs::copy_file(FsPath(MOVARIN_WIN_E2E_CLIP), FsPath(source_));
        Create();
        window->JobList().SaveDir = OutDir;
        window->JobList().OpenDir = false;
        window->AddJob(source_);
        window->RefreshJobList();
    }
    void TearDown() override
    {
        window.reset();
        fs::current_path(previous_);
    }
    void RunAndWait(TImageButton* button)
    {
        Click(button);
        ASSERT_TRUE(PumpUntil([this] { return !window->Busy(); }, 300000));
    }
    std::string source_;
    fs::path previous_;
};

} // namespace

TEST_F(ConversionWinE2E, MovieThenMusicIntoTheOutputFolder)
{
    window->JobList().Quality = 0;
    window->JobList().Ratio = 0;
    RunAndWait(window->ImgBtnConvertMovie);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    EXPECT_GT(fs::file_size(FsPath(OutDir + "素材 clip.mp4")), 10000u);

    window->AddJob(source_);
    window->RefreshJobList();
    RunAndWait(window->ImgBtnConvertMusic);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    EXPECT_GT(fs::file_size(FsPath(OutDir + "素材 clip.mp3")), 1000u);
}

TEST_F(ConversionWinE2E, MovieOntoThePlayerWithThumbnail)
{
    const std::string root = OutDir + "player/";
    fs::create_directories(FsPath(root + "PICTURE"));
    fs::create_directories(FsPath(root + "VIDEO"));
    volumes.Add(root, movarin::DriveType::Removable, "WALKMAN");
    window->JobList().Quality = 3;
    RunAndWait(window->ImgBtnConvertMovie2Walkman);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"転送完了"});
    EXPECT_GT(fs::file_size(FsPath(root + "VIDEO/素材 clip.mp4")), 10000u);
    EXPECT_GT(fs::file_size(FsPath(root + "VIDEO/素材 clip.JPG")), 0u);
}
