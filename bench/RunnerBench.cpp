// Console runner figures, run by hand:
//   runner_bench throughput   lines per second into OnNewLine (seq 1 200000)
//   runner_bench idle         CPU of this process while a child is silent 10 s,
//                             once with an event loop, once inside RunAndWait
//   runner_bench              both
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <cstdio>
#include <cstring>
#include <sys/resource.h>

#include "runner/ConsoleRunner.h"

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Throughput()
{
    TConsoleRunner runner(nullptr, nullptr);
    long complete = 0;
    long partial = 0;
    runner.OnNewLine = [&](TConsoleRunner*, const std::string&, TOutputType type) {
        (type == otCompleteLine ? complete : partial)++;
    };
    runner.CommandLine = "seq 1 200000";
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = CpuSeconds();
    runner.RunAndWait();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    std::printf("throughput: %ld complete lines (+%ld partial) in %.3f s = %.0f lines/s; "
                "CPU %.3f s; exit %u, status %u\n",
                complete, partial, seconds, double(complete) / seconds, cpu, runner.LastExitCode(),
                unsigned(runner.RunStatus()));
}

void Idle()
{
    {
        TConsoleRunner runner(nullptr, nullptr);
        QEventLoop loop;
        runner.OnTerminated = [&](TConsoleRunner*, std::uint32_t) {
            QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        };
        runner.CommandLine = "sleep 10";
        const double cpu0 = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        runner.Start();
        loop.exec();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        std::printf("idle, event loop: %.2f s wall, CPU %.3f s = %.2f %% of one core\n", seconds,
                    CpuSeconds() - cpu0, 100.0 * (CpuSeconds() - cpu0) / seconds);
    }
    {
        TConsoleRunner runner(nullptr, nullptr);
        runner.CommandLine = "sleep 10";
        const double cpu0 = CpuSeconds();
        QElapsedTimer clock;
        clock.start();
        runner.RunAndWait();
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const double cpu = CpuSeconds() - cpu0;
        std::printf("idle, RunAndWait: %.2f s wall, CPU %.3f s = %.2f %% of one core\n", seconds, cpu,
                    100.0 * cpu / seconds);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool all = argc < 2;
    if (all || std::strcmp(argv[1], "throughput") == 0)
        Throughput();
    if (all || std::strcmp(argv[1], "idle") == 0)
        Idle();
    return 0;
}
