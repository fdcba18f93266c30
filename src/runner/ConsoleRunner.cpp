#include "runner/ConsoleRunner.h"

#include "runner/ProcessTimer.h"

TConsoleRunner::TConsoleRunner(QObject* owner, movarin::IMessageBoxes* errorBox)
    : QObject(owner)
    , errorBox_(errorBox)
{
}

TConsoleRunner::~TConsoleRunner() = default;

void TConsoleRunner::Start()
{
    if (CommandLine.empty())
        return;
    if (!timer_)
        timer_ = new TProcessTimer(this);
    lineLog_.Clear();
}

std::uint32_t TConsoleRunner::RunAndWait()
{
    Start();
    return LastExitCode();
}

void TConsoleRunner::Stop()
{
    worker_.reset();
}

bool TConsoleRunner::IsRunning() const
{
    return false;
}

void TConsoleRunner::ReapFinishedWorkers()
{
}
