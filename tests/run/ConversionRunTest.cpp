// A run through the main window: how many encoders at once and which job
// next, the names it writes, the player, and what the status line says.
#include "run/ConversionRunFixture.h"

using namespace movarin_driver_test;

namespace {

TEST_F(MainWindowDriverTest, RunKeepsUpToNEncodersBusyAndAppliesEachEndToItsOwnJob)
{
    // Ends arrive in another order than the starts; sources on one optical
    // disc take turns while others run beside them.
    const std::string disc = FakeVolumeTable::MakeRoot(temp.Path(), "disc");
    volumes.Add(disc, movarin::DriveType::Optical, "DVD");
    const std::string vob = disc + "VIDEO_TS/";
    struct Case {
        std::size_t parallel;
        std::vector<std::string> sources;
        std::vector<std::string> states;
        int peak;
    };
    const std::string ok = "変換完了", failed = "変換失敗";
    const std::vector<Case> cases = {
        {1, {"/src/a-hold2.avi", "/src/b-fail.avi", "/src/c.avi"}, {ok, failed, ok}, 1},
        {2,
         {"/src/d-hold6.avi", "/src/e-hold3-fail.avi", "/src/f-hold3.avi", "/src/g-hold1.avi"},
         {ok, failed, ok, ok},
         2},
        {3,
         {"/src/h-hold5.avi", "/src/i-fail-hold3.avi", "/src/j-hold4.avi", "/src/k.avi",
          "/src/l.avi"},
         {ok, failed, ok, ok, ok},
         3},
        {3,
         {vob + "VTS_01_1-hold3.VOB", vob + "VTS_01_2-hold3.VOB", "/src/m-hold6.avi",
          vob + "VTS_02_1.VOB"},
         {ok, ok, ok, ok},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sources.front());
        ReplaceJobs(c.sources);
        fs::remove(temp / "peak.log");
        fs::remove(temp / "discpeak.log");
        boxes.shown.clear();
        window->Driver().ParallelJobs = c.parallel;

        Click(window->ImgBtnConvertMovie);
        EXPECT_TRUE(window->Busy());
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(States(), c.states);
        EXPECT_EQ(Peak("peak.log"), c.peak);
        EXPECT_LE(Peak("discpeak.log"), 1);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Converted});
        for (std::size_t i = 0; i < c.sources.size(); ++i) {
            const std::string output =
                temp / "out/" + fs::path(c.sources[i]).stem().string() + ".mp4";
            EXPECT_EQ(window->JobList().Items(int(i))->OutputPath, movarin::ToWide(output));
            EXPECT_EQ(fs::exists(output), c.states[i] == ok) << output;
        }
    }
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    EXPECT_EQ(opened.back(), temp / "out");
    EXPECT_FALSE(window->JobList().MusicMode);
}

