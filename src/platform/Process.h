#pragma once
// Spawning a child process with its standard streams on pipes: the POSIX side
// of the console runner. The child is executed directly (never through a
// shell) in a process group of its own, so that killing it takes its helpers
// along, and is killed when its parent dies. Every function reports failure as an errno value; none throws.
//
// On Windows the same calls work on small numbers that stand for pipe, event
// and process handles (ProcessWin.cpp), and the group is a Job Object.
#ifdef _WIN32
#include <sys/types.h>
struct pollfd {
    int fd;
    short events;
    short revents;
};
using nfds_t = unsigned long;
#ifndef POLLIN
#define POLLIN 0x0001
#define POLLOUT 0x0004
#endif
#else
#include <poll.h>
#include <sys/types.h>
#endif

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace movarin {

// Variables a child gets on top of its parent's environment: name, value.
// A name the parent has already is replaced.
using EnvironmentChanges = std::vector<std::pair<std::string, std::string>>;

// Windows priority classes that a child can be started with.
inline constexpr std::uint32_t IdlePriority = 0x40;
inline constexpr std::uint32_t BelowNormalPriority = 0x4000;

// Sole owner of one file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes the descriptor (if any) and takes fd; each system closes its own way.
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

// An anonymous pipe; both ends close on exec.
int CreatePipe(UniqueFd& readEnd, UniqueFd& writeEnd);
int SetNonBlocking(int fd);
// An eventfd that Signal makes readable; Drain makes it quiet again.
int CreateWakeFd(UniqueFd& fd);
void SignalWakeFd(int fd);
void DrainWakeFd(int fd);

// How many bytes can be read from fd without blocking (FIONREAD).
int BytesWaiting(int fd, std::size_t& count);
// read/write/poll that retry on EINTR; -1 with errno set on failure.
ssize_t ReadRetry(int fd, void* buffer, std::size_t size);
ssize_t WriteRetry(int fd, const void* data, std::size_t size);
int PollRetry(pollfd* fds, nfds_t count, int timeoutMs);

// Where a program name leads: a name with "/" as it is (a relative path
// resolves against the current folder), a bare name through PATH, as a
// command prompt would find it.
std::vector<std::string> ProgramCandidates(const std::string& program);

// One child process. The destructor kills the child's group and reaps it if
// it is still there, so no zombie outlives the object.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] with argv as its arguments, standard input from inFd,
    // standard output and standard error into outFd. Returns 0 or the errno
    // of the failure, a failed exec in the child included (ENOENT for a
    // program that does not exist or an empty argv). priorityClass is a
    // Windows priority class; the two below normal (BelowNormalPriority,
    // IdlePriority) lower the child's CPU priority on every system, any
    // other value leaves it as the parent's. The child's environment is the
    // parent's with environment applied.
    int Start(const std::vector<std::string>& argv, int inFd, int outFd,
              std::uint32_t priorityClass = 0, const EnvironmentChanges& environment = {});

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // Readable once the child has ended, so a waiter can sleep in poll
    // instead of asking again and again; -1 where the kernel offers none.
    int ExitFd() const { return exitFd_.Get(); }

    // Without blocking: the exit code once the child has ended (its exit
    // status, or 128 + N after signal N), otherwise nothing. error receives
    // an errno when the query itself fails.
    std::optional<std::uint32_t> PollExit(int& error);
    // SIGKILL to the child's whole process group, then waits for the child.
    void KillGroupAndReap();

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
#ifdef _WIN32
    void* process_ = nullptr; // the child's process handle
    void* job_ = nullptr;     // the Job Object that holds the child and its children
#endif
    UniqueFd exitFd_;
};

} // namespace movarin
