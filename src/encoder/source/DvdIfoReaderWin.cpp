// The Windows side of reading a DVD's IFO. Windows cannot fork, so the front
// starts itself again as the reader, confined as FFmpeg's reading of a source
// is: at low integrity, in a kill-on-close job that admits it alone. Its only
// inherited handle is a scratch file for the reply, which the front reads
// back bounded, within the deadline, and parses as untrusted.
#include "encoder/source/DvdIfoReader.h"

#include "encoder/EncoderProcess.h"
#include "encoder/ScratchFileWin.h"
#include "encoder/sandbox/ConfinementWin.h"
#include "encoder/source/DvdIfoRead.h"
#include "platform/WinApi.h"

#include <algorithm>

namespace movarin::encoder {
namespace {

using movarin::win::UniqueHandle;

// A good IFO is read in milliseconds; a reader that hangs on a crafted one
// must not hold the conversion.
constexpr DWORD kDeadlineMs = 10000;

// No command line of Movarin's starts with it: those begin with FFmpeg options.
constexpr char kReaderFlag[] = "--movarin-read-dvd-ifo";

std::wstring OwnPath()
{
    std::wstring path(MAX_PATH, L'\0');
    while (path.size() <= 32768) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
    return {};
}

std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Starts the reader suspended in job; false when it cannot be started.
bool StartReader(const std::wstring& self, const DvdChapterFile& chapter, HANDLE replyFile, HANDLE job,
                 HANDLE token, PROCESS_INFORMATION& info)
{
    // "E:" would name the current folder of drive E, not the disc's root.
    std::string disc = chapter.disc;
    if (disc.size() == 2 && disc[1] == ':')
        disc += '/';
    std::wstring commandLine = movarin::win::BuildCommandLine(
        {movarin::win::Narrow(self), kReaderFlag, disc, std::to_string(chapter.titleSet)});

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = replyFile;
    HANDLE jobHandle = job;
    HANDLE inherited = replyFile;
    movarin::win::StartAttributes attributes(2);
    attributes.Add(PROC_THREAD_ATTRIBUTE_JOB_LIST, &jobHandle, sizeof jobHandle);
    // The reply file alone, not every inheritable handle the front holds.
    attributes.Add(PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &inherited, sizeof inherited);
    const DWORD flags = CREATE_SUSPENDED | DETACHED_PROCESS | attributes.AttachTo(startup);
    // Its working folder is the front's own, where a library it loads by a
    // bare name is searched anyway, never the disc's.
    const std::wstring folder = FolderOf(self);
    const wchar_t* workingFolder = folder.empty() ? nullptr : folder.c_str();
    const BOOL started = token
        ? ::CreateProcessAsUserW(token, self.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                 workingFolder, &startup.StartupInfo, &info)
        : ::CreateProcessW(self.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr, workingFolder,
                           &startup.StartupInfo, &info);
    return started != FALSE;
}

} // namespace

DvdTitleInfo ReadDvdTitleInfo(const std::string& input, bool confined, int)
{
    std::string path = input;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::optional<DvdChapterFile> chapter = ParseDvdChapterPath(path);
    const std::wstring self = OwnPath();
    if (!chapter || self.empty())
        return {};
    Confinement confinement;
    if (std::string error, notice; confined && !confinement.Prepare({}, false, error, notice))
        return {};
    const ScratchFile reply;
    HANDLE inheritable = nullptr;
    if (reply.Fd() < 0
        || !::DuplicateHandle(::GetCurrentProcess(), reply.Handle(), ::GetCurrentProcess(), &inheritable, 0, TRUE,
                              DUPLICATE_SAME_ACCESS))
        return {};
    UniqueHandle childEnd(inheritable);
    const UniqueHandle job = movarin::win::KillOnCloseJob();
    if (!job.Valid() || !LimitToOneProcess(job.Get()))
        return {};

    PROCESS_INFORMATION info{};
    if (!StartReader(self, *chapter, childEnd.Get(), job.Get(), confined ? confinement.Token() : nullptr, info))
        return {};
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    childEnd.Reset();
    if (!movarin::win::EnsureInJob(job.Get(), process.Get())) {
        ::TerminateProcess(process.Get(), 1);
        return {};
    }
    ::ResumeThread(thread.Get());
    if (::WaitForSingleObject(process.Get(), kDeadlineMs) != WAIT_OBJECT_0) {
        ::TerminateJobObject(job.Get(), 1);
        return {};
    }
    DWORD code = 1;
    if (!::GetExitCodeProcess(process.Get(), &code) || code != 0)
        return {};
    // One byte over the limit tells an overlong reply, which the parser refuses.
    return ParseDvdReply(reply.Content(kDvdReplyLimit + 1));
}

bool IsDvdReaderCall(const std::vector<std::string>& arguments)
{
    return !arguments.empty() && arguments.front() == kReaderFlag;
}

int ServeDvdReader(const std::vector<std::string>& arguments)
{
    // A crash or a drive without a disc ends the reader quietly, with no
    // dialog waiting for a click nobody will give.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // libdvdread loads a CSS library by its bare name when one is found: only
    // from the system's folder, never from the PATH or the working folder.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    ::SetDllDirectoryW(L"");
    if (arguments.size() != 3 || !IsDvdReaderCall(arguments))
        return 2;
    const std::string& titleSet = arguments[2];
    if (titleSet.empty() || titleSet.size() > 2 || !std::all_of(titleSet.begin(), titleSet.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return 2;
    const std::string reply = ReadDvdReply(arguments[1], std::stoi(titleSet));
    return WriteAll(1, reply) ? 0 : 1;
}

} // namespace movarin::encoder
