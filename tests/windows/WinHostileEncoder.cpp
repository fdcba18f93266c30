// A stand-in for the bundled FFmpeg that reports, on stderr, how it was
// confined and what it could do: its integrity level, its job's limits, and
// whether it could start a program or create a file beside its output. Then
// it writes its output (the last argument) and exits 0.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

DWORD IntegrityLevel()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    unsigned char buffer[128];
    DWORD size = 0;
    DWORD level = 0;
    if (::GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &size)) {
        const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
        level = *::GetSidSubAuthority(sid, *::GetSidSubAuthorityCount(sid) - 1);
    }
    ::CloseHandle(token);
    return level;
}

const char* Outcome(bool allowed)
{
    return allowed ? "allowed" : "denied";
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    std::fprintf(stderr, "integrity 0x%lx\n", IntegrityLevel());

    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    if (::QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &limits, sizeof limits, nullptr))
        std::fprintf(stderr, "job active-process limit %lu (flag %d)\n",
                     limits.BasicLimitInformation.ActiveProcessLimit,
                     (limits.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_ACTIVE_PROCESS) != 0);

    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const bool started = ::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                          nullptr, &startup, &info);
    if (started) {
        ::WaitForSingleObject(info.hProcess, 10000);
        ::CloseHandle(info.hProcess);
        ::CloseHandle(info.hThread);
    }
    std::fprintf(stderr, "attempt start-program: %s\n", Outcome(started));

    std::wstring output = argv[argc - 1];
    if (output.rfind(L"file:", 0) == 0)
        output.erase(0, 5);
    const std::wstring beside = output + L".intruder";
    const HANDLE intruder = ::CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    std::fprintf(stderr, "attempt create-beside-output: %s\n", Outcome(intruder != INVALID_HANDLE_VALUE));
    if (intruder != INVALID_HANDLE_VALUE) {
        ::CloseHandle(intruder);
        ::DeleteFileW(beside.c_str());
    }

    const HANDLE file = ::CreateFileW(output.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    const char text[] = "output of the hostile encoder\n";
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !::WriteFile(file, text, sizeof text - 1, &written, nullptr)) {
        std::fprintf(stderr, "cannot write the output: %lu\n", ::GetLastError());
        return 1;
    }
    ::CloseHandle(file);
    return 0;
}
