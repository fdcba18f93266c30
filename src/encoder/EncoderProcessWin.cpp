// The Windows side of the front's encoder run: FFmpeg is started with
// CreateProcessW inside a Job Object that kills it when the front's handle to
// the job closes, so FFmpeg never outlives a front that was stopped or died.
// Its stderr comes through a pipe and the progress rewriter, with blocking
// reads as on Linux. Confined, the job admits FFmpeg alone and FFmpeg runs
// with the confinement's low-integrity token.
#include "encoder/EncoderProcess.h"

#include "encoder/ProgressRewriter.h"
#include "encoder/sandbox/ConfinementWin.h"
#include "platform/WinApi.h"

#include <array>
#include <io.h>

namespace movarin::encoder {
namespace {

using movarin::win::UniqueHandle;

HANDLE HandleOf(int fd)
{
    if (fd == 2)
        return ::GetStdHandle(STD_ERROR_HANDLE);
    if (fd == 1)
        return ::GetStdHandle(STD_OUTPUT_HANDLE);
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

} // namespace

bool WriteAll(int fd, std::string_view text)
{
    const HANDLE out = HandleOf(fd);
    while (!text.empty()) {
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(text.size(), 1u << 20));
        if (!::WriteFile(out, text.data(), chunk, &written, nullptr))
            return false;
        text.remove_prefix(written);
    }
    return true;
}

int RunEncoder(const std::string& program, const std::vector<std::string>& arguments, int outFd,
               const Confinement* confinement)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = movarin::win::BuildCommandLine(argv);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readRaw = nullptr;
    HANDLE writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &inherit, 0)) {
        WriteAll(outFd, "movarin-encoder: cannot create a pipe: " + movarin::win::ErrorText(::GetLastError()) + "\n");
        return 127;
    }
    UniqueHandle readEnd(readRaw);
    UniqueHandle writeEnd(writeRaw);
    // Only the child's end is inherited.
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.StartupInfo.hStdError = writeEnd.Get();

    // The job closes with the front, however the front ends. FFmpeg is born
    // inside it: assigned only once CreateProcessW has returned, it would
    // outlive a front killed in between, suspended for ever.
    UniqueHandle job = movarin::win::KillOnCloseJob();
    if (confinement && !(job.Valid() && LimitToOneProcess(job.Get()))) {
        WriteAll(outFd, "movarin-encoder: cannot confine FFmpeg (job limit: " + movarin::win::ErrorText(::GetLastError())
                            + "); the run is refused\n");
        return 127;
    }
    HANDLE jobHandle = job.Get();
    movarin::win::StartAttributes attributes(1);
    if (job.Valid())
        attributes.Add(PROC_THREAD_ATTRIBUTE_JOB_LIST, &jobHandle, sizeof jobHandle);
    // No console at all rather than a hidden one: a console of its own comes
    // with a console host process, which the job's limit of one would have
    // to admit beside FFmpeg. FFmpeg reads no keys (-nostdin), and its
    // output goes through the pipes.
    const DWORD flags = CREATE_SUSPENDED | DETACHED_PROCESS | CREATE_UNICODE_ENVIRONMENT | attributes.AttachTo(startup);
    PROCESS_INFORMATION info{};
    const std::wstring application = movarin::win::Widen(program);
    const HANDLE token = confinement ? confinement->Token() : nullptr;
    const BOOL started = token
        ? ::CreateProcessAsUserW(token, application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                                 nullptr, nullptr, &startup.StartupInfo, &info)
        : ::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                           &startup.StartupInfo, &info);
    if (!started) {
        WriteAll(outFd, "movarin-encoder: cannot start " + program + ": "
                            + movarin::win::ErrorText(::GetLastError()) + "\n");
        return 127;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    // The front may itself run in Movarin's job; where jobs do not nest, FFmpeg
    // still belongs to that one and dies with a stop.
    if (job.Valid())
        movarin::win::EnsureInJob(job.Get(), process.Get());
    ::ResumeThread(thread.Get());
    writeEnd.Reset();

    ProgressRelay relay(outFd);
    bool ended = false;  // FFmpeg was ended because Movarin is gone
    std::array<char, 16384> buffer;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(readEnd.Get(), buffer.data(), DWORD(buffer.size()), &n, nullptr) || n == 0)
            break; // ERROR_BROKEN_PIPE: FFmpeg closed its end
        relay.Feed(std::string_view(buffer.data(), std::size_t(n)));
        if (relay.ReaderGone() && !ended)
            ended = ::TerminateProcess(process.Get(), 1) != 0;
    }
    relay.Finish();
    readEnd.Reset();

    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 127;
    if (!::GetExitCodeProcess(process.Get(), &code))
        return 127;
    return int(code);
}

} // namespace movarin::encoder
