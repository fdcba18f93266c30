// The encoder front against bare FFmpeg: the same conversions, alternating,
// once as Movarin runs them (through lib/ffmpeg, old dialect) and once as
// FFmpeg alone with the front's modern options. Prints the wall-time ratio
// and the front's own CPU time as a share of FFmpeg's.
//
// Usage: encoder_front_bench [rounds]   (run by hand, not a test)
#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderProcess.h"
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;
namespace fs = std::filesystem;

namespace {

struct Run {
    int exitCode = -1;
    double wallSeconds = 0;
    double totalCpuSeconds = 0; // the process and the children it waited for
    double ownCpuSeconds = 0;   // the process alone
};

double Seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

// Runs program with stdout and stderr in one pipe that is read to the end,
// as Movarin's runner does.
Run Measure(const std::string& program, const std::vector<std::string>& args)
{
    const movarin::encoder::ExecArgv argv(program, args);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        std::perror("pipe2");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.Get(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (rc != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(1);
    }
    char buffer[16384];
    while (read(ends[0], buffer, sizeof buffer) > 0) {
    }
    close(ends[0]);

    // Read the process's own run time while it is still a zombie.
    siginfo_t info {};
    waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    unsigned long long ownNs = 0;
    schedstat >> ownNs;
    run.ownCpuSeconds = double(ownNs) / 1e9;

    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.totalCpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return run;
}

void MakeSource(const std::string& path, int seconds, int frequency)
{
    const std::string d = std::to_string(seconds);
    const Run r = Measure("/usr/bin/ffmpeg",
        {"-nostdin", "-y", "-f", "lavfi", "-i", "testsrc2=duration=" + d + ":size=640x480:rate=30000/1001",
         "-f", "lavfi", "-i", "sine=frequency=" + std::to_string(frequency) + ":duration=" + d,
         "-c:v", "mpeg2video", "-b:v", "4M", "-c:a", "mp2", path});
    if (r.exitCode != 0) {
        std::fprintf(stderr, "cannot make %s\n", path.c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string front = MOVARIN_ENCODER_FRONT;

    char pattern[] = "/tmp/movarin-front-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    std::vector<std::string> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back((dir / ("source" + std::to_string(i) + ".mpg")).string());
        MakeSource(sources.back(), 10, 300 + 200 * i);
    }

    ThConvertInfoObjectList list; // best quality, 4:3: the heaviest preset
    double frontWall = 0, bareWall = 0, frontOwnCpu = 0, frontFFmpegCpu = 0, bareCpu = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const std::string& source : sources) {
            const std::string out = (dir / "out.mp4").string();
            std::vector<std::string> received
                = movarin::SplitCommandLine(std::string(EncoderPath) + list.ConvertArguments(source, out));
            received.erase(received.begin());
            const std::vector<std::string> modern = movarin::encoder::TranslateArguments(received).arguments;

            // Alternate who goes first so that warm caches favour neither.
            Run viaFront, bare;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (round % 2 == 0))
                    viaFront = Measure(front, received);
                else
                    bare = Measure("/usr/bin/ffmpeg", modern);
            }
            if (viaFront.exitCode != 0 || bare.exitCode != 0) {
                std::fprintf(stderr, "a run failed (front %d, bare %d)\n", viaFront.exitCode, bare.exitCode);
                return 1;
            }
            frontWall += viaFront.wallSeconds;
            bareWall += bare.wallSeconds;
            frontOwnCpu += viaFront.ownCpuSeconds;
            frontFFmpegCpu += viaFront.totalCpuSeconds - viaFront.ownCpuSeconds;
            bareCpu += bare.totalCpuSeconds;
            std::printf("round %d %s: front %.3f s, bare %.3f s, front's own CPU %.2f ms\n", round,
                        fs::path(source).filename().c_str(), viaFront.wallSeconds, bare.wallSeconds,
                        viaFront.ownCpuSeconds * 1e3);
        }
    }
    std::error_code ignored;
    fs::remove_all(dir, ignored);

    std::printf("\nwall time through the front / bare FFmpeg: %.3f (target <= 1.03)\n", frontWall / bareWall);
    std::printf("FFmpeg CPU: %.2f s through the front, %.2f s bare\n", frontFFmpegCpu, bareCpu);
    std::printf("front's own CPU: %.1f ms = %.3f %% of FFmpeg's (target <= 1 %%)\n", frontOwnCpu * 1e3,
                100.0 * frontOwnCpu / frontFFmpegCpu);
    return 0;
}
