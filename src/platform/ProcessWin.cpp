// The Windows side of process spawning. The runner's loop is written against
// descriptors and poll; here a descriptor is a small number standing for a
// pipe, event or process handle, so that loop runs unchanged. Anonymous
// pipes cannot be waited on, so a poll that includes one looks at it again
// every PipeSliceMs; events and processes wake it at once.
#include "platform/Process.h"

#include "platform/WinApi.h"

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <map>
#include <mutex>

namespace movarin {
namespace {

constexpr DWORD PipeSliceMs = 10;
constexpr DWORD PipeBufferSize = 65536;
// A non-blocking pipe may take nothing rather than part of a write that does
// not fit (Wine does so), so such writes go in pieces this small.
constexpr std::size_t NonBlockingPiece = 512;

enum class Kind { Pipe, Event, Process };

struct Entry {
    HANDLE handle = nullptr;
    Kind kind = Kind::Pipe;
    bool owned = true;
    bool nonBlocking = false;
};

class Registry {
public:
    int Add(HANDLE handle, Kind kind, bool owned)
    {
        std::lock_guard lock(mutex_);
        // 0 to 2 are the standard streams' numbers: never handed out.
        int fd = next_++;
        if (next_ < 3)
            next_ = 3;
        entries_[fd] = Entry{handle, kind, owned, false};
        return fd;
    }
    bool Find(int fd, Entry& entry)
    {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(fd);
        if (it == entries_.end())
            return false;
        entry = it->second;
        return true;
    }
    void SetNonBlocking(int fd)
    {
        std::lock_guard lock(mutex_);
        if (auto it = entries_.find(fd); it != entries_.end())
            it->second.nonBlocking = true;
    }
    void Close(int fd)
    {
        Entry entry;
        {
            std::lock_guard lock(mutex_);
            const auto it = entries_.find(fd);
            if (it == entries_.end())
                return;
            entry = it->second;
            entries_.erase(it);
        }
        if (entry.owned)
            ::CloseHandle(entry.handle);
    }

private:
    std::mutex mutex_;
    std::map<int, Entry> entries_;
    int next_ = 3;
};

Registry& Handles()
{
    static Registry registry;
    return registry;
}

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_EXE_FORMAT:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    case ERROR_INVALID_HANDLE:
        return EBADF;
    default:
        return EIO;
    }
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    return dot != std::string::npos && name.find_first_of("/\\", dot) == std::string::npos;
}

// The name of an environment entry "NAME=value". The system's hidden entries
// for each drive's folder begin with "=" ("=C:=C:\dir"): their name runs
// to the second "=".
std::wstring_view EntryName(std::wstring_view entry)
{
    return entry.substr(0, entry.find(L'=', 1));
}

bool SameName(std::wstring_view a, std::wstring_view b)
{
    return ::CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// A UTF-16 environment block for CreateProcessW: the parent's entries with
// the changes applied, sorted by name without regard to case as the system
// expects, each ended by a NUL and the block by one more.
std::wstring EnvironmentBlock(const EnvironmentChanges& changes)
{
    std::vector<std::wstring> entries;
    if (wchar_t* parent = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = parent; *entry; entry += std::wcslen(entry) + 1)
            entries.emplace_back(entry);
        ::FreeEnvironmentStringsW(parent);
    }
    for (const auto& [name, value] : changes) {
        const std::wstring wideName = movarin::win::Widen(name);
        std::erase_if(entries, [&](const std::wstring& entry) { return SameName(EntryName(entry), wideName); });
        entries.push_back(wideName + L"=" + movarin::win::Widen(value));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring_view x = EntryName(a), y = EntryName(b);
        return ::CompareStringOrdinal(x.data(), int(x.size()), y.data(), int(y.size()), TRUE) == CSTR_LESS_THAN;
    });
    std::wstring block;
    for (const std::wstring& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// An inheritable copy of fd's handle for the child's standard streams.
movarin::win::UniqueHandle InheritableCopy(int fd)
{
    Entry entry;
    if (!Handles().Find(fd, entry))
        return {};
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), entry.handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return {};
    return movarin::win::UniqueHandle(copy);
}

} // namespace

void UniqueFd::Reset(int fd)
{
    if (fd_ >= 0)
        Handles().Close(fd_);
    fd_ = fd;
}

int CreatePipe(UniqueFd& readEnd, UniqueFd& writeEnd)
{
    HANDLE r = nullptr;
    HANDLE w = nullptr;
    if (!::CreatePipe(&r, &w, nullptr, PipeBufferSize))
        return ErrnoOf(::GetLastError());
    readEnd.Reset(Handles().Add(r, Kind::Pipe, true));
    writeEnd.Reset(Handles().Add(w, Kind::Pipe, true));
    return 0;
}

int SetNonBlocking(int fd)
{
    Entry entry;
    if (!Handles().Find(fd, entry))
        return EBADF;
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    if (!::SetNamedPipeHandleState(entry.handle, &mode, nullptr, nullptr))
        return ErrnoOf(::GetLastError());
    Handles().SetNonBlocking(fd);
    return 0;
}

