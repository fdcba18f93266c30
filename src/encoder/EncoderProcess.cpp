#include "encoder/EncoderProcess.h"

#include "encoder/FileDescriptor.h"
#include "encoder/ProgressRewriter.h"
#include "encoder/sandbox/Confinement.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

constexpr std::array<int, 4> kForwarded = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

volatile sig_atomic_t g_child = 0;

void ForwardSignal(int signal)
{
    const int saved = errno;
    if (const pid_t child = g_child; child > 0)
        kill(child, signal);
    errno = saved;
}

// Holds the forwarded signals blocked at scope end undone.
class SignalBlock {
public:
    SignalBlock()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kForwarded)
            sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;
    ~SignalBlock() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    const sigset_t& Old() const { return old_; }

private:
    sigset_t old_;
};

void InstallForwarding()
{
    struct sigaction sa {};
    sa.sa_handler = ForwardSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kForwarded)
        sigaction(s, &sa, nullptr);
    // A reader that went away must not kill the front outright: the front
    // ends FFmpeg itself then, and its guard removes the unfinished output.
    signal(SIGPIPE, SIG_IGN);
}

void WriteParts(std::initializer_list<std::string_view> parts)
{
    for (std::string_view part : parts)
        WriteAll(STDERR_FILENO, part);
}

[[noreturn]] void ExecChild(pid_t parent, int writeEnd, const sigset_t& mask, char* const* argv,
                            const Confinement* confinement)
{
    // FFmpeg outlives a killed parent otherwise. The parent may have died
    // before the request took effect, so look once more.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(127);
    for (int s : kForwarded)
        signal(s, SIG_DFL);
    signal(SIGPIPE, SIG_DFL); // an ignored signal would stay ignored across exec
    sigprocmask(SIG_SETMASK, &mask, nullptr);

    if (writeEnd == STDERR_FILENO) {
        fcntl(writeEnd, F_SETFD, 0);
    } else if (dup2(writeEnd, STDERR_FILENO) < 0) {
        _exit(127);
    }
    if (!confinement) {
        CloseDescriptorsAbove2();
    } else if (const char* step = confinement->Enter()) {
        // Never a silent hole: without its confinement FFmpeg does not run.
        WriteParts({"movarin-encoder: cannot confine FFmpeg (", step, ": ", std::strerror(errno),
                    "); the run is refused\n"});
        _exit(127);
    }
    execv(argv[0], argv);
    WriteParts({"movarin-encoder: cannot start ", argv[0], ": ", std::strerror(errno), "\n"});
    _exit(127);
}

int WaitForExit(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return 127;
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

ExecArgv::ExecArgv(const std::string& program, const std::vector<std::string>& arguments)
{
    storage_.reserve(arguments.size() + 1);
    storage_.push_back(program);
    storage_.insert(storage_.end(), arguments.begin(), arguments.end());
    for (std::string& s : storage_)
        pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
}

int RunEncoder(const std::string& program, const std::vector<std::string>& arguments, int outFd,
               const Confinement* confinement)
{
    // Everything the child needs is prepared before fork.
    const ExecArgv argv(program, arguments);

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        WriteAll(outFd, std::string("movarin-encoder: cannot create a pipe: ") + std::strerror(errno) + "\n");
        return 127;
    }
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);

    const pid_t parent = getpid();
    pid_t child;
    {
        // A signal that arrives before the child's pid is known is held
        // until it can be forwarded.
        SignalBlock block;
        InstallForwarding();
        child = fork();
        if (child == 0)
            ExecChild(parent, writeEnd.Get(), block.Old(), argv.Get(), confinement);
        if (child < 0) {
            WriteAll(outFd, std::string("movarin-encoder: cannot start the encoder: ") + std::strerror(errno) + "\n");
            return 127;
        }
        g_child = child;
    }
    writeEnd.Reset();

    ProgressRelay relay(outFd);
    bool ended = false;
    std::array<char, 16384> buffer;
    for (;;) {
        const ssize_t n = read(readEnd.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        relay.Feed(std::string_view(buffer.data(), std::size_t(n)));
        if (relay.ReaderGone() && !ended) {
            // Movarin reads this output; with Movarin gone nobody will take
            // the result, however far FFmpeg gets.
            kill(child, SIGKILL);
            ended = true;
        }
    }
    relay.Finish();
    readEnd.Reset();

    // The pid must not be signalled once reaped (it could be reused).
    SignalBlock block;
    const int code = WaitForExit(child);
    g_child = 0;
    return code;
}

} // namespace movarin::encoder
