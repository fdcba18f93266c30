// Conversion run benchmark (run by hand): six 30-second sources of mixed
// sizes converted through Movarin's driver (runner + encoder front + FFmpeg,
// several encoders at once) and through bare FFmpeg with the front's modern
// options one after another, alternating, in one process. Also through the
// driver with one encoder at a time, and bare once more to show the noise.
// Targets: wall-time ratio driver / bare <= 0.65 with the default number of
// encoders, <= 1.03 with one; the program's own CPU <= 1 % of the encoders'.
// Reports the peak memory of a run and of the program alone.
// A mixed set follows: six short sources and one six times as long, last in
// the list, through the driver as it orders its starts (longest first, the
// lengths read when the jobs were added) and in list order (every length
// unknown, as before the lengths were read), against bare FFmpeg one after
// another. Target: ratio <= 0.60 with the default number of encoders.
// Also reports what reading one length costs.
// Usage: conversion_overhead_bench [rounds, default 2] [seconds per source, default 30]
//        [sets: both (default), six, mixed] [picture.png]
// With a picture path, the status line of the first mixed run is printed
// every second and the window is drawn into the picture after 3 s.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <functional>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "encoder/ArgumentTranslator.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "ui/UnitMain.h"

#include "SilentServices.h"
#include "common/FakeVolumeTable.h"

extern char** environ;

namespace {

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

struct Usage {
    double self = 0;
    double children = 0;
};

Usage Now()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return {Seconds(self.ru_utime) + Seconds(self.ru_stime),
            Seconds(children.ru_utime) + Seconds(children.ru_stime)};
}

// Runs argv[0] found in PATH with its output thrown away; returns the exit status.
int Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Quiet boxes that also tell when the run's completion box comes: the end
// of a run is awaited in the event loop, not polled.
class RunEndBoxes final : public movarin::IMessageBoxes {
public:
    movarin::BoxAnswer Show(const std::string&, const std::string&, movarin::BoxButtons buttons,
                            movarin::BoxIcon) override
    {
        if (onShow)
            onShow();
        return buttons == movarin::BoxButtons::Ok ? movarin::BoxAnswer::Ok : movarin::BoxAnswer::Yes;
    }
    std::function<void()> onShow;
};

