#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "ProcessTestSupport.h"
#include "platform/CommandLine.h"
#include "platform/MessageBoxes.h"
#include "runner/ConsoleRunner.h"
#include "runner/ProcessTimer.h"

namespace {

// Records what was shown; the sequence is shared with the end handler so
// that the order of the two can be checked.
struct Recorder : movarin::IMessageBoxes {
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<std::string> boxTexts;
    bool boxOnUiThread = false;

    void Note(const std::string& event)
    {
        std::lock_guard lock(mutex);
        events.push_back(event);
    }
    movarin::BoxAnswer Show(const std::string& title, const std::string& text, movarin::BoxButtons buttons,
                            movarin::BoxIcon icon) override
    {
        boxOnUiThread = QThread::currentThread() == qApp->thread();
        EXPECT_EQ(title, "Movarin");
        EXPECT_EQ(buttons, movarin::BoxButtons::Ok);
        EXPECT_EQ(icon, movarin::BoxIcon::Error);
        Note("box");
        boxTexts.push_back(text);
        return movarin::BoxAnswer::Ok;
    }
    std::vector<std::string> Events()
    {
        std::lock_guard lock(mutex);
        return events;
    }
};

struct Delivery {
    std::string text;
    TOutputType type;
    TReturnCode returnCode;  // the runner's OutputReturnCode while the text was handled
};

// Pumps events until pred holds; false after the deadline.
template <class Pred>
bool WaitUntil(Pred pred, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

std::string HelperCommand(const std::vector<std::string>& steps)
{
    std::string line = movarin::QuoteArgument(MOVARIN_CHILD_HELPER);
    for (const std::string& step : steps)
        line += " " + movarin::QuoteArgument(step);
    return line;
}

// A runner wired to record every delivery and end event.
struct Harness {
    Recorder boxes;
    TConsoleRunner runner{nullptr, &boxes};
    std::vector<Delivery> deliveries;
    std::mutex endMutex;
    std::vector<std::uint32_t> endCodes;
    bool endOnWorkerThread = false;
    bool lineOnUiThread = true;

    Harness()
    {
        runner.OnNewLine = [this](TConsoleRunner* sender, const std::string& text, TOutputType type) {
            EXPECT_EQ(sender, &runner);
            lineOnUiThread = lineOnUiThread && QThread::currentThread() == qApp->thread();
            deliveries.push_back({text, type, sender->OutputReturnCode()});
        };
        runner.OnTerminated = [this](TConsoleRunner*, std::uint32_t code) {
            std::lock_guard lock(endMutex);
            endOnWorkerThread = QThread::currentThread() != qApp->thread();
            endCodes.push_back(code);
            boxes.Note("end");
        };
    }
    std::vector<std::uint32_t> EndCodes()
    {
        std::lock_guard lock(endMutex);
        return endCodes;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const Delivery& d : deliveries)
            texts.push_back(d.text);
        return texts;
    }
};

} // namespace

TEST(ConsoleRunner, FreshComponentAndPlatformTables)
{
    TConsoleRunner runner(nullptr, nullptr);
    EXPECT_EQ(runner.ShowWindow, swHIDE);
    EXPECT_EQ(runner.CreationFlag, fCREATE_NEW_CONSOLE);
    EXPECT_EQ(runner.PriorityClass(), 0x20u);
    EXPECT_EQ(runner.MaxTimeAfterBeginning, 0);
    EXPECT_EQ(runner.MaxTimeAfterLastOutput, 0);
    EXPECT_EQ(runner.ReturnCode, rcCRLF);
    EXPECT_EQ(runner.OutputReturnCode(), rcCRLF);
    EXPECT_EQ(runner.RunStatus(), 0);
    EXPECT_EQ(runner.CreationFlagValue(), 0x10u);
    EXPECT_EQ(ShowWindowValue(swMAXIMIZE), 3u);
    EXPECT_EQ(ShowWindowValue(swSHOWMAXIMIZED), 3u);
    EXPECT_EQ(ShowWindowValue(swSHOWNORMAL), 1u);
    EXPECT_EQ(ShowWindowValue(swSHOWDEFAULT), 10u);
    EXPECT_EQ(CreationFlagValue(fCREATE_DEFAULT_ERROR_MODE), 0x04000000u);
    EXPECT_EQ(CreationFlagValue(fDETACHED_PROCESS), 0x8u);
}

