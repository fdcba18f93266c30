// The console runner on the Windows side of the seam, under Wine: lines and
// the exit code of a child come back, a stop ends a run at once, and a
// missing program fails the run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/CommandLine.h"
#include "runner/ConsoleRunner.h"

namespace {
const std::string Helper = MOVARIN_WIN_CHILD_HELPER;
} // namespace

TEST(ConsoleRunnerWin, LinesAndExitCodeThenAStopEndsARun)
{
    TConsoleRunner runner(nullptr, nullptr);
    std::vector<std::string> lines;
    runner.OnNewLine = [&](TConsoleRunner*, const std::string& line, TOutputType) { lines.push_back(line); };
    runner.CommandLine = movarin::QuoteArgument(Helper) + " exit 3";
    EXPECT_EQ(runner.RunAndWait(), 3u);
    EXPECT_EQ(runner.RunStatus(), rsExited);
    EXPECT_EQ(lines, (std::vector<std::string>{"to stdout", "to stderr"}));

    runner.CommandLine = movarin::QuoteArgument(Helper) + " sleep";
    runner.Start();
    QElapsedTimer clock;
    clock.start();
    while (runner.RunStatus() != rsRunning && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    ASSERT_EQ(runner.RunStatus(), rsRunning);
    clock.restart();
    runner.Stop();
    while (runner.RunStatus() == rsRunning && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    EXPECT_EQ(runner.RunStatus(), rsStopped);
    EXPECT_LT(clock.elapsed(), 5000);

    runner.CommandLine = "no-such-program-movarin";
    runner.RunAndWait();
    EXPECT_EQ(runner.RunStatus(), rsProcessFailed);
}