int CreateWakeFd(UniqueFd& fd)
{
    HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        return ErrnoOf(::GetLastError());
    fd.Reset(Handles().Add(event, Kind::Event, true));
    return 0;
}

void SignalWakeFd(int fd)
{
    Entry entry;
    if (Handles().Find(fd, entry))
        ::SetEvent(entry.handle);
}

void DrainWakeFd(int fd)
{
    Entry entry;
    if (Handles().Find(fd, entry))
        ::ResetEvent(entry.handle);
}

int BytesWaiting(int fd, std::size_t& count)
{
    Entry entry;
    if (!Handles().Find(fd, entry))
        return EBADF;
    DWORD available = 0;
    if (!::PeekNamedPipe(entry.handle, nullptr, 0, nullptr, &available, nullptr)) {
        const DWORD error = ::GetLastError();
        // The writer has gone: nothing waits, as on a closed POSIX pipe.
        if (error == ERROR_BROKEN_PIPE) {
            count = 0;
            return 0;
        }
        return ErrnoOf(error);
    }
    count = available;
    return 0;
}

ssize_t ReadRetry(int fd, void* buffer, std::size_t size)
{
    Entry entry;
    if (!Handles().Find(fd, entry)) {
        errno = EBADF;
        return -1;
    }
    DWORD n = 0;
    if (!::ReadFile(entry.handle, buffer, DWORD(std::min<std::size_t>(size, 1u << 30)), &n, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_BROKEN_PIPE)
            return 0;
        errno = error == ERROR_NO_DATA ? EAGAIN : ErrnoOf(error);
        return -1;
    }
    return ssize_t(n);
}

ssize_t WriteRetry(int fd, const void* data, std::size_t size)
{
    Entry entry;
    if (!Handles().Find(fd, entry)) {
        errno = EBADF;
        return -1;
    }
    if (!entry.nonBlocking) {
        DWORD n = 0;
        if (!::WriteFile(entry.handle, data, DWORD(std::min<std::size_t>(size, 1u << 30)), &n, nullptr)) {
            errno = ErrnoOf(::GetLastError());
            return -1;
        }
        return ssize_t(n);
    }
    const char* bytes = static_cast<const char*>(data);
    std::size_t total = 0;
    while (total < size) {
        DWORD n = 0;
        const DWORD piece = DWORD(std::min(size - total, NonBlockingPiece));
        if (!::WriteFile(entry.handle, bytes + total, piece, &n, nullptr)) {
            if (total > 0)
                break;
            errno = ErrnoOf(::GetLastError());
            return -1;
        }
        if (n == 0)
            break; // full
        total += n;
    }
    if (total == 0 && size > 0) {
        errno = EAGAIN;
        return -1;
    }
    return ssize_t(total);
}

int PollRetry(pollfd* fds, nfds_t count, int timeoutMs)
{
    const ULONGLONG deadline = timeoutMs < 0 ? 0 : ::GetTickCount64() + ULONGLONG(timeoutMs);
    for (;;) {
        int ready = 0;
        bool anyPipe = false;
        HANDLE waitable[MAXIMUM_WAIT_OBJECTS];
        DWORD waitCount = 0;
        for (nfds_t i = 0; i < count; ++i) {
            pollfd& p = fds[i];
            p.revents = 0;
            Entry entry;
            if (p.fd < 0 || !Handles().Find(p.fd, entry))
                continue;
            if (entry.kind == Kind::Pipe) {
                // Whether a pipe has room cannot be asked: a blocked writer
                // tries again after the pause.
                if (!(p.events & POLLIN))
                    continue;
                anyPipe = true;
                DWORD available = 0;
                const BOOL ok = ::PeekNamedPipe(entry.handle, nullptr, 0, nullptr, &available, nullptr);
                if (!ok || available > 0)
                    p.revents = POLLIN;
            } else if (::WaitForSingleObject(entry.handle, 0) == WAIT_OBJECT_0) {
                p.revents = POLLIN;
            } else if (waitCount < MAXIMUM_WAIT_OBJECTS) {
                waitable[waitCount++] = entry.handle;
            }
            if (p.revents)
                ++ready;
        }
        if (ready > 0 || timeoutMs == 0)
            return ready;
        DWORD wait = INFINITE;
        if (timeoutMs > 0) {
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline)
                return 0;
            wait = DWORD(deadline - now);
        }
        if (anyPipe && wait > PipeSliceMs)
            wait = PipeSliceMs;
        if (waitCount > 0)
            ::WaitForMultipleObjects(waitCount, waitable, FALSE, wait);
        else
            ::Sleep(wait);
    }
}

