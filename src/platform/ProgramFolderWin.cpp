#include "platform/ProgramFolder.h"

#include "platform/WinApi.h"

#include <cerrno>

namespace movarin {

std::string ProgramFolder(int& error)
{
    error = 0;
    // The module's own file name: the start-in folder of a shortcut may be
    // anywhere, this names the executable itself. Asked again with more room
    // while the answer fills the buffer (it was cut short then).
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) {
            error = EIO;
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        error = ENOENT;
        return {};
    }
    std::string folder = win::Narrow(path.substr(0, slash + 1));
    for (char& c : folder)
        if (c == '\\')
            c = '/';
    return folder;
}

int EnterProgramFolder()
{
    int error = 0;
    const std::string folder = ProgramFolder(error);
    if (error)
        return error;
    return ::SetCurrentDirectoryW(win::Widen(folder).c_str()) ? 0 : EACCES;
}

} // namespace movarin
