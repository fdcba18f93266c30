#pragma once
// Small helpers for the Win32 side of the seam and the encoder front: UTF-8
// text held by the program turned into the UTF-16 the wide API calls take
// (never the ANSI code page, which cannot hold every file name), an owned
// HANDLE, jobs and start attributes, command lines quoted the way a C runtime
// splits them again, and system error texts. Header-only and free of Qt, so
// the encoder front can use it too.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace movarin::win {

inline std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

inline std::string Narrow(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

// The system's own wording of a Win32 error code, without the trailing line break.
inline std::string ErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return Narrow(text);
}

// Sole owner of one kernel handle.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr; }
    HANDLE Release()
    {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void Reset(HANDLE h = nullptr)
    {
        if (h_)
            ::CloseHandle(h_);
        h_ = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }

private:
    HANDLE h_ = nullptr;
};

// A job that ends every process in it when its last handle closes, so the
// system ends them too when their owner goes away, however it goes.
inline UniqueHandle KillOnCloseJob()
{
    UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.Valid())
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    // Without the limit the job still serves to end them all at once.
    ::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// The attribute list of a process start. The system keeps the addresses of
// the values, so they must live until CreateProcessW has returned.
class StartAttributes {
public:
    explicit StartAttributes(DWORD capacity)
    {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, capacity, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size > 0 && ::InitializeProcThreadAttributeList(list, capacity, 0, &size))
            list_ = list;
    }
    ~StartAttributes()
    {
        if (list_)
            ::DeleteProcThreadAttributeList(list_);
    }
    StartAttributes(const StartAttributes&) = delete;
    StartAttributes& operator=(const StartAttributes&) = delete;

    // False when the system cannot take it: the start then goes on without it.
    bool Add(DWORD_PTR attribute, void* value, SIZE_T size)
    {
        if (!list_ || !::UpdateProcThreadAttribute(list_, 0, attribute, value, size, nullptr, nullptr))
            return false;
        used_ = true;
        return true;
    }
    // Hands the list to startup; the creation flag that says so, or 0.
    DWORD AttachTo(STARTUPINFOEXW& startup) const
    {
        if (!used_)
            return 0;
        startup.lpAttributeList = list_;
        return EXTENDED_STARTUPINFO_PRESENT;
    }

private:
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool used_ = false;
};

// Puts a process started with the job among its attributes into that job,
// where the system ignored the attribute. False when it is in no such job.
inline bool EnsureInJob(HANDLE job, HANDLE process)
{
    BOOL inJob = FALSE;
    return (::IsProcessInJob(process, job, &inJob) && inJob) || ::AssignProcessToJobObject(job, process);
}

// One argument quoted so that CommandLineToArgvW and the C runtime give it
// back unchanged: backslashes double only before a quote.
inline std::wstring QuoteArgument(std::wstring_view arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring_view::npos)
        return std::wstring(arg);
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            out.append(backslashes * 2 + 1, L'\\');
        else
            out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

// program and arguments as one command line. The program name is always
// quoted: its rule differs (it ends at the next quote, backslashes are literal).
inline std::wstring BuildCommandLine(const std::vector<std::string>& argv)
{
    std::wstring line;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        if (i == 0) {
            line = L"\"" + Widen(argv[0]) + L"\"";
        } else {
            line += L' ';
            line += QuoteArgument(Widen(argv[i]));
        }
    }
    return line;
}

} // namespace movarin::win
#endif
