#include "platform/Process.h"

#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <fcntl.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace movarin {

void UniqueFd::Reset(int fd)
{
    if (fd_ >= 0) {
        // close() is not retried on EINTR: on Linux the descriptor is gone either way.
        ::close(fd_);
    }
    fd_ = fd;
}

int CreatePipe(UniqueFd& readEnd, UniqueFd& writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return 0;
}

int SetNonBlocking(int fd)
{
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return errno;
    return 0;
}

int CreateWakeFd(UniqueFd& fd)
{
    int efd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (efd < 0)
        return errno;
    fd.Reset(efd);
    return 0;
}

void SignalWakeFd(int fd)
{
    std::uint64_t one = 1;
    // EAGAIN means the counter is already far from zero: the reader wakes anyway.
    (void)WriteRetry(fd, &one, sizeof one);
}

void DrainWakeFd(int fd)
{
    std::uint64_t value;
    (void)ReadRetry(fd, &value, sizeof value);
}

int BytesWaiting(int fd, std::size_t& count)
{
    int n = 0;
    if (::ioctl(fd, FIONREAD, &n) != 0)
        return errno;
    count = n > 0 ? std::size_t(n) : 0;
    return 0;
}

ssize_t ReadRetry(int fd, void* buffer, std::size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, buffer, size);
    while (n < 0 && errno == EINTR);
    return n;
}

ssize_t WriteRetry(int fd, const void* data, std::size_t size)
{
    ssize_t n;
    do
        n = ::write(fd, data, size);
    while (n < 0 && errno == EINTR);
    return n;
}

int PollRetry(pollfd* fds, nfds_t count, int timeoutMs)
{
    int n;
    do
        n = ::poll(fds, count, timeoutMs);
    while (n < 0 && errno == EINTR);
    return n;
}

std::vector<std::string> ProgramCandidates(const std::string& program)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return {program};
    const char* env = std::getenv("PATH");
    std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::vector<std::string> candidates;
    std::size_t begin = 0;
    while (true) {
        std::size_t end = path.find(':', begin);
        std::string dir = path.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        // An empty entry means the current folder, as in every POSIX shell.
        candidates.push_back((dir.empty() ? std::string(".") : dir) + "/" + program);
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
    return candidates;
}

namespace {

// Runs in the forked child: async-signal-safe calls only.
// The nice value that stands for a priority class; 0 leaves it alone.
int NiceOf(std::uint32_t priorityClass)
{
    switch (priorityClass) {
    case IdlePriority: return 19;
    case BelowNormalPriority: return 10;
    default: return 0;
    }
}

[[noreturn]] void ExecChild(pid_t parent, const std::vector<const char*>& candidates,
                            char* const* argv, char* const* envp, int inFd, int outFd, int errorFd,
                            int nice)
{
    // A child must not outlive a parent that was killed (by the out-of-memory
    // killer, a logout, a crash): an encoder left running writes on unseen.
    // The parent may have died before the request took effect, so look once
    // more; nobody is left to read an error then. The signal comes when the
    // thread that forked ends, and the runner's worker outlives its child.
    int error = 0;
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        error = errno;
    else if (::getppid() != parent)
        ::_exit(127);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig != SIGKILL && sig != SIGSTOP)
            ::sigaction(sig, &dfl, nullptr);  // fails harmlessly for reserved signals
    }
    // Own group: a kill of the group reaches everything the child starts.
    if (!error && ::setpgid(0, 0) != 0)
        error = errno;
    // Lowered here, before exec, so that nothing of the child runs at the
    // parent's priority; its own children inherit it. Never raised: a parent
    // that runs lower already keeps its level. A refusal is no reason to
    // fail the start.
    if (nice != 0) {
        errno = 0;
        const int current = ::getpriority(PRIO_PROCESS, 0);
        if (errno == 0 && current < nice)
            ::setpriority(PRIO_PROCESS, 0, nice);
    }
    // Lift the pipe ends above 2 first, so that neither dup2 below overwrites
    // the other when the parent had its standard descriptors closed.
    int in = error ? -1 : ::fcntl(inFd, F_DUPFD_CLOEXEC, 3);
    int out = in < 0 ? -1 : ::fcntl(outFd, F_DUPFD_CLOEXEC, 3);
    if (!error && (in < 0 || out < 0))
        error = errno;
    if (!error && (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0))
        error = errno;
    if (!error) {
        sigset_t none;
        sigemptyset(&none);
        ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
        bool sawAccess = false;
        error = ENOENT;
        for (const char* candidate : candidates) {
            ::execve(candidate, argv, envp);
            int e = errno;
            if (e == EACCES) {
                sawAccess = true;
            } else if (e != ENOENT && e != ENOTDIR && e != ESTALE && e != ENODEV && e != ETIMEDOUT) {
                error = e;
                break;
            }
            error = sawAccess ? EACCES : ENOENT;
        }
    }
    (void)WriteRetry(errorFd, &error, sizeof error);
    ::_exit(127);
}

