#include "encoder/sandbox/OutputGuard.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace movarin::encoder {

OutputGuard::OutputGuard(std::vector<std::string> outputs)
{
    for (std::string& path : outputs) {
        Before b;
        b.path = std::move(path);
        b.existed = lstat(b.path.c_str(), &b.info) == 0;
        before_.push_back(std::move(b));
    }
}

bool OutputGuard::Touched(const Before& before, const struct stat& now) const
{
    if (!before.existed)
        return true;
    const struct stat& old = before.info;
    return old.st_dev != now.st_dev || old.st_ino != now.st_ino || old.st_size != now.st_size
        || old.st_mtim.tv_sec != now.st_mtim.tv_sec || old.st_mtim.tv_nsec != now.st_mtim.tv_nsec;
}

int OutputGuard::Settle(int exitCode, std::string& report) const
{
    int result = exitCode;
    for (const Before& b : before_) {
        struct stat now {};
        if (lstat(b.path.c_str(), &now) != 0) {
            if (exitCode == 0) {
                report += "movarin-encoder: no output was written: " + b.path + "\n";
                result = kNoOutputExitCode;
            }
            continue;
        }
        // A device or folder given as output (/dev/null) is not a result to judge.
        if (!S_ISREG(now.st_mode))
            continue;
        const bool touched = Touched(b, now);
        bool failed = exitCode != 0;
        if (exitCode == 0 && (!touched || now.st_size == 0)) {
            report += "movarin-encoder: no output was written: " + b.path + "\n";
            result = kNoOutputExitCode;
            failed = true;
        }
        if (failed && touched && unlink(b.path.c_str()) != 0 && errno != ENOENT)
            report += "movarin-encoder: cannot remove " + b.path + ": " + std::strerror(errno) + "\n";
    }
    return result;
}

} // namespace movarin::encoder
