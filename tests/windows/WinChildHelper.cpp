// A child for the Windows process tests:
//   args ...          writes each argument on a line of its own (UTF-8)
//   exit N            ends with exit code N after a line on stdout and stderr
//   tree FILE         starts "sleep" as its own child, writes that child's
//                     process id into FILE, then sleeps
//   sleep             sleeps for a minute
#include "platform/WinApi.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

void Write(HANDLE out, const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(out, text.data(), DWORD(text.size()), &written, nullptr);
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(movarin::win::Narrow(wide[i]));
    ::LocalFree(wide);
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (args.size() < 2)
        return 2;
    const std::string& mode = args[1];
    if (mode == "args") {
        for (std::size_t i = 2; i < args.size(); ++i)
            Write(out, args[i] + "\n");
        return 0;
    }
    if (mode == "exit" && args.size() > 2) {
        Write(out, "to stdout\r\n");
        Write(::GetStdHandle(STD_ERROR_HANDLE), "to stderr\r\n");
        return std::stoi(args[2]);
    }
    if (mode == "tree" && args.size() > 2) {
        std::wstring self(MAX_PATH, L'\0');
        self.resize(::GetModuleFileNameW(nullptr, self.data(), DWORD(self.size())));
        std::wstring line = L"\"" + self + L"\" sleep";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(self.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                              nullptr, &startup, &info))
            return 3;
        const std::string pid = std::to_string(info.dwProcessId);
        HANDLE file = ::CreateFileW(movarin::win::Widen(args[2]).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        Write(file, pid);
        ::CloseHandle(file);
        Write(out, "started\n");
    }
    ::Sleep(60000);
    return 0;
}