TEST(ConsoleRunner, EmptyCommandLineDoesNothing)
{
    Harness h;
    h.runner.InputQueue().Add("kept");
    EXPECT_EQ(h.runner.RunAndWait(), 0u);
    EXPECT_EQ(h.runner.Timer(), nullptr);
    EXPECT_FALSE(h.runner.IsRunning());
    EXPECT_EQ(h.runner.InputQueue().Count(), 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(h.EndCodes().empty());
}

TEST(ConsoleRunner, ChildThatExitsDeliversEveryLineAndItsCode)
{
    Harness h;
    h.runner.CommandLine = HelperCommand({"w:a\\r\\nb\\nc", "d", "e:err\\r\\n", "w:tail", "x:3"});
    EXPECT_EQ(h.runner.RunAndWait(), 3u);
    EXPECT_FALSE(h.runner.IsRunning());
    EXPECT_EQ(h.runner.RunStatus(), rsExited);
    EXPECT_EQ(h.runner.LastExitCode(), 3u);
    ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 1; }));
    EXPECT_EQ(h.EndCodes()[0], 3u);
    EXPECT_TRUE(h.endOnWorkerThread);
    EXPECT_TRUE(h.lineOnUiThread);

    // "c" is continued by the standard error text; the last text has no line
    // break, so it comes once after its read and once more at the end.
    const std::vector<std::string> expected{"a", "b", "c", "cerr", "tail", "tail"};
    ASSERT_EQ(h.Texts(), expected);
    EXPECT_EQ(h.deliveries[0].returnCode, rcCRLF);
    EXPECT_EQ(h.deliveries[1].returnCode, rcLF);
    EXPECT_EQ(h.deliveries[2].type, otPartialLine);
    EXPECT_EQ(h.deliveries[3].type, otCompleteLine);
    EXPECT_EQ(h.deliveries[3].returnCode, rcCRLF);
    EXPECT_EQ(h.deliveries[4].type, otPartialLine);
    EXPECT_EQ(h.deliveries[5].type, otPartialLine);
    EXPECT_EQ(h.runner.LineLog().Snapshot(), expected);

    // The next run starts with an empty log.
    h.runner.CommandLine = HelperCommand({"w:x\\n"});
    EXPECT_EQ(h.runner.RunAndWait(), 0u);
    EXPECT_EQ(h.runner.LineLog().Snapshot(), std::vector<std::string>{"x"});
}