pid_t WaitRetry(pid_t pid, int* status, int options)
{
    pid_t r;
    do
        r = ::waitpid(pid, status, options);
    while (r < 0 && errno == EINTR);
    return r;
}

std::uint32_t ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return std::uint32_t(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128u + std::uint32_t(WTERMSIG(status));
    return 0;
}

// "NAME=value" texts for the child: the parent's, each replaced where
// changes name it, then the names it adds.
std::vector<std::string> ChildEnvironment(const EnvironmentChanges& changes)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& change : changes)
            replaced = replaced || change.first == name;
        if (!replaced)
            entries.emplace_back(text);
    }
    for (const auto& [name, value] : changes)
        entries.push_back(name + "=" + value);
    return entries;
}

} // namespace

ChildProcess::~ChildProcess()
{
    KillGroupAndReap();
}

int ChildProcess::Start(const std::vector<std::string>& args, int inFd, int outFd,
                        std::uint32_t priorityClass, const EnvironmentChanges& environment)
{
    if (pid_ > 0)
        return EBUSY;
    if (args.empty() || args.front().empty())
        return ENOENT;

    // Everything the child needs is built before fork: after it, the child
    // may only make async-signal-safe calls.
    const std::vector<std::string> candidateStrings = ProgramCandidates(args.front());
    std::vector<const char*> candidates;
    for (const std::string& c : candidateStrings)
        candidates.push_back(c.c_str());
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> envStrings;
    std::vector<char*> envp;
    if (!environment.empty()) {
        envStrings = ChildEnvironment(environment);
        for (std::string& entry : envStrings)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
    }

    UniqueFd errorRead, errorWrite;
    if (int e = CreatePipe(errorRead, errorWrite))
        return e;

    // No signal handler of ours may run in the child between fork and exec.
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0)
        ExecChild(parent, candidates, argv.data(), environment.empty() ? environ : envp.data(), inFd, outFd,
                  errorWrite.Get(), NiceOf(priorityClass));
    int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    if (pid < 0)
        return forkError;

    // Also from this side, so that a group kill right after Start reaches the
    // child even before it ran setpgid itself. EACCES (already exec'd) is fine.
    ::setpgid(pid, pid);
    errorWrite.Reset();

    int childError = 0;
    ssize_t n = ReadRetry(errorRead.Get(), &childError, sizeof childError);
    if (n == ssize_t(sizeof childError)) {
        int status;
        WaitRetry(pid, &status, 0);
        return childError ? childError : ENOENT;
    }
    pid_ = pid;
    reaped_ = false;
    // A process descriptor (always close-on-exec) turns readable when the
    // child ends. Without one (an old kernel) callers keep polling waitpid.
    exitFd_.Reset(int(::syscall(SYS_pidfd_open, pid, 0)));
    return 0;
}

std::optional<std::uint32_t> ChildProcess::PollExit(int& error)
{
    error = 0;
    if (pid_ <= 0 || reaped_)
        return std::nullopt;
    int status = 0;
    pid_t r = WaitRetry(pid_, &status, WNOHANG);
    if (r == 0)
        return std::nullopt;
    if (r < 0) {
        error = errno;
        return std::nullopt;
    }
    reaped_ = true;
    return ExitCodeOf(status);
}

void ChildProcess::KillGroupAndReap()
{
    if (pid_ <= 0 || reaped_)
        return;
    // An unreaped child keeps its pid and its group id, so neither can have
    // been reused by an unrelated process here.
    if (::kill(-pid_, SIGKILL) != 0)
        ::kill(pid_, SIGKILL);
    int status;
    WaitRetry(pid_, &status, 0);
    reaped_ = true;
}

} // namespace movarin
