#include "runner/ConsoleThread.h"

#include <QMetaObject>

#include <cerrno>
#include <new>
#include <system_error>

#include "platform/CommandLine.h"
#include "platform/MessageBoxes.h"
#include "runner/ProcessTimer.h"

namespace {

// The longest pause of one polling pass. Output and the stop request cut it
// short; it bounds how late the child's end, queued input and the time
// limits are noticed. Where the child's end wakes the worker by itself, the
// pause only paces queued input (rare) and the time limits (whole seconds).
constexpr int PauseMs = 10;
constexpr int LongPauseMs = 100;

[[noreturn]] void ThrowSystemError(int error)
{
    throw std::system_error(error, std::system_category());
}

} // namespace

struct TConsoleThread::HandOver {
    enum State { Pending, Running, Done, Cancelled };
    State state = Pending;
    const std::function<void()>* fn = nullptr;
    std::shared_ptr<HandOverSync> sync;

    // On the user-interface thread. Touches nothing but this record unless
    // the worker is still waiting for it.
    void Run()
    {
        {
            std::lock_guard lock(sync->mutex);
            if (state != Pending)
                return;
            state = Running;
        }
        try {
            (*fn)();
        } catch (...) {
            // Dropped: a failing handler must not end the run, and Qt must
            // never see an exception.
        }
        // Notified under the lock: once the worker can see Done, this record
        // is no longer touched here, in an order a race checker can follow.
        std::lock_guard lock(sync->mutex);
        state = Done;
        sync->done.notify_all();
    }
};

TConsoleThread::TConsoleThread(TConsoleRunner* owner)
    : owner_(owner)
    , run_(owner->latestRun_)
    , commandLine_(owner->CommandLine)
    , timer_(owner->timer_)
    , maxTimeAfterBeginning_(owner->MaxTimeAfterBeginning)
    , maxTimeAfterLastOutput_(owner->MaxTimeAfterLastOutput)
    , onNewLine_(owner->OnNewLine)
    , onTerminated_(owner->OnTerminated)
    , priority_(owner->priorityClass_)
    , environment_(owner->Environment)
    , showWindow_(owner->ShowWindow)
    , creationFlag_(owner->CreationFlag)
    , errorBox_(owner->errorBox_)
{
    owner->inputQueue_.Clear();
    wakeFdError_ = movarin::CreateWakeFd(wakeFd_);
}

TConsoleThread::~TConsoleThread()
{
    Join();
}

void TConsoleThread::Launch()
{
    thread_ = std::thread([this] { Body(); });
}

void TConsoleThread::RequestTerminate()
{
    terminate_.store(true);
    if (wakeFd_.Valid())
        movarin::SignalWakeFd(wakeFd_.Get());
}

void TConsoleThread::Abandon()
{
    {
        std::lock_guard lock(sync_->mutex);
        sync_->abandoned = true;
    }
    sync_->done.notify_all();
    RequestTerminate();
}

void TConsoleThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

bool TConsoleThread::RunOnUiThread(const std::function<void()>& fn)
{
    auto handOver = std::make_shared<HandOver>();
    handOver->fn = &fn;
    handOver->sync = sync_;
    {
        std::lock_guard lock(sync_->mutex);
        if (sync_->abandoned)
            return false;
    }
    // The component lives on the user-interface thread; a call posted to it
    // is dropped by Qt if the component is destroyed first.
    QMetaObject::invokeMethod(owner_, [handOver] { handOver->Run(); }, Qt::QueuedConnection);
    std::unique_lock lock(sync_->mutex);
    sync_->done.wait(lock, [&] {
        return handOver->state == HandOver::Done
            || (handOver->state == HandOver::Pending && sync_->abandoned);
    });
    if (handOver->state == HandOver::Pending) {
        handOver->state = HandOver::Cancelled;
        return false;
    }
    return true;
}

void TConsoleThread::Body()
{
    std::string errorToShow;
    try {
        RunCommand();
    } catch (const TCreatePipeError& e) {
        errorToShow = e.what();
    } catch (const TCreateProcessError& e) {
        errorToShow = e.what();
    } catch (...) {
        // Held, not shown: the outcome is in RunStatus and LastExitCode.
    }
    if (!errorToShow.empty() && errorBox_) {
        RunOnUiThread([&] {
            errorBox_->Show("Movarin", errorToShow, movarin::BoxButtons::Ok, movarin::BoxIcon::Error);
        });
    }
    finished_.store(true);
    // Lets the component join this thread, and wakes a RunAndWait.
    TConsoleRunner* owner = owner_;
    QMetaObject::invokeMethod(owner, [owner] { owner->ReapFinishedWorkers(); }, Qt::QueuedConnection);
}

