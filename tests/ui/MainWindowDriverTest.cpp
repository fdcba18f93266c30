// The conversion run through the real main window and the real console
// runner, with a scripted stand-in for the encoder at lib/ffmpeg in a temp
// folder that the test makes the current folder.
#include "ui/MainWindowTestSupport.h"

#include <QLabel>
#include <QTimer>

#include <fstream>
#include <sstream>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jobs/ThConvertInfo.h"
#include "platform/Text.h"
#include "runner/ConsoleRunner.h"
#include "runner/RunnerTypes.h"

using movarin::BoxAnswer;
namespace text = movarin::driver_text;
namespace fs = std::filesystem;

namespace {

// Writes its output unless the source name holds "fail" (exit 1); "slow"
// writes a partial output and then waits; "unplug" takes the player's
// PICTURE folder away first. Every call is logged as "source|output".
constexpr const char* FakeEncoder = R"SH(#!/bin/sh
out=""; src=""; prev=""; thumb=0
for a in "$@"; do
  [ "$prev" = "-i" ] && src="$a"
  [ "$a" = "image2" ] && thumb=1
  prev="$a"; out="$a"
done
echo "$src|$out" >> calls.log
if [ $thumb = 1 ]; then
  case "$src" in *thumbwait*) sleep 1 ;; esac
  printf 'jpg' > "$out"; exit 0
fi
case "$src" in
  *slow*) printf 'partial' > "$out"
          printf 'frame= 1 time=61.5 bitrate= 1k\r'
          sleep 30 & echo $! > slow.pid; wait $!; exit 0 ;;
  *unplug*) rmdir "$(cat player.path)PICTURE" ;;
esac
printf 'frame=  1 size= 0kB time=12.5 bitrate= 8.0kbits/s    \r'
printf 'frame=  2 size= 1kB time=3725.6 bitrate= 8.0kbits/s    \r'
case "$src" in *fail*) exit 1 ;; esac
printf 'video' > "$out"
exit 0
)SH";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool ProcessGone(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat)
        return true;
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

class MainWindowDriverTest : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(temp.Path());
        fs::create_directories(temp / "lib");
        {
            std::ofstream script(temp / "lib/ffmpeg");
            script << FakeEncoder;
        }
        fs::permissions(temp / "lib/ffmpeg", fs::perms::owner_all | fs::perms::group_read |
                                                 fs::perms::group_exec);
        Create();
        fs::create_directories(temp / "out");
        // A hand-edited setting without the trailing delimiter.
        window->JobList().SaveDir = temp / "out";
    }
    void TearDown() override
    {
        window.reset();
        fs::current_path(previous_);
    }

    std::string AddPlayer(const std::string& name = "walkman")
    {
        const std::string root = FakeVolumeTable::MakeRoot(temp.Path(), name);
        fs::create_directories(root + "PICTURE");
        fs::create_directories(root + "VIDEO");
        volumes.Add(root, movarin::DriveType::Removable, "WALKMAN");
        std::ofstream(temp / "player.path") << root;
        return root;
    }

    void AddJobs(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            window->AddJob(std::string("/src/") + name);
        window->RefreshJobList();
    }

    bool WaitIdle() { return PumpUntil([this] { return !window->Busy(); }); }

    std::vector<std::string> States() const { return Rows(1); }

    int Count(const std::string& text) const
    {
        int n = 0;
        for (const auto& box : boxes.shown)
            n += box.text == text;
        return n;
    }

    // Starts a movie run on a slow source and waits until its encoder has
    // written the partial output.
    pid_t StartSlowRun(const std::string& output)
    {
        Click(window->ImgBtnConvertMovie);
        EXPECT_TRUE(PumpUntil([&] { return fs::exists(temp / "slow.pid") && fs::exists(output); }));
        return pid_t(std::stoi(ReadFile(temp / "slow.pid")));
    }

    fs::path previous_;
};

TEST_F(MainWindowDriverTest, MovieRunGoesOnPastAFailedJob)
{
    AddJobs({"a.avi", "b-fail.avi", "c.avi"});
    Click(window->ImgBtnConvertMovie);
    EXPECT_TRUE(window->Busy());
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), (std::vector<std::string>{"変換完了", "変換失敗", "変換完了"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
    EXPECT_EQ(ReadFile(temp / "out/a.mp4"), "video");
    EXPECT_EQ(ReadFile(temp / "out/c.mp4"), "video");
    EXPECT_FALSE(fs::exists(temp / "out/b-fail.mp4"));
    EXPECT_EQ(window->JobList().Items(0)->OutputPath, movarin::ToWide(temp / "out/a.mp4"));
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    EXPECT_EQ(opened, std::vector<std::string>{temp / "out"});
    EXPECT_FALSE(window->JobList().MusicMode);
}

TEST_F(MainWindowDriverTest, EmptyOutputFolderSettingWritesIntoTheWorkFolder)
{
    window->JobList().SaveDir = "";
    AddJobs({"a.avi"});
    Click(window->ImgBtnConvertMusic);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadFile(window->WorkDir() + "a.mp3"), "video");
    EXPECT_FALSE(fs::exists(temp / "a.mp3"));
    EXPECT_EQ(opened, std::vector<std::string>{window->WorkDir()});
    EXPECT_EQ(window->JobList().SaveDir, "");
}

