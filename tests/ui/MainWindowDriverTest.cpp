// The conversion run through the real main window and the real console
// runner, with a scripted stand-in for the encoder at lib/ffmpeg in a temp
// folder that the test makes the current folder.
#include "ui/MainWindowTestSupport.h"

#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>

#include <cerrno>
#include <fstream>
#include <future>
#include <mutex>
#include <set>
#include <sstream>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "jobs/Progress.h"
#include "jobs/ThConvertInfo.h"
#include "platform/Text.h"
#include "runner/ConsoleRunner.h"
#include "runner/RunnerTypes.h"

using movarin::BoxAnswer;
namespace text = movarin::driver_text;
namespace fs = std::filesystem;

namespace {

// Writes its output unless the source name holds "fail" (exit 1); "holdN"
// holds the conversion N tenths of a second; "slow" writes a partial output
// and then waits; "unplug" takes the player's PICTURE folder away first;
// "len120", "lenNA" and "len0" print FFmpeg's length line for a known clip,
// an unknown and a zero length ("split120" the known one in two writes with
// a pause between, as FFmpeg writes it); "burst" reports 40 seconds of
// progress within about a second and holds the end half a second; "full"
// finds its destination full after a partial output. Every
// call is logged as "source|output"; each conversion logs how many
// conversions (and how many of VOB files) were running when it began.
// A length probe (just "-i source") is logged in probes.log, and in
// overlap.log when another probe runs; it prints the length N seconds of a
// name with "lenN" and holds half a second for "probehold".
constexpr const char* FakeEncoder = R"SH(#!/bin/sh
if [ $# -eq 2 ]; then
  name=$(basename "$2")
  echo "$name" >> probes.log
  mkdir probing 2>/dev/null || echo "$name" >> overlap.log
  case "$name" in *probehold*) sleep 0.5 ;; esac
  case "$name" in *len[0-9]*)
    n=$(echo "$name" | sed 's/.*len\([0-9]*\).*/\1/')
    printf '  Duration: %02d:%02d:%02d.00, start: 0.000000, bitrate: 1205 kb/s\n' \
      $((n / 3600)) $((n % 3600 / 60)) $((n % 60)) ;;
  esac
  rmdir probing
  echo 'At least one output file must be specified'; exit 1
fi
out=""; src=""; prev=""; thumb=0
for a in "$@"; do
  [ "$prev" = "-i" ] && src="$a"
  [ "$a" = "image2" ] && thumb=1
  prev="$a"; out="$a"
done
echo "$src|$out" >> calls.log
name=$(basename "$src")
if [ $thumb = 1 ]; then
  case "$src" in *thumbwait*) sleep 1 ;; esac
  printf 'jpg' > "$out"; exit 0
fi
mkdir -p running pids; touch "running/$name"
ls running | wc -l >> peak.log
ls running | grep -c VOB >> discpeak.log
case "$src" in
  *len120*) printf '  Duration: 00:02:00.00, start: 0.000000, bitrate: 1205 kb/s\n' ;;
  *lenNA*) printf '  Duration: N/A, start: 0.000000, bitrate: N/A\n' ;;
  *len0*) printf '  Duration: 00:00:00.00, start: 0.000000, bitrate: N/A\n' ;;
  *split120*) printf '  Duration: '; sleep 0.3
              printf '00:02:00.00, start: 0.000000, bitrate: 1205 kb/s\n' ;;
esac
case "$src" in
  *slow*) printf 'partial' > "$out"
          printf 'frame= 1 time=61.5 bitrate= 1k\r'
          sleep 30 & echo $! > "pids/$name"; wait $!; exit 0 ;;
  *unplug*) rmdir "$(cat player.path)PICTURE" ;;
  *full*) printf 'part' > "$out"; rm -f "running/$name"
          printf 'av_interleaved_write_frame(): No space left on device\n'; exit 1 ;;
  *burst*) i=1
           while [ $i -le 40 ]; do
             printf 'frame= %d size= 0kB time=%d.00 bitrate= 8.0kbits/s    \r' $i $i
             sleep 0.02; i=$((i + 1))
           done
           sleep 0.5; rm -f "running/$name"; printf 'video' > "$out"; exit 0 ;;
  *hold*) sleep "0.$(echo "$name" | sed 's/.*hold\([0-9]\).*/\1/')" ;;