TEST(ConsoleRunner, CarriageReturnAndLineFeedInSeparateReadsEndOneLine)
{
    Harness h;
    h.runner.CommandLine = HelperCommand({"w:x\\r", "d", "w:\\ny\\n"});
    h.runner.RunAndWait();
    ASSERT_EQ(h.Texts(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(h.deliveries[0].returnCode, rcLF);
}

TEST(ConsoleRunner, ProgramThatDoesNotExist)
{
    Harness h;
    h.runner.CommandLine = "/nonexistent/encoder -i \"a b.vob\"";
    h.runner.RunAndWait();
    EXPECT_FALSE(h.runner.IsRunning());
    EXPECT_EQ(h.runner.RunStatus(), rsProcessFailed);
    EXPECT_EQ(h.runner.LastExitCode(), std::uint32_t(ENOENT));
    ASSERT_TRUE(WaitUntil([&] { return h.boxes.Events().size() == 2; }));
    EXPECT_EQ(h.boxes.Events(), (std::vector<std::string>{"end", "box"}));
    ASSERT_EQ(h.boxes.boxTexts.size(), 1u);
    EXPECT_EQ(h.boxes.boxTexts[0], "/nonexistent/encoder -i \"a b.vob\" doesn't exist.");
    EXPECT_TRUE(h.boxes.boxOnUiThread);
    // A failed start is never reported as success.
    EXPECT_NE(h.EndCodes()[0], 0u);
    EXPECT_TRUE(h.deliveries.empty());
}

TEST(ConsoleRunner, StopKillsTheWholeGroupAndKeepsTheLastExitCode)
{
    Harness h;
    h.runner.CommandLine = HelperCommand({"x:7"});
    ASSERT_EQ(h.runner.RunAndWait(), 7u);

    const std::string pidFile = TempPath("stop");
    const std::string childFile = TempPath("child");
    h.runner.CommandLine = HelperCommand({"m:" + childFile, "g:" + pidFile, "w:ready\\n", "s:60000"});
    // The end of a stopped run comes after its child is gone: the cancel
    // deletes the partial output then.
    std::atomic<bool> childGoneAtEnd{false};
    const auto recordEnd = h.runner.OnTerminated;
    h.runner.OnTerminated = [&](TConsoleRunner* sender, std::uint32_t code) {
        const pid_t child = ReadPid(childFile);
        childGoneAtEnd = child > 0 && kill(child, 0) != 0 && errno == ESRCH;
        recordEnd(sender, code);
    };
    h.runner.Start();
    ASSERT_TRUE(WaitUntil([&] { return !h.deliveries.empty() && h.deliveries.back().text == "ready"; }));
    h.runner.Stop();
    EXPECT_FALSE(h.runner.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 2; }));
    EXPECT_EQ(h.EndCodes()[1], StillActiveExitCode);
    EXPECT_TRUE(childGoneAtEnd);
    EXPECT_TRUE(h.endOnWorkerThread);
    EXPECT_EQ(h.runner.RunStatus(), rsStopped);
    EXPECT_EQ(h.runner.LastExitCode(), 7u);
    const pid_t grandchild = ReadPid(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(WaitUntilGone(grandchild));
    unlink(pidFile.c_str());
    unlink(childFile.c_str());
}

TEST(ConsoleRunner, SilentChildTimesOutAfterTheLimitHasPassed)
{
    Harness h;
    h.runner.MaxTimeAfterLastOutput = 1;
    h.runner.CommandLine = HelperCommand({"w:hello\\n", "s:60000"});
    QElapsedTimer clock;
    clock.start();
    h.runner.RunAndWait();
    // More than one whole tick without output: the second tick ends it.
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_EQ(h.runner.RunStatus(), rsTimedOut);
    ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 1; }));
    EXPECT_EQ(h.EndCodes()[0], StillActiveExitCode);
    EXPECT_GE(h.runner.Timer()->SecondsSinceLastOutput(), 2);

    // The limit from the start counts even while the child keeps talking.
    h.runner.MaxTimeAfterLastOutput = 0;
    h.runner.MaxTimeAfterBeginning = 1;
    std::vector<std::string> chatter;
    for (int i = 0; i < 100; ++i) {
        chatter.push_back("w:tick\\n");
        chatter.push_back("s:100");
    }
    h.runner.CommandLine = HelperCommand(chatter);
    clock.restart();
    h.runner.RunAndWait();
    EXPECT_EQ(h.runner.RunStatus(), rsTimedOut);
    EXPECT_GE(clock.elapsed(), 1500);
}