void TConsoleThread::RunCommand()
{
    std::uint8_t status = rsStarting;
    owner_->SetRunStatus(run_, status);
    int lastError = 0;
    std::uint32_t exitStatus = StillActiveExitCode;
    std::exception_ptr failure;
    bool loopCompleted = false;

    movarin::UniqueFd inRead, inWrite, outRead, outWrite;
    movarin::ChildProcess child;

    try {
        if (wakeFdError_)
            ThrowSystemError(wakeFdError_);
        buffer_.assign(1024, '\0');

        status = rsCreatingPipes;
        owner_->SetRunStatus(run_, status);
        auto pipeError = [&](int error) {
            lastError = error;
            throw TCreatePipeError(std::system_category().message(error));
        };
        if (int e = movarin::CreatePipe(inRead, inWrite))
            pipeError(e);
        if (int e = movarin::CreatePipe(outRead, outWrite)) {
            inRead.Reset();
            inWrite.Reset();
            pipeError(e);
        }
        // Writes must never block the worker: a child that does not read
        // would otherwise hold it past a Stop.
        if (int e = movarin::SetNonBlocking(inWrite.Get()))
            pipeError(e);
        if (int e = movarin::SetNonBlocking(outRead.Get()))
            pipeError(e);

        status = rsCreatingProcess;
        owner_->SetRunStatus(run_, status);
        if (int e = child.Start(movarin::SplitCommandLine(commandLine_), inRead.Get(), outWrite.Get(),
                                priority_, environment_)) {
            lastError = e;
            throw TCreateProcessError(commandLine_ + " doesn't exist.");
        }

        timer_->StartCounting();
        status = rsRunning;
        owner_->SetRunStatus(run_, status);
        cutter_ = TLineCutter();
        lastWasPartial_ = false;
        PollLoop(child, outRead.Get(), inWrite.Get(), exitStatus, status);
        loopCompleted = true;
    } catch (const std::system_error& e) {
        lastError = e.code().value();
        failure = std::current_exception();
    } catch (const std::bad_alloc&) {
        lastError = ENOMEM;
        failure = std::current_exception();
    } catch (...) {
        failure = std::current_exception();
    }

    // The end of the run, in this order.
    if (loopCompleted && !cutter_.Partial().empty())
        DeliverText(cutter_.Partial(), otPartialLine);
    if (child.Started()) {
        if (exitStatus == StillActiveExitCode)
            child.KillGroupAndReap();
        timer_->StopCounting();
    }
    inRead.Reset();
    outWrite.Reset();
    outRead.Reset();
    inWrite.Reset();
    std::vector<char>().swap(buffer_);

    if (onTerminated_) {
        try {
            onTerminated_(owner_, exitStatus);
        } catch (...) {
            // The run must still end: IsRunning turns false and the worker is released.
        }
    }
    if (status == rsStarting || status == rsCreatingPipes || status == rsCreatingProcess
        || status == rsRunning) {
        owner_->SetRunOutcome(run_, std::uint8_t(status + 1), std::uint32_t(lastError));
    }
    terminate_.store(true);
    running_.store(false);

    if (failure)
        std::rethrow_exception(failure);
}

void TConsoleThread::PollLoop(movarin::ChildProcess& child, int outRead, int inWrite,
                              std::uint32_t& exitStatus, std::uint8_t& status)
{
    for (;;) {
        int error = 0;
        if (auto code = child.PollExit(error))
            exitStatus = *code;
        if (error)
            ThrowSystemError(error);

        std::size_t waiting = 0;
        if (int e = movarin::BytesWaiting(outRead, waiting))
            ThrowSystemError(e);
        if (waiting > 0)
            ReadOutput(outRead, waiting);
        else
            WriteQueuedInput(inWrite);

        // The pause: over at once when output or a stop request comes in.
        const bool leaving = exitStatus != StillActiveExitCode || terminate_.load();
        // With the child's exit descriptor in the set, the end of the child
        // also cuts the pause short, so the worker can sleep longer and stay
        // out of the encoder's way; the pause then only paces the time limits.
        const int exitFd = child.ExitFd();
        pollfd fds[4] = {
            {outRead, POLLIN, 0},
            {wakeFd_.Get(), POLLIN, 0},
            {exitFd, POLLIN, 0},
            {inWrite, POLLOUT, 0},
        };
        const nfds_t count = inputBlocked_ ? 4 : 3;
        const int pause = leaving ? 0 : exitFd >= 0 ? LongPauseMs : PauseMs;
        if (movarin::PollRetry(fds, count, pause) < 0)
            ThrowSystemError(errno);
        if (fds[1].revents & POLLIN)
            movarin::DrainWakeFd(wakeFd_.Get());

        if (exitStatus != StillActiveExitCode) {
            status = rsExited;
            owner_->SetRunOutcome(run_, status, exitStatus);
            return;
        }
        if (terminate_.load()) {
            status = rsStopped;
            owner_->SetRunStatus(run_, status);
            return;
        }
        if (TimeLimitPassed()) {
            status = rsTimedOut;
            owner_->SetRunStatus(run_, status);
            return;
        }
    }
}

