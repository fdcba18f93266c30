// How the jobs of a run end through the main window: cancelled, failed,
// flushed to the medium, or stopped by a full destination.
#include "run/ConversionRunFixture.h"

using namespace movarin_driver_test;

namespace {

TEST_F(MainWindowDriverTest, CancelStopsEveryEncoderAndRemovesEveryPartialOutput)
{
    AddJobs({"slow.avi", "slow2.avi", "next.avi"});
    window->Driver().ParallelJobs = 2;
    const std::vector<pid_t> helpers = StartSlowRun({"slow.avi", "slow2.avi"});
    // No length known: exactly the progress text of the first job.
    ASSERT_TRUE(PumpUntil([&] { return !window->LblSituation->text().isEmpty(); }));
    EXPECT_EQ(window->LblSituation->text(), "00時間01分02秒までの動画を変換完了");

    boxes.answers = {BoxAnswer::No};
    Click(window->ImgBtnConvertCancel);
    EXPECT_TRUE(window->Busy());
    EXPECT_NE(window->Driver().CurrentRun(), 0u);
    EXPECT_EQ(States(), (std::vector<std::string>{"変換中", "変換中", "変換待ち"}));

    boxes.answers = {BoxAnswer::Yes};
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    EXPECT_EQ(States(), (std::vector<std::string>{"変換待ち", "変換待ち", "変換待ち"}));
    EXPECT_FALSE(fs::exists(temp / "out/slow.mp4"));
    EXPECT_FALSE(fs::exists(temp / "out/slow2.mp4"));
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    for (const pid_t helper : helpers)
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
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(temp / "pids/slow.avi"); }));
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
    StartSlowRun();
    const std::uint64_t first = window->Driver().CurrentRun();
    Click(window->ImgBtnConvertCancel);
    ASSERT_FALSE(window->Busy());
    fs::remove(temp / "pids/slow.avi");

    StartSlowRun();
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
    window->Driver().ParallelJobs = 2;
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
    StartSlowRun();
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
    StartSlowRun();
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title, "情報");
    EXPECT_EQ(boxes.shown[1].text, temp / "out/slow.mp4" + text::CannotDeleteSuffix);
    EXPECT_EQ(States(), std::vector<std::string>{"変換待ち"});
}

TEST_F(MainWindowDriverTest, FilesReachTheMediumBeforeTheJobIsDoneAndTheBoxShows)
{
    const std::string root = AddPlayer();
    AddJobs({"a.avi"});
    std::mutex mutex;
    std::vector<std::string> flushed;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    window->Driver().Flush = [&](const std::vector<std::string>& files, const std::string& folder) {
        {
            std::lock_guard lock(mutex);
            flushed = files;
            flushed.push_back(folder);
        }
        released.wait();
        return movarin::FlushResult{};
    };
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(PumpUntil([&] {
        std::lock_guard lock(mutex);
        return !flushed.empty();
    }));
    // The window goes on while the medium takes its time; the job waits.
    QTest::qWait(200);
    EXPECT_EQ(States(), std::vector<std::string>{"変換中"});
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(window->Busy());
    release.set_value();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(States(), std::vector<std::string>{"転送完了"});
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    EXPECT_EQ(flushed, (std::vector<std::string>{root + "VIDEO/a.mp4", root + "VIDEO/a.JPG",
                                                 root + "VIDEO/"}));
}

TEST_F(MainWindowDriverTest, FullOrLostDestinationFailsTheJobLeavesNothingAndNamesTheCause)
{
    struct Case {
        TImageButton* button;
        const char* source;
        int flushError;
        std::string box;
    };
    const std::string root = AddPlayer();
    const Case cases[] = {
        {window->ImgBtnConvertMovie2Walkman, "full.avi", 0,
         std::string(text::Transferred) + "\n" + text::PlayerFull},
        {window->ImgBtnConvertMovie2Walkman, "a.avi", ENOSPC,
         std::string(text::Transferred) + "\n" + text::PlayerFull},
        // Pulled out; and the run forgets the earlier run's cause.
        {window->ImgBtnConvertMovie2Walkman, "a.avi", EIO, text::Transferred},
        {window->ImgBtnConvertMovie, "full.avi", 0,
         std::string(text::Converted) + "\n" + text::DestinationFull},
        {window->ImgBtnConvertMusic, "a.avi", ENOSPC,
         std::string(text::Converted) + "\n" + text::DestinationFull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " " + std::to_string(c.flushError));
        while (window->JobList().Count() > 0)
            window->JobList().Delete(0);
        AddJobs({c.source, "ok-hold3.avi"});
        boxes.shown.clear();
        const int error = c.flushError;
        window->Driver().Flush = [error](const std::vector<std::string>& files,
                                         const std::string&) {
            const bool failing = files.front().find("ok-") == std::string::npos;
            return movarin::FlushResult{failing ? error : 0, failing ? files.front() : ""};
        };
        Click(c.button);
        ASSERT_TRUE(WaitIdle());
        const bool player = c.button == window->ImgBtnConvertMovie2Walkman;
        EXPECT_EQ(States(), (std::vector<std::string>{"変換失敗", player ? "転送完了" : "変換完了"}));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.box});
        for (const std::string& folder : {root + "VIDEO/", temp / "out/"})
            for (const char* name : {"full.mp4", "full.JPG", "full.mp3", "a.mp4", "a.JPG", "a.mp3"})
                EXPECT_FALSE(fs::exists(folder + name)) << folder + name;
    }
}

} // namespace
