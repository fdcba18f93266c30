#pragma once
// The worker of one run of a TConsoleRunner: makes the pipes, starts the
// child, polls it and its output, cuts the output into lines and hands each
// text to the user-interface thread, writes queued input, and at the end
// kills the child if it still runs, closes everything, raises OnTerminated
// on its own thread and records the outcome.
//
// The component keeps the worker (shared ownership) until its thread has
// been joined, so asking a finished worker is always safe.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Process.h"
#include "runner/ConsoleRunner.h"
#include "runner/LineCutter.h"

class TProcessTimer;

class TConsoleThread {
public:
    // Copies the run's settings from the component and empties its input
    // queue; made by Start on the user-interface thread, after it has
    // numbered the run. The thread starts with Launch.
    explicit TConsoleThread(TConsoleRunner* owner);
    ~TConsoleThread();
    TConsoleThread(const TConsoleThread&) = delete;
    TConsoleThread& operator=(const TConsoleThread&) = delete;

    // Throws std::system_error when no thread can be made.
    void Launch();

    // The terminate request: noticed within one pass of the polling loop.
    void RequestTerminate();
    // For a component that is going away: terminate, and let a hand-over to
    // the user-interface thread that has not begun return without running,
    // since that thread is busy waiting for this worker.
    void Abandon();
    void Join();

    bool Running() const { return running_.load(); }
    bool TerminateRequested() const { return terminate_.load(); }
    // The thread body has done everything; Join returns at once.
    bool Finished() const { return finished_.load(); }

private:
    struct HandOverSync {
        std::mutex mutex;
        std::condition_variable done;
        bool abandoned = false;
    };
    struct HandOver;

    void Body();
    // Throws TCreatePipeError or TCreateProcessError after the end steps.
    void RunCommand();
    void PollLoop(movarin::ChildProcess& child, int outRead, int inWrite, std::uint32_t& exitStatus,
                  std::uint8_t& status);
    void ReadOutput(int outRead, std::size_t waiting);
    void WriteQueuedInput(int inWrite);
    void EchoInput(const std::string& text);
    void DeliverText(const std::string& text, TOutputType type);
    // The texts cut from one read, handed over together (see ReadOutput).
    struct Delivery {
        std::string text;
        TOutputType type;
        TReturnCode ending;
    };
    void DeliverBatch(const std::vector<Delivery>& batch);
    void ShowNewLine(const std::string& text, TOutputType type);  // user-interface thread
    bool TimeLimitPassed() const;
    // Runs fn on the user-interface thread and waits until it has returned.
    // An exception from fn is dropped. False when abandoned before fn ran.
    bool RunOnUiThread(const std::function<void()>& fn);

    TConsoleRunner* const owner_;
    // Which Start this worker belongs to: its outcome is written only while
    // no later Start has begun another run.
    const std::uint64_t run_;
    const std::string commandLine_;
    TProcessTimer* const timer_;
    const std::int32_t maxTimeAfterBeginning_;
    const std::int32_t maxTimeAfterLastOutput_;
    const TNewLineEvent onNewLine_;
    const TTerminateEvent onTerminated_;
    // Show command and creation flag travel with the run as on a platform
    // with console windows; a Linux child has no use for them. A priority
    // below normal lowers the child's on every system.
    const std::uint32_t priority_;
    const movarin::EnvironmentChanges environment_;
    const TShowWindow showWindow_;
    const TCreationFlag creationFlag_;
    movarin::IMessageBoxes* const errorBox_;

    std::shared_ptr<HandOverSync> sync_ = std::make_shared<HandOverSync>();
    movarin::UniqueFd wakeFd_;  // Stop makes it readable to cut the pause short
    int wakeFdError_ = 0;

    // Run state, worker thread only (lastWasPartial_: written by the
    // user-interface side while the worker waits for it).
    std::vector<char> buffer_;
    TLineCutter cutter_;
    std::vector<Delivery> batch_;
    bool lastWasPartial_ = false;
    std::size_t inputOffset_ = 0;  // bytes of the oldest queued text already written
    std::uint64_t inputSerial_ = 0;  // the queued text inputOffset_ counts in
    bool inputBlocked_ = false;    // the input pipe was full

    std::atomic<bool> running_{true};
    std::atomic<bool> terminate_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};