// Samples the resident memory of this process and all its descendants
// (runner workers' encoders and their FFmpeg) every 100 ms on a thread of
// its own.
class TreeMemorySampler {
public:
    TreeMemorySampler()
        : thread_([this] { Loop(); })
    {
    }
    ~TreeMemorySampler()
    {
        stop_.store(true);
        thread_.join();
    }
    long PeakKiB() const { return peakKiB_.load(); }

private:
    static long TreeKiB()
    {
        std::map<int, int> parent;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::ifstream stat(entry.path() / "stat");
            std::string line;
            std::getline(stat, line);
            const auto close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream rest(line.substr(close + 2));
            char state;
            int ppid = 0;
            rest >> state >> ppid;
            parent[std::stoi(name)] = ppid;
        }
        const int self = getpid();
        const long pageKiB = sysconf(_SC_PAGESIZE) / 1024;
        long total = 0;
        for (const auto& [pid, ppid] : parent) {
            int up = pid;
            for (int depth = 0; depth < 16 && up > 1 && up != self; ++depth)
                up = parent.count(up) ? parent[up] : 0;
            if (up != self)
                continue;
            std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
            long size = 0, resident = 0;
            if (statm >> size >> resident)
                total += resident * pageKiB;
        }
        return total;
    }
    void Loop()
    {
        while (!stop_.load()) {
            const long now = TreeKiB();
            if (now > peakKiB_.load())
                peakKiB_.store(now);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<long> peakKiB_{0};
    std::thread thread_;
};

struct Totals {
    double wall = 0;
    double own = 0;
    double encoders = 0;
    long peakKiB = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const std::string sets = argc > 3 ? argv[3] : "both";
    const bool six = sets != "mixed";
    const bool mixed = sets != "six";
    std::string picture = argc > 4 ? argv[4] : "";

    char pattern[] = "/tmp/movarin-overhead-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string work = pattern;
    std::filesystem::create_directories(work + "/src");
    // Mixed sizes and kinds: a DVD-like MPEG-2, an HD H.264, and the rest.
    struct Kind {
        const char* name;
        const char* size;
        std::vector<std::string> codecs;
    };
    const Kind kinds[] = {
        {"dvd.mpg", "720x480", {"-c:v", "mpeg2video", "-q:v", "4", "-c:a", "mp2"}},
        {"hd.mp4", "1280x720", {"-c:v", "libx264", "-preset", "veryfast", "-c:a", "aac"}},
        {"vga.avi", "640x480", {"-c:v", "mpeg4", "-q:v", "4", "-c:a", "mp2"}},
        {"small.avi", "320x240", {"-c:v", "mpeg4", "-q:v", "4", "-c:a", "mp2"}},
        {"web.flv", "480x360", {"-c:v", "flv", "-q:v", "4", "-c:a", "libmp3lame"}},
        {"wide.mkv", "640x360", {"-c:v", "mpeg4", "-q:v", "4", "-c:a", "mp2"}},
    };
    std::vector<std::string> sources;
    int index = 0;
    auto make = [&](const std::string& name, const Kind& kind, int length) {
        const std::string source = work + "/src/" + name;
        const std::string duration = std::to_string(length);
        std::vector<std::string> args = {
            "ffmpeg", "-y", "-f", "lavfi", "-i",
            std::string("testsrc=size=") + kind.size + ":rate=25:duration=" + duration, "-f",
            "lavfi", "-i",
            "sine=frequency=" + std::to_string(300 + 100 * index++) + ":duration=" + duration};
        args.insert(args.end(), kind.codecs.begin(), kind.codecs.end());
        args.insert(args.end(), {"-shortest", source});
        if (Spawn(args) != 0) {
            std::fprintf(stderr, "could not make %s\n", source.c_str());
            std::exit(1);
        }
        return source;
    };
    if (six)
        for (const Kind& kind : kinds)
            sources.push_back(make(kind.name, kind, seconds));
    // One kind throughout, so that a job's work follows its length.
    std::vector<std::string> mixedSources;
    if (mixed) {
        // As long in all as the six: a short job's own start and end weigh
        // no more than in the first set.
        const int shortLength = std::max(1, seconds / 2);
        for (int i = 1; i <= 6; ++i)
            mixedSources.push_back(make("short" + std::to_string(i) + ".avi", kinds[2], shortLength));
        mixedSources.push_back(make("long.avi", kinds[2], 6 * shortLength));
    }

    std::filesystem::current_path(MOVARIN_STAGE_DIR);
    RunEndBoxes boxes;
    NoDialogs dialogs;
    FakeVolumeTable volumes;
    TFormMain window(MainWindowServices{boxes, dialogs, volumes, work, {}});
    window.JobList().SaveDir = work + "/out/";
    window.JobList().OpenDir = false;
    window.JobList().Quality = 0;
    const std::size_t parallel = window.Driver().ParallelJobs;
    // What making every output durable (and giving it its final name) costs:
    // the flushes' own wall time,
    // which the run's wall time includes where no encoder runs beside it.
    std::atomic<long long> flushMicros{0};
    std::atomic<int> flushes{0};
    window.Driver().Flush = [&](const std::vector<movarin::WrittenFile>& files,
                                const std::string& folder) {
        const auto began = std::chrono::steady_clock::now();
        const auto result = movarin::FlushToMedium(files, folder);
        flushMicros += std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::steady_clock::now() - began)
                           .count();
        ++flushes;
        return result;
    };

    // Jobs are added as the window adds them, and their lengths read before
    // the click, as they are while a user moves to the button: not timed,
    // but counted here.
    double probeWall = 0;
    double probeCpu = 0;
    int probes = 0;
    auto addJobs = [&](const std::vector<std::string>& list, bool readLengths) {
        while (window.JobList().Count() > 0)
            window.JobList().Delete(0);
        for (const auto& s : list)
            window.AddJob(s);
        const Usage before = Now();
        QElapsedTimer timer;
        timer.start();
        window.RefreshJobList();
        auto allRead = [&] {
            for (int i = 0; i < window.JobList().Count(); ++i)
                if (!window.JobList().Items(i)->Length)
                    return false;
            return true;
        };
        while (!allRead())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        probeWall += double(timer.nsecsElapsed()) / 1e9;
        probeCpu += Now().children - before.children;
        probes += window.JobList().Count();
        for (int i = 0; i < window.JobList().Count(); ++i) {
            if (!LengthKnown(*window.JobList().Items(i)))
                std::fprintf(stderr, "length of job %d not read\n", i);
            if (!readLengths)
                window.JobList().Items(i)->Length = 0.0;  // unknown: list order
        }
    };
    auto throughMovarin = [&](std::size_t encoders, bool trace) {
        window.Driver().ParallelJobs = encoders;
        QEventLoop loop;
        boxes.onShow = [&] { loop.quit(); };
        QTimer sampler;
        int samples = 0;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            std::printf("  %2d s: %s\n", ++samples, window.LblSituation->text().toStdString().c_str());
            if (samples == 3)
                window.grab().save(QString::fromStdString(picture));
        });
        if (trace)
            sampler.start(1000);
        window.Driver().BtnConvertClick(cmMovie);
        loop.exec();
        boxes.onShow = nullptr;
        for (int i = 0; i < window.JobList().Count(); ++i)
            if (window.JobList().Items(i)->State != csConverted)
                std::fprintf(stderr, "job %d did not convert\n", i);
    };
    auto bare = [&](const std::vector<std::string>& list) {
        ThConvertInfoObjectList settings;
        settings.Quality = 0;
        for (const auto& s : list) {
            const std::string output =
                work + "/bare/" + std::filesystem::path(s).stem().string() + ".mp4";
            // The front receives the words after its own program name.
            auto words = movarin::SplitCommandLine(std::string(EncoderPath) +
                                                   settings.ConvertArguments(s, output));
            words.erase(words.begin());
            auto modern = movarin::encoder::TranslateArguments(words).arguments;
            modern.insert(modern.begin(), "ffmpeg");
            if (Spawn(modern) != 0)
                std::fprintf(stderr, "bare ffmpeg failed on %s\n", s.c_str());
        }
    };

    // 0: bare, 1: driver with the default encoders, 2: driver with one,
    // 3: bare once more, whose ratio to the first is what this machine's
    // noise alone makes of two identical runs. The mixed set: 4: bare,
    // 5: driver, longest first, 6: driver in list order.
    constexpr int variants = 7;
    Totals totals[variants];
    std::vector<double> roundWalls[variants];
    const char* names[variants] = {"bare",       "movarin",     "movarin1",   "bare2",
                                   "mixed-bare", "mixed-order", "mixed-list"};
    std::vector<int> timed;
    if (six)
        timed.insert(timed.end(), {0, 1, 2, 3});
    if (mixed)
        timed.insert(timed.end(), {4, 5, 6});
    auto fresh = [&] {
        std::filesystem::remove_all(work + "/out");
        std::filesystem::remove_all(work + "/bare");
        std::filesystem::create_directories(work + "/out");
        std::filesystem::create_directories(work + "/bare");
    };
    auto drive = [&](int variant) {
        switch (variant) {
        case 0:
        case 3: bare(sources); break;
        case 2: throughMovarin(1, false); break;
        case 4: bare(mixedSources); break;
        default: throughMovarin(parallel, false); break;
        }
    };
    // The list is made and its lengths read before a timed pass begins.
    auto prepared = [&](int variant) {
        if (variant == 1 || variant == 2)
            addJobs(sources, true);
        else if (variant == 5 || variant == 6)
            addJobs(mixedSources, variant == 5);
    };
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t pass = 0; pass < timed.size(); ++pass) {
            const int variant = timed[(std::size_t(round) + pass) % timed.size()];
            fresh();
            prepared(variant);
            const Usage before = Now();
            QElapsedTimer timer;
            timer.start();
            drive(variant);
            const double wall = double(timer.nsecsElapsed()) / 1e9;
            const Usage after = Now();
            totals[variant].wall += wall;
            roundWalls[variant].push_back(wall);
            totals[variant].own += after.self - before.self;
            totals[variant].encoders += after.children - before.children;
            std::printf("round %d %-9s %.2f s wall\n", round + 1, names[variant], wall);
            std::fflush(stdout);
        }
    }
    // Memory in passes of their own: scanning /proc takes a core's time that
    // would otherwise go to the encoders of a timed pass.
    for (int variant : {1, 2}) {
        if (!six)
            break;
        fresh();
        prepared(variant);
        TreeMemorySampler sampler;
        drive(variant);
        totals[variant].peakKiB = sampler.PeakKiB();
    }
    // The trace has a pass of its own: drawing the picture takes a little time.
    if (mixed && !picture.empty()) {
        std::printf("status line of a mixed run, every second:\n");
        fresh();
        prepared(5);
        throughMovarin(parallel, true);
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("encoders at once: %zu (cores: %u)\n", parallel,
                std::thread::hardware_concurrency());
    // A burst of load from elsewhere on the machine lands in one round: the
    // median of the rounds' own ratios sets it aside.
    auto median = [&](int variant, int base) {
        std::vector<double> ratios;
        for (std::size_t r = 0; r < roundWalls[base].size(); ++r)
            ratios.push_back(roundWalls[variant][r] / roundWalls[base][r]);
        std::sort(ratios.begin(), ratios.end());
        const std::size_t n = ratios.size();
        return n % 2 ? ratios[n / 2] : (ratios[n / 2 - 1] + ratios[n / 2]) / 2;
    };
    if (six) {
        std::printf("wall: movarin %.2f s, movarin with one encoder %.2f s, bare %.2f s\n",
                    totals[1].wall, totals[2].wall, totals[0].wall);
        std::printf("ratio movarin / bare: %.3f (target <= 0.65)\n",
                    totals[1].wall / totals[0].wall);
        std::printf("ratio movarin with one encoder / bare: %.3f (target <= 1.03)\n",
                    totals[2].wall / totals[0].wall);
        std::printf("median of the rounds' ratios: movarin %.3f, movarin with one encoder %.3f\n",
                    median(1, 0), median(2, 0));
        std::printf("noise: bare run again / bare %.3f, median of the rounds %.3f\n",
                    totals[3].wall / totals[0].wall, median(3, 0));
        std::printf("encoder CPU: movarin %.2f s, movarin with one %.2f s, bare %.2f s\n",
                    totals[1].encoders, totals[2].encoders, totals[0].encoders);
        for (int v : {1, 2})
            std::printf(
                "%s: program's own CPU %.3f s = %.2f %% of the encoders' (target <= 1 %%)\n",
                names[v], totals[v].own, 100.0 * totals[v].own / totals[v].encoders);
        std::printf("peak memory of a run (program + all its encoders, sampled every 100 ms in a "
                    "pass of its own): "
                    "movarin %.1f MiB, movarin with one encoder %.1f MiB; program alone %.1f MiB\n",
                    totals[1].peakKiB / 1024.0, totals[2].peakKiB / 1024.0,
                    self.ru_maxrss / 1024.0);
    }
    if (mixed) {
        std::printf("mixed set wall: longest first %.2f s, list order %.2f s, bare %.2f s\n",
                    totals[5].wall, totals[6].wall, totals[4].wall);
        std::printf("mixed ratio / bare: longest first %.3f (target <= 0.60), list order %.3f\n",
                    totals[5].wall / totals[4].wall, totals[6].wall / totals[4].wall);
        std::printf("mixed median of the rounds' ratios: longest first %.3f, list order %.3f\n",
                    median(5, 4), median(6, 4));
    }
    if (probes > 0)
        std::printf("reading a length: %.3f s wall, %.3f s CPU (front + FFmpeg) per source, "
                    "%d read\n",
                    probeWall / probes, probeCpu / probes, probes);
    std::printf("flush to the medium: %d flushes, %.1f ms in all, %.2f ms each\n", flushes.load(),
                flushMicros / 1000.0, flushes ? flushMicros / 1000.0 / flushes : 0.0);
    // The one call per output that writing under a temporary name adds,
    // timed on the outputs the runs left, there and back again.
    long long renameMicros = 0;
    int renames = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work + "/out")) {
        const std::string name = entry.path().string();
        const std::string other = name + ".movarin-part";
        for (int i = 0; i < 50; ++i) {
            const auto began = std::chrono::steady_clock::now();
            std::rename(name.c_str(), other.c_str());
            std::rename(other.c_str(), name.c_str());
            renameMicros += std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::steady_clock::now() - began)
                                .count();
            renames += 2;
        }
    }
    std::printf("rename to the final name: %.1f us each (%d timed)\n",
                renames ? double(renameMicros) / renames : 0.0, renames);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return 0;
}
