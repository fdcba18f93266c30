// Conversion overhead benchmark (run by hand): the same sources converted
// through Movarin's driver (runner + encoder front + FFmpeg) and through bare
// FFmpeg with the front's modern options, alternating, in one run.
// Reports the wall-time ratio (target <= 1.03) and the program's own CPU as a
// share of the encoder's (target <= 1 %).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
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

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    char pattern[] = "/tmp/movarin-overhead-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string work = pattern;
    std::filesystem::create_directories(work + "/src");
    std::filesystem::create_directories(work + "/out");
    std::filesystem::create_directories(work + "/bare");
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        const std::string source = work + "/src/source " + std::to_string(i) + ".avi";
        const std::string duration = std::to_string(seconds);
        if (Spawn({"ffmpeg", "-y", "-f", "lavfi", "-i",
                   "testsrc=size=640x480:rate=25:duration=" + duration, "-f", "lavfi", "-i",
                   "sine=frequency=" + std::to_string(300 + 100 * i) + ":duration=" + duration,
                   "-c:v", "mpeg4", "-q:v", "4", "-c:a", "mp2", "-shortest", source}) != 0) {
            std::fprintf(stderr, "could not make %s\n", source.c_str());
            return 1;
        }
        sources.push_back(source);
    }

    std::filesystem::current_path(MOVARIN_STAGE_DIR);
    SilentBoxes boxes;
    NoDialogs dialogs;
    FakeVolumeTable volumes;
    TFormMain window(MainWindowServices{boxes, dialogs, volumes, work, {}});
    window.JobList().SaveDir = work + "/out/";
    window.JobList().OpenDir = false;
    window.JobList().Quality = 0;

    double movarinWall = 0, bareWall = 0, ownCpu = 0, movarinEncoderCpu = 0, bareEncoderCpu = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int pass = 0; pass < 2; ++pass) {
            const bool throughMovarin = (round + pass) % 2 == 0;
            std::filesystem::remove_all(work + "/out");
            std::filesystem::remove_all(work + "/bare");
            std::filesystem::create_directories(work + "/out");
            std::filesystem::create_directories(work + "/bare");
            const Usage before = Now();
            QElapsedTimer timer;
            timer.start();
            if (throughMovarin) {
                while (window.JobList().Count() > 0)
                    window.JobList().Delete(0);
                for (const auto& s : sources)
                    window.AddJob(s);
                window.Driver().BtnConvertClick(cmMovie);
                // Wait in the event loop, not in a polling loop of our own:
                // the CPU measured here is meant to be the program's.
                QEventLoop loop;
                QTimer check;
                QObject::connect(&check, &QTimer::timeout, &loop, [&] {
                    if (!window.Busy())
                        loop.quit();
                });
                check.start(200);
                loop.exec();
                for (int i = 0; i < window.JobList().Count(); ++i)
                    if (window.JobList().Items(i)->State != csConverted)
                        std::fprintf(stderr, "job %d did not convert\n", i);
            } else {
                ThConvertInfoObjectList settings;
                settings.Quality = 0;
                for (const auto& s : sources) {
                    const std::string output =
                        work + "/bare/" + std::filesystem::path(s).stem().string() + ".mp4";
                    // The front receives the words after its own program name.
                    auto words = movarin::SplitCommandLine(std::string(EncoderPath) +
                                                           settings.ConvertArguments(s, output));
                    words.erase(words.begin());
                    auto modern = movarin::encoder::TranslateArguments(words).arguments;
                    modern.insert(modern.begin(), "ffmpeg");
                    if (Spawn(modern) != 0) {
                        std::fprintf(stderr, "bare ffmpeg failed:");
                        for (const auto& word : modern)
                            std::fprintf(stderr, " [%s]", word.c_str());
                        std::fprintf(stderr, "\n");
                    }
                }
            }
            const double wall = double(timer.nsecsElapsed()) / 1e9;
            const Usage after = Now();
            if (throughMovarin) {
                movarinWall += wall;
                ownCpu += after.self - before.self;
                movarinEncoderCpu += after.children - before.children;
            } else {
                bareWall += wall;
                bareEncoderCpu += after.children - before.children;
            }
            std::printf("round %d %-8s %.2f s wall\n", round + 1,
                        throughMovarin ? "movarin" : "bare", wall);
        }
    }
    std::printf("wall: movarin %.2f s, bare %.2f s, ratio %.3f\n", movarinWall, bareWall,
                movarinWall / bareWall);
    std::printf("encoder CPU: through movarin %.2f s, bare %.2f s\n", movarinEncoderCpu,
                bareEncoderCpu);
    std::printf("program's own CPU during its runs: %.3f s = %.2f %% of the encoder's\n", ownCpu,
                100.0 * ownCpu / movarinEncoderCpu);
    std::filesystem::current_path("/");
    std::filesystem::remove_all(work);
    return 0;
}
