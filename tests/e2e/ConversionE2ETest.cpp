// Whole conversion runs with the real FFmpeg through the real encoder front
// (lib/ffmpeg in the stage folder), started by clicks on the main window.
#include "ui/MainWindowTestSupport.h"

#include <QProcess>
#include <QStringList>

#include <sstream>

#include <fstream>
#include <map>

#include "jobs/ThConvertInfo.h"

namespace fs = std::filesystem;
namespace text = movarin::driver_text;

namespace {

// Runs a program (never through a shell) and returns its standard output.
std::string RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, args);
    process.waitForFinished(120000);
    if (exitCode)
        *exitCode = process.exitCode();
    return process.readAllStandardOutput().toStdString();
}

// key=value lines of the first stream of the given kind ("v" or "a").
std::map<std::string, std::string> Probe(const std::string& file, const char* stream)
{
    const std::string out =
        RunTool("ffprobe", {"-v", "error", "-select_streams", QString(stream) + ":0", "-show_entries",
                        "stream=codec_name,width,height,r_frame_rate,sample_rate,channels", "-of",
                        "default=nw=1", QString::fromStdString(file)});
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

class ConversionE2ETest : public ::testing::Test, protected MainWindowFixture {
protected:
    static void SetUpTestSuite()
    {
        sources_ = new TempFolder;
        source_ = *sources_ / "clip \"q\" 日本語.avi";
        int code = -1;
        RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                       "testsrc=size=640x480:rate=25:duration=2", "-f", "lavfi", "-i",
                       "sine=frequency=440:duration=2:sample_rate=44100", "-c:v", "mpeg4", "-c:a",
                       "mp2", "-shortest", QString::fromStdString(source_)},
            &code);
        ASSERT_EQ(code, 0);
        ASSERT_TRUE(fs::exists(source_));
    }
    static void TearDownTestSuite()
    {
        delete sources_;
        sources_ = nullptr;
    }

    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(MOVARIN_STAGE_DIR);
        ASSERT_TRUE(fs::exists("lib/ffmpeg"));
        Create();
        window->JobList().SaveDir = temp / "out/";
        window->JobList().OpenDir = false;
        fs::create_directories(temp / "out");
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
        ASSERT_TRUE(PumpUntil([this] { return !window->Busy(); }, 120000));
    }

    static TempFolder* sources_;
    static std::string source_;
    fs::path previous_;
};

TempFolder* ConversionE2ETest::sources_ = nullptr;
std::string ConversionE2ETest::source_;

TEST_F(ConversionE2ETest, MovieInBothAspectRatios)
{
    window->JobList().Quality = 0;
    window->JobList().Ratio = 0;
    RunAndWait(window->ImgBtnConvertMovie);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    const std::string first = temp / "out/clip \"q\" 日本語.mp4";
    auto video = Probe(first, "v");
    auto audio = Probe(first, "a");
    EXPECT_EQ(video["codec_name"], "mpeg4");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["height"], "240");
    EXPECT_EQ(video["r_frame_rate"], "30/1");
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(audio["sample_rate"], "48000");
    EXPECT_EQ(audio["channels"], "2");

    // The finished job leaves the list; the same source again gets a number.
    window->AddJob(source_);
    window->JobList().Quality = 3;
    window->JobList().Ratio = 1;
    RunAndWait(window->ImgBtnConvertMovie);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    const std::string second = temp / "out/clip \"q\" 日本語(1).mp4";
    video = Probe(second, "v");
    audio = Probe(second, "a");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["height"], "180");
    EXPECT_EQ(video["r_frame_rate"], "15/1");
    EXPECT_EQ(audio["codec_name"], "aac");
    EXPECT_EQ(audio["sample_rate"], "44100");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::Converted, text::FinishedJobsRemoved,
                                                       text::Converted}));
}

TEST_F(ConversionE2ETest, MovieOntoThePlayerWithThumbnail)
{
    const std::string root = FakeVolumeTable::MakeRoot(temp.Path(), "player");
    fs::create_directories(root + "PICTURE");
    fs::create_directories(root + "VIDEO");
    volumes.Add(root, movarin::DriveType::Removable, "WALKMAN");
    window->JobList().Quality = 3;
    RunAndWait(window->ImgBtnConvertMovie2Walkman);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"転送完了"});
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    auto video = Probe(root + "VIDEO/clip \"q\" 日本語.mp4", "v");
    EXPECT_EQ(video["codec_name"], "mpeg4");
    auto picture = Probe(root + "VIDEO/clip \"q\" 日本語.JPG", "v");
    EXPECT_EQ(picture["codec_name"], "mjpeg");
    EXPECT_EQ(picture["width"], "160");
    EXPECT_EQ(picture["height"], "120");
}

TEST_F(ConversionE2ETest, MusicAt48kHz)
{
    RunAndWait(window->ImgBtnConvertMusic);
    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換完了"});
    auto audio = Probe(temp / "out/clip \"q\" 日本語.mp3", "a");
    EXPECT_EQ(audio["codec_name"], "mp3");
    EXPECT_EQ(audio["sample_rate"], "48000");
}

} // namespace