TEST_F(MainWindowDriverTest, MusicRunNumbersTakenNames)
{
    std::ofstream(temp / "out/a.mp3") << "old";
    AddJobs({"a.avi"});
    Click(window->ImgBtnConvertMusic);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(window->JobList().MusicMode);
    EXPECT_EQ(States(), std::vector<std::string>{"変換完了"});
    EXPECT_EQ(ReadFile(temp / "out/a.mp3"), "old");
    EXPECT_EQ(ReadFile(temp / "out/a(1).mp3"), "video");
}

TEST_F(MainWindowDriverTest, PlayerRunMakesThumbnailsAndOpensTheVideoFolder)
{
    const std::string root = AddPlayer();
    AddJobs({"a.avi", "b-fail.avi", "c.avi"});
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), (std::vector<std::string>{"転送完了", "変換失敗", "転送完了"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    for (const char* name : {"a.mp4", "a.JPG", "c.mp4", "c.JPG"})
        EXPECT_TRUE(fs::exists(root + "VIDEO/" + name)) << name;
    // The thumbnail of each job is made before its conversion.
    const std::string calls = ReadFile(temp / "calls.log");
    EXPECT_LT(calls.find("/src/a.avi|" + root + "VIDEO/a.JPG"),
              calls.find("/src/a.avi|" + root + "VIDEO/a.mp4"));
    EXPECT_EQ(opened, std::vector<std::string>{root + "VIDEO/"});
}

TEST_F(MainWindowDriverTest, PlayerThatGoesAwayFailsTheRestAndWritesNothingHere)
{
    AddPlayer();
    AddJobs({"a-unplug.avi", "b.avi", "c.avi"});
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), (std::vector<std::string>{"転送完了", "変換失敗", "変換失敗"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    for (const auto& entry : fs::directory_iterator(temp.Path()))
        EXPECT_NE(entry.path().extension(), ".mp4") << entry.path();
    EXPECT_EQ(ReadFile(temp / "calls.log").find("b.avi"), std::string::npos);
    EXPECT_TRUE(opened.empty());  // no player to open
}

TEST_F(MainWindowDriverTest, PressPreparesTheListAndRefusesWithoutPlayer)
{
    AddJobs({"done.avi", "again.avi"});
    window->JobList().Items(0)->State = csTransferred;
    window->JobList().Items(1)->State = csFailed;
    window->RefreshJobList();

    Click(window->ImgBtnConvertMovie2Walkman);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::FinishedJobsRemoved, text::NoPlayer}));
    EXPECT_EQ(boxes.shown[1].text, "WALKMAN本体がパソコンに接続(USBモード)されていません。\r\n"
                                   "ご確認の上もう一度実行してください。");
    EXPECT_EQ(boxes.shown[1].title, "情報");
    EXPECT_EQ(Rows(0), std::vector<std::string>{"again.avi"});
    EXPECT_EQ(States(), std::vector<std::string>{"変換待ち"});
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(fs::exists(temp / "calls.log"));

    // The failed job is converted again; with OpenDir false no folder opens.
    window->JobList().OpenDir = false;
    boxes.shown.clear();
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(States(), std::vector<std::string>{"変換完了"});
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
    EXPECT_TRUE(opened.empty());

    // The converted job goes, with the same notice, and leaves nothing to do.
    boxes.shown.clear();
    Click(window->ImgBtnConvertMusic);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::FinishedJobsRemoved, text::EmptyList}));
    EXPECT_FALSE(window->Busy());
}

