#include "encoder/sandbox/OutputGuard.h"

#include "platform/WinApi.h"

namespace movarin::encoder {
namespace {

bool Look(const std::string& path, OutputGuard::Stamp& stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(movarin::win::Widen(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    stamp.regular = (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
    stamp.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    stamp.created = (std::uint64_t(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    return true;
}

} // namespace

OutputGuard::OutputGuard(std::vector<std::string> outputs)
{
    for (std::string& path : outputs) {
        Before b;
        b.path = std::move(path);
        b.existed = Look(b.path, b.info);
        before_.push_back(std::move(b));
    }
}

bool OutputGuard::Touched(const Before& before, const Stamp& now) const
{
    if (!before.existed)
        return true;
    const Stamp& old = before.info;
    return old.size != now.size || old.written != now.written || old.created != now.created;
}

int OutputGuard::Settle(int exitCode, std::string& report) const
{
    int result = exitCode;
    for (const Before& b : before_) {
        Stamp now{};
        if (!Look(b.path, now)) {
            if (exitCode == 0) {
                report += "movarin-encoder: no output was written: " + b.path + "\n";
                result = kNoOutputExitCode;
            }
            continue;
        }
        // A device or folder given as output (NUL) is not a result to judge.
        if (!now.regular)
            continue;
        const bool touched = Touched(b, now);
        bool failed = exitCode != 0;
        if (exitCode == 0 && (!touched || now.size == 0)) {
            report += "movarin-encoder: no output was written: " + b.path + "\n";
            result = kNoOutputExitCode;
            failed = true;
        }
        if (failed && touched && !::DeleteFileW(movarin::win::Widen(b.path).c_str())
            && ::GetLastError() != ERROR_FILE_NOT_FOUND)
            report += "movarin-encoder: cannot remove " + b.path + ": "
                + movarin::win::ErrorText(::GetLastError()) + "\n";
    }
    return result;
}

} // namespace movarin::encoder