TEST(ConsoleRunner, EchoedCommandFollowsThePromptOnItsLine)
{
    Harness h;
    std::vector<std::string> display;
    h.runner.DisplayLines = &display;
    h.runner.InputToOutput = true;
    h.runner.InputQueue().Add("dropped when the run begins");
    h.runner.CommandLine = HelperCommand({"w:> ", "r:5", "r:4"});
    h.runner.OnNewLine = [&h](TConsoleRunner* sender, const std::string& text, TOutputType type) {
        h.deliveries.push_back({text, type, sender->OutputReturnCode()});
        if (text == "> " && type == otPartialLine) {
            sender->InputQueue().Add("abc\r\n");
            sender->InputQueue().Add("a\nb\n");
        }
    };
    h.runner.Start();
    EXPECT_EQ(h.runner.InputQueue().Count(), 0);
    ASSERT_TRUE(WaitUntil([&] { return !h.runner.IsRunning(); }));
    EXPECT_EQ(h.runner.RunStatus(), rsExited);

    ASSERT_GE(h.deliveries.size(), 3u);
    EXPECT_EQ(h.deliveries[1].text, "> abc\r\n");
    EXPECT_EQ(h.deliveries[1].type, otCompleteLine);
    // An inner line break: written whole, echoed as unfinished.
    EXPECT_EQ(h.deliveries[2].text, "a\nb\n");
    EXPECT_EQ(h.deliveries[2].type, otPartialLine);
    // The child read exactly what was queued, and its answer continues the echo.
    EXPECT_EQ(h.Texts()[3], "a\nb\ngot:abc");
    ASSERT_FALSE(display.empty());
    EXPECT_EQ(display[0], "> abc\r\n");
    EXPECT_EQ(display[1], "a\nb\ngot:abc");
}

TEST(ConsoleRunner, TextQueuedAfterAClearIsWrittenFromItsBeginning)
{
    // The child reads nothing until input has come, so the large text is
    // written only in part when the queue is cleared.
    Harness h;
    h.runner.CommandLine = HelperCommand({"w:ready\\n", "f", "w:full\\n", "u:next\\n"});
    h.runner.OnNewLine = [&h](TConsoleRunner* sender, const std::string& text, TOutputType type) {
        h.deliveries.push_back({text, type, sender->OutputReturnCode()});
        if (text == "ready")
            sender->InputQueue().Add(std::string(1 << 20, 'a'));
        if (text == "full") {
            sender->InputQueue().Clear();
            sender->InputQueue().Add("next\n");
        }
    };
    h.runner.Start();
    EXPECT_TRUE(WaitUntil([&] { return !h.runner.IsRunning(); }));
    EXPECT_EQ(h.Texts(), (std::vector<std::string>{"ready", "full", "saw"}));
    EXPECT_EQ(h.runner.InputQueue().Count(), 0);
}

TEST(ConsoleRunner, SecondStartLeavesTwoRunsAndStopEndsTheNewerOne)
{
    Harness h;
    h.runner.CommandLine = HelperCommand({"s:300", "x:4"});
    h.runner.Start();
    h.runner.CommandLine = HelperCommand({"s:60000"});
    h.runner.Start();
    h.runner.Stop();
    EXPECT_FALSE(h.runner.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 2; }));
    EXPECT_EQ(h.EndCodes()[0], StillActiveExitCode);
    EXPECT_EQ(h.EndCodes()[1], 4u);
    // The older run ended last, yet the outcome is still the newer run's.
    EXPECT_EQ(h.runner.RunStatus(), rsStopped);
    EXPECT_EQ(h.runner.LastExitCode(), 0u);
}

TEST(ConsoleRunner, FailingHandlersDoNotHoldTheRun)
{
    Harness h;
    int lines = 0;
    h.runner.OnNewLine = [&](TConsoleRunner*, const std::string&, TOutputType) {
        ++lines;
        throw std::runtime_error("line handler");
    };
    h.runner.OnTerminated = [](TConsoleRunner*, std::uint32_t) { throw std::runtime_error("end handler"); };
    h.runner.CommandLine = HelperCommand({"w:1\\n2\\n3\\n", "x:2"});
    EXPECT_EQ(h.runner.RunAndWait(), 2u);
    EXPECT_EQ(lines, 3);
    EXPECT_FALSE(h.runner.IsRunning());
    EXPECT_EQ(h.runner.RunAndWait(), 2u);
}

TEST(ConsoleRunner, StopInsideAReadDropsTheTextsNotYetDelivered)
{
    // Three lines in one write arrive in one read; a handler that stops the
    // run on the first one sees no second, and the log holds only what it saw.
    Harness h;
    h.runner.OnNewLine = [&](TConsoleRunner* sender, const std::string& text, TOutputType type) {
        h.deliveries.push_back({text, type, sender->OutputReturnCode()});
        sender->Stop();
    };
    h.runner.CommandLine = HelperCommand({"w:1\\n2\\n3\\n", "s:60000"});
    h.runner.Start();
    ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 1; }));
    EXPECT_EQ(h.Texts(), std::vector<std::string>{"1"});
    EXPECT_EQ(h.runner.LineLog().Snapshot(), std::vector<std::string>{"1"});
    EXPECT_EQ(h.runner.RunStatus(), rsStopped);
}

