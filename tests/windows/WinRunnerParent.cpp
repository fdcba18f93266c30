// Stands for Movarin in the Wine trace of its children: starts the command
// line it is given through the spawn every runner of Movarin uses
// (ChildProcess), passes the child's output on and exits with its code.
#include "platform/Process.h"
#include "platform/WinApi.h"

#include <cstdio>
#include <shellapi.h>
#include <string>
#include <vector>

int main()
{
    int argc = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; wide && i < argc; ++i)
        args.push_back(movarin::win::Narrow(wide[i]));
    if (wide)
        ::LocalFree(wide);

    movarin::UniqueFd inRead, inWrite, outRead, outWrite;
    if (movarin::CreatePipe(inRead, inWrite) || movarin::CreatePipe(outRead, outWrite))
        return 125;
    movarin::ChildProcess child;
    if (const int error = child.Start(args, inRead.Get(), outWrite.Get())) {
        std::fprintf(stderr, "cannot start the child: errno %d\n", error);
        return 126;
    }
    outWrite.Reset();
    for (;;) {
        int error = 0;
        std::size_t waiting = 0;
        if (movarin::BytesWaiting(outRead.Get(), waiting) == 0 && waiting > 0) {
            std::string text(waiting, '\0');
            const ssize_t n = movarin::ReadRetry(outRead.Get(), text.data(), waiting);
            if (n > 0)
                std::fwrite(text.data(), 1, std::size_t(n), stdout);
        } else if (const auto code = child.PollExit(error)) {
            return int(*code);
        } else if (error) {
            return 125;
        } else {
            ::Sleep(10);
        }
    }
}
