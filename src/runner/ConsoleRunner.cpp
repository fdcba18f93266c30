#include "runner/ConsoleRunner.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <system_error>

#include "runner/ConsoleThread.h"
#include "runner/ProcessTimer.h"

TConsoleRunner::TConsoleRunner(QObject* owner, movarin::IMessageBoxes* errorBox,
                               std::uint32_t priorityClass)
    : QObject(owner)
    , errorBox_(errorBox)
    , priorityClass_(priorityClass)
{
}

TConsoleRunner::~TConsoleRunner()
{
    // A worker uses this component's fields, lists and timer until its run
    // has ended, so every worker is stopped and waited for. Abandoning also
    // releases a worker that waits for this (now busy) thread to take a line.
    // Destroying the component from inside its own OnNewLine would wait for
    // itself: use deleteLater there.
    if (worker_)
        Stop();
    for (const auto& worker : workers_)
        worker->Abandon();
    for (const auto& worker : workers_)
        worker->Join();
    workers_.clear();
}

void TConsoleRunner::Start()
{
    if (CommandLine.empty())
        return;
    ReapFinishedWorkers();
    if (!timer_)
        timer_ = new TProcessTimer(this);
    lineLog_.Clear();
    std::uint64_t run;
    {
        std::lock_guard lock(outcomeMutex_);
        run = ++latestRun_;
    }

    auto worker = std::make_shared<TConsoleThread>(this);
    workers_.push_back(worker);
    worker_ = worker;
    try {
        worker->Launch();
    } catch (const std::system_error& e) {
        // No thread, no run: report it as a run that failed before its
        // pipes, with the end event the caller waits for.
        workers_.pop_back();
        worker_.reset();
        SetRunOutcome(run, rsStartFailed, std::uint32_t(e.code().value()));
        if (OnTerminated) {
            try {
                OnTerminated(this, StillActiveExitCode);
            } catch (...) {
            }
        }
    }
}

std::uint32_t TConsoleRunner::RunAndWait()
{
    Start();
    // Blocks in the event loop between events: deliveries, ticks and the
    // worker's final message all wake it.
    while (IsRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return LastExitCode();
}

void TConsoleRunner::Stop()
{
    if (!worker_)
        return;
    worker_->RequestTerminate();
    worker_.reset();
}

bool TConsoleRunner::IsRunning() const
{
    return worker_ && worker_->Running() && !worker_->TerminateRequested();
}

void TConsoleRunner::SetRunStatus(std::uint64_t run, std::uint8_t status)
{
    std::lock_guard lock(outcomeMutex_);
    if (run == latestRun_)
        runStatus_.store(status);
}

void TConsoleRunner::SetRunOutcome(std::uint64_t run, std::uint8_t status, std::uint32_t exitCode)
{
    std::lock_guard lock(outcomeMutex_);
    if (run != latestRun_)
        return;
    runStatus_.store(status);
    lastExitCode_.store(exitCode);
}

void TConsoleRunner::SetOutputReturnCode(std::uint64_t run, TReturnCode code)
{
    std::lock_guard lock(outcomeMutex_);
    if (run == latestRun_)
        outputReturnCode_.store(code);
}

void TConsoleRunner::ReapFinishedWorkers()
{
    // A finished latest worker is let go as well: IsRunning and Stop answer
    // the same without it, and its wake descriptor does not outlive the run.
    if (worker_ && worker_->Finished())
        worker_.reset();
    std::erase_if(workers_, [](const std::shared_ptr<TConsoleThread>& worker) {
        if (!worker->Finished())
            return false;
        worker->Join();
        return true;
    });
}
