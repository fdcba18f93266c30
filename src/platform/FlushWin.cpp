#include "platform/Flush.h"

#include <cerrno>

#include "platform/FilePath.h"
#include "platform/WinApi.h"

namespace movarin {

namespace {

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    default:
        return EIO;
    }
}

} // namespace

// Windows keeps no separate folder data to flush through a handle: a file's
// FlushFileBuffers writes its directory entry with it. Removable drives are
// mounted without write caching by default; a user who turned caching on
// gets the same promise through this call.
FlushResult FlushToMedium(const std::vector<std::string>& files, const std::string&)
{
    for (const auto& file : files) {
        const std::wstring wide = FsPath(file).wstring();
        const win::UniqueHandle handle(::CreateFileW(
            wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle.Get() || !::FlushFileBuffers(handle.Get()))
            return {ErrnoOf(::GetLastError()), file};
    }
    return {};
}

} // namespace movarin
