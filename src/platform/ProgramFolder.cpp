#include "platform/ProgramFolder.h"

#include <cerrno>
#include <unistd.h>

namespace movarin {

std::string ProgramFolder(int& error)
{
    error = 0;
    // The kernel's own record of the executable: argv[0] may be a bare name
    // found through PATH or a link elsewhere, this names the real file.
    std::string path(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            error = errno;
            return {};
        }
        if (std::size_t(n) < path.size()) {
            path.resize(std::size_t(n));
            break;
        }
        path.resize(path.size() * 2);  // possibly cut short: ask again with room
    }
    const std::size_t slash = path.rfind('/');
    if (path.empty() || path.front() != '/' || slash == std::string::npos) {
        error = ENOENT;  // not a path the folder could be taken from
        return {};
    }
    return path.substr(0, slash + 1);
}

int EnterProgramFolder()
{
    int error = 0;
    const std::string folder = ProgramFolder(error);
    if (error)
        return error;
    return ::chdir(folder.c_str()) == 0 ? 0 : errno;
}

} // namespace movarin
