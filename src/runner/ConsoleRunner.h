#pragma once
// Runs one console command line as a child process on a worker thread and
// hands the child's output, line by line, to the user-interface thread.
#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "runner/RunnerTypes.h"
#include "runner/SharedStrings.h"

namespace movarin {
class IMessageBoxes;
}

class TConsoleRunner;
class TConsoleThread;
class TProcessTimer;

using TNewLineEvent =
    std::function<void(TConsoleRunner* Sender, const std::string& NewLine, TOutputType OutputType)>;
using TTerminateEvent = std::function<void(TConsoleRunner* Sender, std::uint32_t ExitCode)>;

class TConsoleRunner : public QObject {
public:
    // errorBox shows the standard error box ("Movarin", error icon, OK); may be nullptr.
    // priorityClass: the priority class of every child (see ChildProcess::Start).
    TConsoleRunner(QObject* owner, movarin::IMessageBoxes* errorBox,
                   std::uint32_t priorityClass = NormalPriorityClass);
    // Stops every worker of this component and waits for it: a worker uses the
    // component's fields until its run has ended.
    ~TConsoleRunner() override;

    TConsoleRunner(const TConsoleRunner&) = delete;
    TConsoleRunner& operator=(const TConsoleRunner&) = delete;

    // Settings, read when a run starts (InputToOutput: whenever input is written).
    std::string CommandLine;
    TNewLineEvent OnNewLine;       // user-interface thread
    TTerminateEvent OnTerminated;  // worker thread, once per run
    bool InputToOutput = false;
    std::int32_t MaxTimeAfterBeginning = 0;   // seconds; 0 or less: no limit
    std::int32_t MaxTimeAfterLastOutput = 0;  // seconds; 0 or less: no limit
    TShowWindow ShowWindow = swHIDE;
    TCreationFlag CreationFlag = fCREATE_NEW_CONSOLE;
    TReturnCode ReturnCode = rcCRLF;  // stored only
    // Added to (or replacing) this process's environment for the child.
    movarin::EnvironmentChanges Environment;

    // Optional list that mirrors the output; used on the user-interface thread only.
    std::vector<std::string>* DisplayLines = nullptr;

    void Start();
    std::uint32_t RunAndWait();
    void Stop();
    bool IsRunning() const;

    // Outcome of the latest run.
    TReturnCode OutputReturnCode() const { return outputReturnCode_.load(); }
    std::uint8_t RunStatus() const { return runStatus_.load(); }
    std::uint32_t LastExitCode() const { return lastExitCode_.load(); }

    // Every text delivered during the latest run; emptied by Start.
    TSharedStrings& LineLog() { return lineLog_; }
    // Texts for the child's standard input, oldest first; emptied when a run begins.
    TSharedStrings& InputQueue() { return inputQueue_; }

    std::uint32_t PriorityClass() const { return priorityClass_; }
    std::uint32_t ShowWindowValue() const { return ::ShowWindowValue(ShowWindow); }
    std::uint32_t CreationFlagValue() const { return ::CreationFlagValue(CreationFlag); }

    // The tick counter; nullptr until the first Start.
    TProcessTimer* Timer() const { return timer_; }

private:
    friend class TConsoleThread;

    void ReapFinishedWorkers();
    // The outcome fields describe the latest run only. A worker that was
    // stopped or superseded by a newer Start winds down on its own time, and
    // under load that can be after the newer run has ended; its late writes
    // are dropped here. run is the number Start gave the worker.
    void SetRunStatus(std::uint64_t run, std::uint8_t status);
    void SetRunOutcome(std::uint64_t run, std::uint8_t status, std::uint32_t exitCode);
    void SetOutputReturnCode(std::uint64_t run, TReturnCode code);

    movarin::IMessageBoxes* errorBox_;
    TProcessTimer* timer_ = nullptr;  // child QObject
    std::shared_ptr<TConsoleThread> worker_;
    // Every worker whose thread has not been joined yet, the current one included.
    std::vector<std::shared_ptr<TConsoleThread>> workers_;
    std::uint32_t priorityClass_ = NormalPriorityClass;

    // Held across the check of latestRun_ and the write it permits, so that
    // no Start slips in between.
    std::mutex outcomeMutex_;
    std::uint64_t latestRun_ = 0;  // counted up by Start, under outcomeMutex_

    std::atomic<std::uint8_t> runStatus_{rsStarting};
    std::atomic<std::uint32_t> lastExitCode_{0};
    std::atomic<TReturnCode> outputReturnCode_{rcCRLF};
    TSharedStrings lineLog_;
    TSharedStrings inputQueue_;
};