TEST_F(MainWindowDriverTest, CancelStopsTheEncoderAndRemovesThePartialOutput)
{
    AddJobs({"slow.avi", "next.avi"});
    const pid_t helper = StartSlowRun(temp / "out/slow.mp4");
    ASSERT_TRUE(PumpUntil([&] { return !window->LblSituation->text().isEmpty(); }));
    EXPECT_EQ(window->LblSituation->text(), "00時間01分02秒までの動画を変換完了");

    boxes.answers = {BoxAnswer::No};
    Click(window->ImgBtnConvertCancel);
    EXPECT_TRUE(window->Busy());
    EXPECT_TRUE(window->ConsoleConvert->IsRunning());
    EXPECT_EQ(States(), (std::vector<std::string>{"変換中", "変換待ち"}));

    boxes.answers = {BoxAnswer::Yes};
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    EXPECT_EQ(States(), (std::vector<std::string>{"変換待ち", "変換待ち"}));
    EXPECT_FALSE(fs::exists(temp / "out/slow.mp4"));
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    EXPECT_TRUE(PumpUntil([&] { return ProcessGone(helper); }, 5000));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::ConfirmCancel, text::ConfirmCancel}));
    EXPECT_EQ(boxes.shown[1].title, "確認");
    EXPECT_EQ(window->JobList().Items(0)->OutputPath, movarin::ToWide(temp / "out/slow.mp4"));
    // Nothing comes later either: no completion box, no job started.
    QTest::qWait(200);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(ReadFile(temp / "calls.log").find("next.avi"), std::string::npos);
}

TEST_F(MainWindowDriverTest, CancelInPlayerModeRemovesTheThumbnailToo)
{
    const std::string root = AddPlayer();
    AddJobs({"slow.avi"});
    window->JobList().OpenDir = false;
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(temp / "slow.pid"); }));
    ASSERT_TRUE(fs::exists(root + "VIDEO/slow.JPG"));
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(fs::exists(root + "VIDEO/slow.mp4"));
    EXPECT_FALSE(fs::exists(root + "VIDEO/slow.JPG"));
}

TEST_F(MainWindowDriverTest, CancelWhileTheThumbnailIsMadeChangesNothing)
{
    const std::string root = AddPlayer();
    AddJobs({"thumbwait.avi"});
    bool clicked = false;
    QTimer::singleShot(300, window.get(), [&] {
        EXPECT_TRUE(window->ImgBtnConvertCancel->isEnabled());
        Click(window->ImgBtnConvertCancel);
        clicked = true;
    });
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(clicked);
    EXPECT_EQ(States(), std::vector<std::string>{"転送完了"});
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{text::ConfirmCancel, text::Transferred}));
    EXPECT_TRUE(fs::exists(root + "VIDEO/thumbwait.mp4"));
}

TEST_F(MainWindowDriverTest, LateEndOfAStoppedRunIsNotAppliedToALaterRun)
{
    AddJobs({"slow.avi"});
    StartSlowRun(temp / "out/slow.mp4");
    const std::uint64_t first = window->Driver().CurrentRun();
    Click(window->ImgBtnConvertCancel);
    ASSERT_FALSE(window->Busy());
    fs::remove(temp / "slow.pid");

    StartSlowRun(temp / "out/slow.mp4");
    ASSERT_NE(window->Driver().CurrentRun(), first);
    // The first run's end, arriving now with a clean exit, must not finish the job.
    window->Driver().ConsoleConvertTerminated(first, 0, rsExited);
    EXPECT_EQ(States(), std::vector<std::string>{"変換中"});
    EXPECT_TRUE(window->Busy());
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
}

TEST_F(MainWindowDriverTest, EncoderThatCannotStartFailsItsJob)
{
    fs::remove(temp / "lib/ffmpeg");
    AddJobs({"a.avi", "b.avi"});
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(States(), (std::vector<std::string>{"変換失敗", "変換失敗"}));
    EXPECT_EQ(Count(text::Converted), 1);
    int errors = 0;
    for (const auto& box : boxes.shown)
        errors += box.icon == movarin::BoxIcon::Error;
    EXPECT_EQ(errors, 2);
}

TEST_F(MainWindowDriverTest, EndWithoutAnExitOfItsOwnCountsAsFailedWhateverTheCode)
{
    AddJobs({"slow.avi"});
    StartSlowRun(temp / "out/slow.mp4");
    // As a runner reports a start that failed: exit code 0, run still at a stage.
    window->Driver().ConsoleConvertTerminated(window->Driver().CurrentRun(), 0, rsCreatingProcess);
    EXPECT_EQ(States(), std::vector<std::string>{"変換失敗"});
    EXPECT_FALSE(window->Busy());
}

TEST_F(MainWindowDriverTest, CancelGivesUpOnAFileThatCannotBeDeleted)
{
    AddJobs({"slow.avi"});
    window->Driver().RemoveFile = [](const std::string&) { return false; };
    window->Driver().GiveUpAfter = std::chrono::milliseconds(300);
    StartSlowRun(temp / "out/slow.mp4");
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "情報");
    EXPECT_EQ(boxes.shown[1].text, temp / "out/slow.mp4" + text::CannotDeleteSuffix);
    EXPECT_EQ(States(), std::vector<std::string>{"変換待ち"});
}

} // namespace
