#pragma once
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

namespace movarin_driver_test {

using movarin::BoxAnswer;
namespace text = movarin::driver_text;
namespace fs = std::filesystem;

// Writes its output (under its temporary name, as the front does) unless the
// source name holds "fail" (exit 1); "holdN"
// holds the conversion N tenths of a second; "slow" writes a partial output
// and then waits; "unplug" takes the player's PICTURE folder away first;
// "len120", "lenNA" and "len0" print FFmpeg's length line for a known clip,
// an unknown and a zero length ("split120" the known one in two writes with
// a pause between, as FFmpeg writes it); "burst" reports 40 seconds of
// progress within about a second and holds the end half a second; "full"
// finds its destination full after a partial output. Every
// call is logged as "source|output|viewer-language subtitles loudness" (the
// last three from its environment); each conversion logs how many
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
echo "$src|$out|$MOVARIN_VIEWER_LANGUAGE $MOVARIN_SUBTITLES $MOVARIN_LOUDNESS" >> calls.log
out="$out.movarin-part"  # as the front, under the temporary name
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

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool ProcessGone(pid_t pid)
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

    // The list holds these sources alone (full paths), for the next case of a table.
    void ReplaceJobs(const std::vector<std::string>& sources)
    {
        while (window->JobList().Count() > 0)
            window->JobList().Delete(0);
        for (const auto& source : sources)
            window->AddJob(source);
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
            const std::string output =
                temp / "out/" + fs::path(name).stem().string() + ".mp4.movarin-part";
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

} // namespace movarin_driver_test
