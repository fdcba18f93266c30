#include "encoder/source/DvdIfoReader.h"

#include "encoder/source/DvdIfoRead.h"
#include "encoder/FileDescriptor.h"
#include "encoder/sandbox/Confinement.h"
#include "encoder/EncoderProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

// A good IFO is read in milliseconds; a reader that hangs on a crafted one
// must not hold the conversion.
constexpr std::chrono::milliseconds kDeadline{10000};

[[noreturn]] void Child(pid_t parent, int replyFd, int nullFd, const Confinement* confinement,
                        const DvdChapterFile& chapter)
{
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(127);
    // Only the reply leaves the child: nothing to read, nothing in the log.
    if (dup2(replyFd, STDOUT_FILENO) < 0 || dup2(nullFd, STDIN_FILENO) < 0 || dup2(nullFd, STDERR_FILENO) < 0)
        _exit(127);
    if (!confinement)
        CloseDescriptorsAbove2();
    else if (confinement->Enter())
        _exit(127);
    const std::string reply = ReadDvdReply(chapter.disc, chapter.titleSet);
    _exit(WriteAll(STDOUT_FILENO, reply) ? 0 : 1);
}

// At most kDvdReplyLimit + 1 bytes (one more tells an overlong reply), until
// the child closes its end or the deadline passes.
std::string Collect(int fd, bool& complete)
{
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    char buffer[1024];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return reply;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return reply;
        const std::size_t room = kDvdReplyLimit + 1 - reply.size();
        const ssize_t n = read(fd, buffer, std::min(sizeof buffer, room));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            complete = true;
        if (n <= 0)
            return reply;
        reply.append(buffer, std::size_t(n));
        if (reply.size() > kDvdReplyLimit)
            return reply;
    }
}

} // namespace

DvdTitleInfo ReadDvdTitleInfo(const std::string& input, bool confined, int abi)
{
    const std::optional<DvdChapterFile> chapter = ParseDvdChapterPath(input);
    if (!chapter)
        return {};
    // VIDEO_TS alone, not the disc's folder (which may be "/" or a home
    // folder): denied the listing above it, libdvdread looks for VIDEO_TS
    // and video_ts by name.
    Confinement confinement;
    if (std::string error; confined
        && (!confinement.Prepare({{}, {}, {}, false, abi, {}}, error) || confinement.AllowFolder(chapter->folder) != 0))
        return {};

    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return {};
    Fd readEnd(ends[0]);
    Fd writeEnd(ends[1]);
    const Fd nullFd(open("/dev/null", O_RDWR | O_CLOEXEC));
    if (nullFd.Get() < 0)
        return {};
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0)
        Child(parent, writeEnd.Get(), nullFd.Get(), confined ? &confinement : nullptr, *chapter);
    if (child < 0)
        return {};
    writeEnd.Reset();

    bool complete = false;
    const std::string reply = Collect(readEnd.Get(), complete);
    if (!complete)
        kill(child, SIGKILL);
    int status = 0;
    pid_t waited;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    if (!complete || waited != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    return ParseDvdReply(reply);
}

} // namespace movarin::encoder