esac
printf 'frame=  1 size= 0kB time=12.5 bitrate= 8.0kbits/s    \r'
printf 'frame=  2 size= 1kB time=3725.6 bitrate= 8.0kbits/s    \r'
rm -f "running/$name"
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
        // One at a time unless a test says otherwise, whatever this machine has.
        window->Driver().ParallelJobs = 1;
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

    // Starts a movie run and waits until the encoder of each slow source
    // has written its partial output; returns their waiting helpers.
    std::vector<pid_t> StartSlowRun(std::initializer_list<const char*> slow = {"slow.avi"})
    {
        Click(window->ImgBtnConvertMovie);
        std::vector<pid_t> helpers;
        for (const char* name : slow) {
            const std::string pid = temp / "pids/" + name;
            const std::string output = temp / "out/" + fs::path(name).stem().string() + ".mp4";
            // The shell creates the file before it writes the number.
            EXPECT_TRUE(
                PumpUntil([&] { return ReadFile(pid).ends_with('\n') && fs::exists(output); }));
            helpers.push_back(pid_t(std::stoi(ReadFile(pid))));
        }
        return helpers;
    }

    // Waits until the length of every job has been read (known or not).
    bool WaitLengths()
    {
        return PumpUntil([this] {
            for (int i = 0; i < window->JobList().Count(); ++i)
                if (!window->JobList().Items(i)->Length)
                    return false;
            return true;
        });
    }

    // The file names of the sources, in the order their conversions began.
    std::vector<std::string> Starts() const
    {
        std::istringstream lines(ReadFile(temp / "calls.log"));
        std::vector<std::string> names;
        for (std::string line; std::getline(lines, line);)
            names.push_back(fs::path(line.substr(0, line.find('|'))).filename().string());
        return names;
    }

    // The largest number a log of counts holds.
    int Peak(const std::string& log) const
    {
        std::istringstream lines(ReadFile(temp / log));
        int peak = 0;
        for (int n; lines >> n;)
            peak = std::max(peak, n);
        return peak;
    }

    fs::path previous_;
};

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
        while (window->JobList().Count() > 0)
            window->JobList().Delete(0);
        for (const auto& source : c.sources)
            window->AddJob(source);
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
        while (window->JobList().Count() > 0)
            window->JobList().Delete(0);
        for (const auto& source : c.sources)
            window->AddJob(source);
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
    Click(window->ImgBtnConvertMovie2Walkman);
    ASSERT_TRUE(WaitIdle());

    EXPECT_EQ(States(), (std::vector<std::string>{"転送完了", "変換失敗", "転送完了"}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    for (const char* name : {"a.mp4", "a.JPG", "c.mp4", "c.JPG"})
        EXPECT_TRUE(fs::exists(root + "VIDEO/" + name)) << name;
    // The failed job leaves no picture without its video.
    EXPECT_FALSE(fs::exists(root + "VIDEO/b-fail.JPG"));
    // The thumbnail of each job is made before its conversion.
    const std::string calls = ReadFile(temp / "calls.log");
    for (const std::string name : {"a", "c"})
        EXPECT_LT(calls.find("/src/" + name + ".avi|" + root + "VIDEO/" + name + ".JPG"),
                  calls.find("/src/" + name + ".avi|" + root + "VIDEO/" + name + ".mp4"));
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
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
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
    const std::string longest = movarin::SecondsToText(359999) + movarin::ProgressSuffix +
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
        QString::fromStdString(movarin::SecondsToText(40) + movarin::ProgressSuffix);
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