TEST_F(MainWindowDriverTest, FreedPlaceTakesTheLongestWaitingJobUnknownFirst)
{
    // The first job of each case holds its place while the others pass one
    // by one through the other; the starts of one click come in any order.
    const std::string disc = FakeVolumeTable::MakeRoot(temp.Path(), "disc");
    volumes.Add(disc, movarin::DriveType::Optical, "DVD");
    struct Case {
        std::size_t parallel;
        std::vector<std::string> sources;
        std::set<std::string> first;      // started together by the click
        std::vector<std::string> then;  // in this order
    };
    const std::string vob = disc + "VIDEO_TS/";
    const std::vector<Case> cases = {
        // Known lengths, equal ones in list order.
        {2, {"/src/a-len10.avi", "/src/b-len60-hold9.avi", "/src/c-len30.avi", "/src/d-len10.avi"},
         {"b-len60-hold9.avi", "c-len30.avi"}, {"a-len10.avi", "d-len10.avi"}},
        // Unknown lengths before any known one.
        {2, {"/src/e-len30.avi", "/src/f-hold9.avi", "/src/g-len60.avi", "/src/h.avi"},
         {"f-hold9.avi", "h.avi"}, {"g-len60.avi", "e-len30.avi"}},
        // One place: the list's order.
        {1, {"/src/i-len10.avi", "/src/j.avi", "/src/k-len60.avi"},
         {"i-len10.avi"}, {"j.avi", "k-len60.avi"}},
        // The chapters of one disc still take turns.
        {2, {vob + "VTS_01_1-len10.VOB", vob + "VTS_01_2-len60-hold9.VOB", "/src/m-len30.avi"},
         {"VTS_01_2-len60-hold9.VOB", "m-len30.avi"}, {"VTS_01_1-len10.VOB"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sources.front());
        ReplaceJobs(c.sources);
        window->RefreshJobList();
        ASSERT_TRUE(WaitLengths());
        fs::remove(temp / "calls.log");
        fs::remove(temp / "discpeak.log");
        window->Driver().ParallelJobs = c.parallel;

        Click(window->ImgBtnConvertMovie);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(States(), std::vector<std::string>(c.sources.size(), "変換完了"));
        const std::vector<std::string> starts = Starts();
        ASSERT_EQ(starts.size(), c.first.size() + c.then.size());
        EXPECT_EQ(std::set<std::string>(starts.begin(), starts.begin() + long(c.first.size())),
                  c.first);
        EXPECT_EQ(std::vector<std::string>(starts.begin() + long(c.first.size()), starts.end()),
                  c.then);
        EXPECT_LE(Peak("discpeak.log"), 1);
    }
}

TEST_F(MainWindowDriverTest, LengthsAreReadOneAtATimeAndAResultFindsOnlyItsOwnJob)
{
    // p's probe is still running when p goes and q moves into its place.
    AddJobs({"p-len30-probehold.avi", "q-len60.avi"});
    ASSERT_TRUE(PumpUntil([&] { return fs::exists(temp / "probing"); }));
    window->JobList().Delete(0);
    window->RefreshJobList();
    AddJobs({"r-len90.avi", "s-lenNA.avi"});
    ASSERT_TRUE(WaitLengths());
    ThConvertInfoObjectList& jobs = window->JobList();
    ASSERT_EQ(jobs.Count(), 3);
    EXPECT_EQ(jobs.Items(0)->Length, 60.0);
    EXPECT_EQ(jobs.Items(1)->Length, 90.0);
    EXPECT_EQ(jobs.Items(2)->Length, 0.0);  // read, not known
    EXPECT_EQ(ReadFile(temp / "probes.log"),
              "p-len30-probehold.avi\nq-len60.avi\nr-len90.avi\ns-lenNA.avi\n");
    EXPECT_FALSE(fs::exists(temp / "overlap.log"));
    // The list view and the run are none the wiser.
    EXPECT_EQ(Rows(0), (std::vector<std::string>{"q-len60.avi", "r-len90.avi", "s-lenNA.avi"}));
    EXPECT_FALSE(fs::exists(temp / "calls.log"));
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

TEST_F(MainWindowDriverTest, NamesAreUniqueAcrossTheRunBeforeAnyFileIsWritten)
{
    // B and b would be one file on the player's case-blind storage.
    std::ofstream(temp / "out/a.mp3") << "old";
    AddJobs({"a.avi", "a.mpg", "a.flv", "B.avi", "b.mpg"});
    window->Driver().ParallelJobs = 5;
    Click(window->ImgBtnConvertMusic);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(window->JobList().MusicMode);
    EXPECT_EQ(States(), std::vector<std::string>(5, "変換完了"));
    EXPECT_EQ(ReadFile(temp / "out/a.mp3"), "old");
    for (const char* name : {"a(1).mp3", "a(2).mp3", "a(3).mp3", "B.mp3", "b(1).mp3"})
        EXPECT_EQ(ReadFile(temp / "out/" + name), "video") << name;
}

TEST_F(MainWindowDriverTest, PlayerRunMakesThumbnailsAndOpensTheVideoFolder)
{
    const std::string root = AddPlayer();
    AddJobs({"a.avi", "b-fail.avi", "c.avi"});
    window->Driver().ParallelJobs = 2;
    window->JobList().Subtitles = smOff;
    window->JobList().Loudness = false;
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), (std::vector<std::string>{"転送完了", "変換失敗", "転送完了"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    for (const char* name : {"a.mp4", "a.JPG", "c.mp4", "c.JPG"})
        EXPECT_TRUE(fs::exists(root + "VIDEO/" + name)) << name;
    // The failed job leaves no picture without its video.
    for (const char* name : {"b-fail.JPG", "b-fail.JPG.movarin-part"})
        EXPECT_FALSE(fs::exists(root + "VIDEO/" + name)) << name;
    // The thumbnail of each job is made before its conversion.
    const std::string calls = ReadFile(temp / "calls.log");
    for (const std::string name : {"a", "c"})
        EXPECT_LT(calls.find("/src/" + name + ".avi|" + root + "VIDEO/" + name + ".JPG"),
                  calls.find("/src/" + name + ".avi|" + root + "VIDEO/" + name + ".mp4"));
    // The conversion's encoder is told the settings in its environment; the thumbnail's needs none.
    EXPECT_NE(calls.find("/src/a.avi|" + root + "VIDEO/a.mp4|jpn off off\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("/src/a.avi|" + root + "VIDEO/a.JPG|  \n"), std::string::npos) << calls;
    EXPECT_EQ(opened, std::vector<std::string>{root + "VIDEO/"});
}

TEST_F(MainWindowDriverTest, PlayerThatGoesAwayFailsTheJobsStartedLaterAndWritesNothingHere)
{
    // b runs beside a when a takes the player away and ends as its encoder
    // ends; c and d start afterwards and fail.
    AddPlayer();
    AddJobs({"a-unplug.avi", "b-hold9.avi", "c.avi", "d.avi"});
    window->Driver().ParallelJobs = 2;
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(),
              (std::vector<std::string>{"転送完了", "転送完了", "変換失敗", "変換失敗"}));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{std::string(text::Transferred) + "\n" + text::PlayerGone});
    for (const auto& entry : fs::directory_iterator(temp.Path()))
        EXPECT_NE(entry.path().extension(), ".mp4") << entry.path();
    EXPECT_EQ(ReadFile(temp / "calls.log").find("c.avi"), std::string::npos);
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

TEST_F(MainWindowDriverTest, StatusLineShowsAJobThatToldItsProgressWhileTheFirstStartedHasNot)
{
    AddJobs({"x-hold9.avi", "slow.avi"});
    window->Driver().ParallelJobs = 2;
    Click(window->ImgBtnConvertMovie);
    // x holds its first progress 0.9 s.
    EXPECT_TRUE(PumpUntil(
        [&] {
            return window->LblSituation->text() == "00時間01分02秒までの動画を変換完了" &&
                   window->JobList().Items(0)->State == csConverting;
        },
        5000))
        << window->LblSituation->text().toStdString();
    Click(window->ImgBtnConvertCancel);
    EXPECT_FALSE(window->Busy());
}

TEST_F(MainWindowDriverTest, PercentAndTimeLeftFollowTheProgressWhenTheLengthIsKnown)
{
    struct Case {
        const char* source;
        const char* waiting;  // a job behind it, or nullptr
        const char* label;    // a pattern
    };
    // 62 of 120 seconds: 51 %; the time left is as long again as the run
    // took. A waiting job counts with its length, an unknown length as the
    // mean of the known ones.
    const Case cases[] = {
        {"slow-len120.avi", nullptr, "^00時間01分02秒までの動画を変換完了 \\(51% 残り約[0-9]+秒\\)$"},
        {"slow-split120.avi", nullptr,
         "^00時間01分02秒までの動画を変換完了 \\(51% 残り約[0-9]+秒\\)$"},
        {"slow-lenNA.avi", nullptr, "^00時間01分02秒までの動画を変換完了$"},
        {"slow-len0.avi", nullptr, "^00時間01分02秒までの動画を変換完了$"},
        {"slow-len120.avi", "b-len360.avi",
         "^00時間01分02秒までの動画を変換完了 \\(12% 残り約[0-9]+(分[0-9]+)?秒\\)$"},
        {"slow-lenNA.avi", "c-len120.avi",
         "^00時間01分02秒までの動画を変換完了 \\(25% 残り約[0-9]+(分[0-9]+)?秒\\)$"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        AddJobs({c.source});
        if (c.waiting)
            AddJobs({c.waiting});
        ASSERT_TRUE(WaitLengths());
        StartSlowRun({c.source});
        const QRegularExpression label(QString::fromUtf8(c.label));
        EXPECT_TRUE(PumpUntil([&] { return label.match(window->LblSituation->text()).hasMatch(); },
                              3000))
            << window->LblSituation->text().toStdString();
        Click(window->ImgBtnConvertCancel);
        ASSERT_FALSE(window->Busy());
        while (window->JobList().Count() > 0)
            window->JobList().Delete(0);
        fs::remove(temp / "pids/" + std::string(c.source));
    }
    // The longest text a run can show fits the label in the window's font.
    const std::string longest = movarin::ProgressText(359999) +
                                movarin::RunProgressText(0.999, 359999.0 * 1000);
    EXPECT_LE(QFontMetrics(window->LblSituation->font())
                  .horizontalAdvance(QString::fromStdString(longest)),
              window->LblSituation->width())
        << longest;
}

TEST_F(MainWindowDriverTest, StatusLineChangesAtMostFourTimesASecondAndEndsOnTheLatestProgress)
{
    AddJobs({"burst.avi"});
    Click(window->ImgBtnConvertMovie);
    // A change happens between two looks at the label, so the time between
    // two changes is at least the time from the look before the first to the
    // look that saw the second: a stalled loop cannot make this fail.
    struct Change {
        qint64 lookedBefore;
        qint64 seen;
    };
    std::vector<Change> changes;
    QElapsedTimer clock;
    clock.start();
    QString shown = window->LblSituation->text();
    qint64 lastLook = 0;
    const QString latest =
        QString::fromStdString(movarin::ProgressText(40));
    EXPECT_TRUE(PumpUntil(
        [&] {
            const qint64 now = clock.elapsed();
            if (window->LblSituation->text() != shown) {
                shown = window->LblSituation->text();
                changes.push_back({lastLook, now});
            }
            lastLook = now;
            return shown == latest;
        },
        5000))
        << shown.toStdString();
    EXPECT_GE(changes.size(), 3u) << "the line must follow the progress while it comes";
    for (std::size_t i = 1; i < changes.size(); ++i)
        EXPECT_GE(changes[i].seen - changes[i - 1].lookedBefore, 250) << "change " << i;
    ASSERT_TRUE(WaitIdle());
}

} // namespace
