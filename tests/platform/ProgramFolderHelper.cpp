// Movarin's start-up path without a window: enters the program's folder as
// main() does, then starts the encoder front through the same command-line
// text a conversion uses, with "-version" as its only argument. Reports the
// folder, the outcome of the start and the front's exit code.
#include "jobs/ThConvertInfo.h"
#include "platform/CommandLine.h"
#include "platform/Process.h"
#include "platform/ProgramFolder.h"

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>

int main()
{
    if (int e = movarin::EnterProgramFolder()) {
        std::printf("enter=%d\n", e);
        return 2;
    }
    char cwd[4096];
    std::printf("cwd=%s\n", ::getcwd(cwd, sizeof cwd) ? cwd : "?");
    std::fflush(stdout);

    movarin::UniqueFd in(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    movarin::ChildProcess child;
    const int started = child.Start(
        movarin::SplitCommandLine(std::string(EncoderPath) + " -version"), in.Get(), STDOUT_FILENO);
    std::printf("start=%d\n", started);
    std::fflush(stdout);
    if (started)
        return 0;
    pollfd exitFd{child.ExitFd(), POLLIN, 0};
    movarin::PollRetry(&exitFd, 1, 60000);
    int error = 0;
    const auto code = child.PollExit(error);
    std::printf("exit=%d\n", code ? int(*code) : -1);
    return 0;
}