TEST(ConsoleRunner, DestroyedWhileRunningStopsAndWaitsForItsWorker)
{
    // The child talks without pause, so the worker is waiting for this
    // thread to take a line when the component goes away.
    const std::string pidFile = TempPath("destroy");
    std::vector<std::uint32_t> codes;
    {
        TConsoleRunner runner(nullptr, nullptr);
        std::vector<std::string> steps{"g:" + pidFile};
        for (int i = 0; i < 2000; ++i)
            steps.push_back("w:line\\n");
        steps.push_back("s:60000");
        runner.CommandLine = HelperCommand(steps);
        int seen = 0;
        runner.OnNewLine = [&](TConsoleRunner*, const std::string&, TOutputType) { ++seen; };
        runner.OnTerminated = [&](TConsoleRunner*, std::uint32_t code) { codes.push_back(code); };
        runner.Start();
        ASSERT_TRUE(WaitUntil([&] { return seen > 10; }));
    }
    EXPECT_EQ(codes, std::vector<std::uint32_t>{StillActiveExitCode});
    const pid_t grandchild = ReadPid(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(WaitUntilGone(grandchild));
    EXPECT_TRUE(NoChildProcesses());
    unlink(pidFile.c_str());
    // Calls posted by the worker died with the component.
    QCoreApplication::processEvents();
}

TEST(ConsoleRunner, ManyRunsLeaveNoDescriptorThreadOrChildBehind)
{
    QCoreApplication::processEvents();
    const std::vector<int> fdsBefore = OpenDescriptors();
    // A sanitizer's runtime starts a thread of its own with the first one.
    std::thread([] {}).join();
    const int threadsBefore = ThreadCount();
    {
        Harness h;
        for (int i = 0; i < 200; ++i) {
            switch (i % 4) {
            case 0:
                h.runner.CommandLine = HelperCommand({"w:x\\n", "x:1"});
                EXPECT_EQ(h.runner.RunAndWait(), 1u);
                break;
            case 1:
                h.runner.CommandLine = "/nonexistent/program";
                h.runner.RunAndWait();
                EXPECT_EQ(h.runner.RunStatus(), rsProcessFailed);
                break;
            case 2:
                h.runner.CommandLine = HelperCommand({"s:60000"});
                h.runner.Start();
                h.runner.Stop();
                break;
            default:
                h.runner.MaxTimeAfterBeginning = 0;
                h.runner.CommandLine = HelperCommand({"w:partial"});
                h.runner.RunAndWait();
                break;
            }
        }
        // One run that runs out of time.
        h.runner.MaxTimeAfterBeginning = 1;
        h.runner.CommandLine = HelperCommand({"s:60000"});
        h.runner.RunAndWait();
        EXPECT_EQ(h.runner.RunStatus(), rsTimedOut);
        h.runner.MaxTimeAfterBeginning = 0;

        ASSERT_TRUE(WaitUntil([&] { return h.EndCodes().size() == 201; }, 30000));
        EXPECT_EQ(h.boxes.boxTexts.size(), 50u);
        // Nothing of the runs stays open while the component lives on.
        EXPECT_TRUE(WaitUntil([&] { return OpenDescriptors() == fdsBefore; }));
        EXPECT_TRUE(NoChildProcesses());
        // The last worker has released itself: asking it again is harmless
        // and raises no second end.
        h.runner.Stop();
        EXPECT_FALSE(h.runner.IsRunning());
        QCoreApplication::processEvents();
        EXPECT_EQ(h.EndCodes().size(), 201u);
    }
    EXPECT_EQ(OpenDescriptors(), fdsBefore);
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_TRUE(NoChildProcesses());
}
