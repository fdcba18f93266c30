// How the jobs of a run end through the main window: cancelled, failed,
// flushed to the medium, or stopped by a full destination.
#include "run/ConversionRunFixture.h"

#include "jobs/PartialName.h"

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
    EXPECT_FALSE(fs::exists(temp / "out/slow.mp4.movarin-part"));
    EXPECT_FALSE(fs::exists(temp / "out/slow2.mp4.movarin-part"));
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
    ASSERT_TRUE(fs::exists(root + "VIDEO/slow.JPG.movarin-part"));
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
    EXPECT_FALSE(fs::exists(root + "VIDEO/slow.mp4.movarin-part"));
    EXPECT_FALSE(fs::exists(root + "VIDEO/slow.JPG.movarin-part"));
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
    // The file as it lies there, under its temporary name.
    EXPECT_EQ(boxes.shown[1].text, temp / "out/slow.mp4.movarin-part" + " を削除できませんでした");
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
    window->Driver().Flush = [&](const std::vector<movarin::WrittenFile>& files,
                                 const std::string& folder) {
        {
            std::lock_guard lock(mutex);
            for (const auto& file : files)
                flushed.insert(flushed.end(), {file.written, file.final});
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
    EXPECT_EQ(flushed, (std::vector<std::string>{
                           root + "VIDEO/a.mp4.movarin-part", root + "VIDEO/a.mp4",
                           root + "VIDEO/a.JPG.movarin-part", root + "VIDEO/a.JPG",
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
        // Pulled out: the job that waited for the player is not tried.
        {window->ImgBtnConvertMovie2Walkman, "a.avi", EIO,
         std::string(text::Transferred) + "\n" + text::PlayerGone},
        // And the run forgets the earlier run's cause.
        {window->ImgBtnConvertMovie2Walkman, "a.avi", EACCES, text::Transferred},
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
        window->Driver().Flush = [error](const std::vector<movarin::WrittenFile>& files,
                                         const std::string& folder) {
            const bool failing = files.front().final.find("ok-") == std::string::npos;
            if (failing && error)
                return movarin::FlushResult{error, files.front().written};
            return movarin::FlushToMedium(files, folder);
        };
        Click(c.button);
        ASSERT_TRUE(WaitIdle());
        const bool player = c.button == window->ImgBtnConvertMovie2Walkman;
        const std::string second = c.flushError == EIO ? "変換失敗" : player ? "転送完了" : "変換完了";
        EXPECT_EQ(States(), (std::vector<std::string>{"変換失敗", second}));
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.box});
        for (const std::string& folder : {root + "VIDEO/", temp / "out/"})
            for (const std::string name : {"full.mp4", "full.JPG", "full.mp3", "a.mp4", "a.JPG", "a.mp3"})
                for (const std::string& file : {folder + name, folder + name + ".movarin-part"})
                    EXPECT_FALSE(fs::exists(file)) << file;
    }
}

TEST_F(MainWindowDriverTest, AJobLeavesAFinalNameOnlyWhenItIsDoneAndNoTemporaryName)
{
    // Each case runs "<name>.avi" then "next.avi" into the output folder.
    // The medium fails for names with "flush" (before the rename), "late"
    // (after it: the folder's flush) and "gone" (the folder is taken away).
    struct Case {
        const char* name;
        bool cancel;
        std::vector<std::string> states;
        std::string box;  // nothing for a cancelled run
    };
    const std::string done = text::Converted;
    const Case cases[] = {
        {"ok", false, {"変換完了", "変換完了"}, done},
        {"full", false, {"変換失敗", "変換完了"}, done + "\n" + text::DestinationFull},
        {"slow", true, {"変換待ち", "変換待ち"}, ""},
        {"flush", false, {"変換失敗", "変換完了"}, done},
        {"late", false, {"変換失敗", "変換完了"}, done},
        // next.avi is not tried: the folder it would go to is gone.
        {"gone", false, {"変換失敗", "変換失敗"}, done + "\n" + text::DestinationGone},
    };
    window->Driver().Flush = [](const std::vector<movarin::WrittenFile>& files,
                                const std::string& folder) {
        const std::string name = fs::path(files.front().final).stem();
        if (name == "flush")
            return movarin::FlushResult{EACCES, files.front().written};
        if (name == "gone") {
            fs::remove_all(folder);
            return movarin::FlushResult{ENOENT, files.front().written};
        }
        const movarin::FlushResult result = movarin::FlushToMedium(files, folder);
        return name == "late" ? movarin::FlushResult{EROFS, folder} : result;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(temp / "out");
        ReplaceJobs({std::string("/src/") + c.name + ".avi", "/src/next.avi"});
        boxes.shown.clear();
        fs::remove(temp / "calls.log");
        if (c.cancel) {
            StartSlowRun();
            Click(window->ImgBtnConvertCancel);
        } else {
            Click(window->ImgBtnConvertMovie);
        }
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(States(), c.states);
        if (!c.cancel) {
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{c.box});
        }
        const bool ok = c.states[0] == "変換完了";
        const std::string output = temp / (std::string("out/") + c.name + ".mp4");
        EXPECT_EQ(fs::exists(output), ok);
        EXPECT_FALSE(fs::exists(output + ".movarin-part"));
        EXPECT_EQ(ReadFile(temp / "calls.log").find("next.avi") != std::string::npos,
                  c.states[1] == "変換完了");
        fs::remove_all(temp / "out");
    }
}

TEST_F(MainWindowDriverTest, ARunRemovesTheTemporaryFilesADeadRunLeftWhereItWritesAndNothingElse)
{
    const std::string root = AddPlayer();
    std::string title;  // so long that its temporary name is cut short
    for (int i = 0; i < 16; ++i)
        title += "長い番組名";
    const std::vector<std::string> stale = {temp / "out/a.mp4.movarin-part",
                                            temp / "out/第1話.mp4.movarin-part",
                                            temp / "out/x.JPG.movarin-part",
                                            temp / "out/" + movarin::PartialName(title + ".mp4")};
    const std::vector<std::string> kept = {
        temp / "out/b.mp4",         temp / "out/notes.txt",
        temp / "out/.movarin-part", temp / "out/c.mp4.movarin-parts",
        temp / "out/sub/d.mp4.movarin-part", root + "VIDEO/e.mp4.movarin-part"};
    for (const auto& file : stale)
        std::ofstream(file) << "stale";
    fs::create_directories(temp / "out/sub");
    fs::create_directories(temp / "out/folder.movarin-part");
    for (const auto& file : kept)
        std::ofstream(file) << "kept";
    AddJobs({"a.avi"});
    Click(window->ImgBtnConvertMovie);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), std::vector<std::string>{"変換完了"});
    // The stale file took no name from the new output.
    EXPECT_EQ(ReadFile(temp / "out/a.mp4"), "video");
    for (const auto& file : stale)
        EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept)
        EXPECT_EQ(ReadFile(file), "kept") << file;
    EXPECT_TRUE(fs::is_directory(temp / "out/folder.movarin-part"));
}

} // namespace