std::vector<std::string> ProgramCandidates(const std::string& program)
{
    if (program.empty())
        return {};
    const auto withExtensions = [](const std::string& path) {
        std::vector<std::string> names;
        if (HasExtension(path))
            names.push_back(path);
        names.push_back(path + ".exe");
        names.push_back(path + ".com");
        return names;
    };
    // A name with a folder part (or a drive) is taken as it is, relative to
    // the current folder when it is not absolute.
    if (program.find_first_of("/\\:") != std::string::npos)
        return withExtensions(program);
    // A bare name: the current folder, then the folders of PATH.
    std::vector<std::string> candidates = withExtensions(program);
    std::wstring path(32767, L'\0');
    const DWORD n = ::GetEnvironmentVariableW(L"PATH", path.data(), DWORD(path.size()));
    path.resize(n < path.size() ? n : 0);
    std::string folders = movarin::win::Narrow(path);
    std::size_t begin = 0;
    while (begin < folders.size()) {
        std::size_t end = folders.find(';', begin);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        begin = end + 1;
        if (folder.empty())
            continue;
        if (folder.back() != '\\' && folder.back() != '/')
            folder += '\\';
        for (std::string& name : withExtensions(folder + program))
            candidates.push_back(std::move(name));
    }
    return candidates;
}

ChildProcess::~ChildProcess()
{
    KillGroupAndReap();
    if (process_)
        ::CloseHandle(static_cast<HANDLE>(process_));
    if (job_)
        ::CloseHandle(static_cast<HANDLE>(job_));
}

static_assert(IdlePriority == IDLE_PRIORITY_CLASS && BelowNormalPriority == BELOW_NORMAL_PRIORITY_CLASS);

int ChildProcess::Start(const std::vector<std::string>& args, int inFd, int outFd,
                        std::uint32_t priorityClass, const EnvironmentChanges& environment)
{
    if (pid_ > 0)
        return EBUSY;
    if (args.empty() || args.front().empty())
        return ENOENT;

    std::wstring application;
    for (const std::string& candidate : ProgramCandidates(args.front())) {
        std::wstring wide = movarin::win::Widen(candidate);
        for (wchar_t& c : wide)
            if (c == L'/')
                c = L'\\';
        if (IsFile(wide)) {
            application = std::move(wide);
            break;
        }
    }
    if (application.empty())
        return ENOENT;

    movarin::win::UniqueHandle input = InheritableCopy(inFd);
    movarin::win::UniqueHandle output = InheritableCopy(outFd);
    movarin::win::UniqueHandle error = InheritableCopy(outFd);
    if (!input.Valid() || !output.Valid() || !error.Valid())
        return EBADF;

    // Only these three handles go to the child, even while another thread
    // starts a child of its own. The job every child goes into lets a stop end
    // the child and whatever it started, and the system ends them when Movarin
    // goes away; the child is born inside it, so neither can miss it.
    HANDLE inherited[3] = {input.Get(), output.Get(), error.Get()};
    movarin::win::UniqueHandle job = movarin::win::KillOnCloseJob();
    HANDLE jobHandle = job.Get();
    movarin::win::StartAttributes attributes(2);
    attributes.Add(PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited);
    if (job.Valid())
        attributes.Add(PROC_THREAD_ATTRIBUTE_JOB_LIST, &jobHandle, sizeof jobHandle);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.Get();
    startup.StartupInfo.hStdOutput = output.Get();
    startup.StartupInfo.hStdError = error.Get();

    std::wstring commandLine = movarin::win::BuildCommandLine(args);
    // Without changes the child inherits the environment as it is.
    std::wstring environmentBlock = environment.empty() ? std::wstring() : EnvironmentBlock(environment);
    PROCESS_INFORMATION info{};
    // Only a lowered class is passed on; the child's own children inherit it.
    const DWORD priority =
        priorityClass == IdlePriority || priorityClass == BelowNormalPriority ? priorityClass : 0;
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | priority
        | attributes.AttachTo(startup);
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags,
                          environment.empty() ? nullptr : environmentBlock.data(), nullptr, &startup.StartupInfo,
                          &info))
        return ErrnoOf(::GetLastError());

    if (job.Valid() && !movarin::win::EnsureInJob(job.Get(), info.hProcess))
        job.Reset();
    ::ResumeThread(info.hThread);
    ::CloseHandle(info.hThread);

    process_ = info.hProcess;
    job_ = job.Release();
    pid_ = pid_t(info.dwProcessId);
    reaped_ = false;
    exitFd_.Reset(Handles().Add(info.hProcess, Kind::Process, false));
    return 0;
}

std::optional<std::uint32_t> ChildProcess::PollExit(int& error)
{
    error = 0;
    if (pid_ <= 0 || reaped_)
        return std::nullopt;
    const DWORD state = ::WaitForSingleObject(static_cast<HANDLE>(process_), 0);
    if (state == WAIT_TIMEOUT)
        return std::nullopt;
    DWORD code = 0;
    if (state != WAIT_OBJECT_0 || !::GetExitCodeProcess(static_cast<HANDLE>(process_), &code)) {
        error = ErrnoOf(::GetLastError());
        return std::nullopt;
    }
    reaped_ = true;
    return code;
}

void ChildProcess::KillGroupAndReap()
{
    if (pid_ <= 0 || reaped_)
        return;
    // The job holds the child and everything it started.
    if (!job_ || !::TerminateJobObject(static_cast<HANDLE>(job_), 1))
        ::TerminateProcess(static_cast<HANDLE>(process_), 1);
    ::WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
    reaped_ = true;
}

} // namespace movarin