bool TConsoleThread::TimeLimitPassed() const
{
    return (maxTimeAfterBeginning_ > 0 && timer_->SecondsSinceStart() > maxTimeAfterBeginning_)
        || (maxTimeAfterLastOutput_ > 0 && timer_->SecondsSinceLastOutput() > maxTimeAfterLastOutput_);
}

void TConsoleThread::ReadOutput(int outRead, std::size_t waiting)
{
    // Everything that waits in one read: the buffer grows to the largest
    // amount seen and keeps that size for the rest of the run.
    if (waiting > buffer_.size())
        buffer_.resize(waiting);
    ssize_t n = movarin::ReadRetry(outRead, buffer_.data(), buffer_.size());
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        ThrowSystemError(errno);
    }
    batch_.clear();
    cutter_.Cut(
        std::string_view(buffer_.data(), std::size_t(n)),
        [this](const std::string& text, TOutputType type, TReturnCode ending) {
            batch_.push_back({text, type, ending});
        },
        [this] { return terminate_.load(); });
    DeliverBatch(batch_);
}

void TConsoleThread::DeliverBatch(const std::vector<Delivery>& batch)
{
    if (batch.empty())
        return;
    // One hand-over per read, not per line: waking the user-interface thread
    // costs tens of microseconds, and an encoder writes many lines at once.
    // The handler still sees every text, in order, each with its own line
    // end, and a stop request still drops what was not yet delivered.
    try {
        timer_->ResetLastOutput();
        RunOnUiThread([&] {
            for (const Delivery& item : batch) {
                if (terminate_.load())
                    return;
                owner_->lineLog_.Add(item.text);
                if (item.type == otCompleteLine)
                    owner_->SetOutputReturnCode(run_, item.ending);
                try {
                    ShowNewLine(item.text, item.type);
                } catch (...) {
                    // A failing handler drops its own text, not the rest.
                }
            }
        });
    } catch (...) {
        // A failed delivery does not end the run.
    }
}

void TConsoleThread::WriteQueuedInput(int inWrite)
{
    inputBlocked_ = false;
    TSharedStrings& queue = owner_->inputQueue_;
    while (!terminate_.load()) {
        std::optional<TSharedStrings::Item> item = queue.FirstItem();
        if (!item)
            return;
        // The offset belongs to the text it was counted in: after a Clear the
        // next text starts at its own beginning.
        if (item->serial != inputSerial_) {
            inputSerial_ = item->serial;
            inputOffset_ = 0;
        }
        const std::string* text = &item->text;
        // A text goes out whole, over as many passes as a full pipe needs.
        while (inputOffset_ < text->size()) {
            ssize_t n = movarin::WriteRetry(inWrite, text->data() + inputOffset_, text->size() - inputOffset_);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    inputBlocked_ = true;
                    return;
                }
                ThrowSystemError(errno);
            }
            inputOffset_ += std::size_t(n);
        }
        inputOffset_ = 0;
        // An empty text writes nothing and echoes nothing.
        if (!text->empty())
            EchoInput(*text);
        // Cleared meanwhile: what is first now has not been written.
        queue.RemoveFirst(item->serial);
    }
}

void TConsoleThread::EchoInput(const std::string& text)
{
    // The setting is read where it is written: on the user-interface thread.
    bool echo = false;
    RunOnUiThread([&] { echo = owner_->InputToOutput; });
    if (!echo)
        return;
    std::string& partial = cutter_.Partial();
    partial = lastWasPartial_ ? partial + text : text;
    if (EndsWithLineBreak(text)) {
        const std::string line = std::move(partial);
        partial.clear();
        DeliverText(line, otCompleteLine);
    } else {
        DeliverText(partial, otPartialLine);
    }
}

void TConsoleThread::DeliverText(const std::string& text, TOutputType type)
{
    try {
        owner_->lineLog_.Add(text);
        timer_->ResetLastOutput();
        RunOnUiThread([&] { ShowNewLine(text, type); });
    } catch (...) {
        // A failed delivery does not end the run.
    }
}

void TConsoleThread::ShowNewLine(const std::string& text, TOutputType type)
{
    if (std::vector<std::string>* lines = owner_->DisplayLines) {
        if (lines->empty()) {
            if (type == otCompleteLine)
                lines->push_back(text);
            else
                *lines = SplitIntoLines(text);
        } else if (lastWasPartial_) {
            lines->back() = text;
        } else {
            lines->push_back(text);
        }
    }
    lastWasPartial_ = (type == otPartialLine);
    if (onNewLine_)
        onNewLine_(owner_, text, type);
}
