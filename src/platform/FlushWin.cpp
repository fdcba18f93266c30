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
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_NOT_READY:
        return ENODEV;
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
// The rename is written through before it returns, which stands for the
// folder's flush.
FlushResult FlushToMedium(const std::vector<WrittenFile>& files, const std::string&)
{
    for (const auto& file : files) {
        const std::wstring wide = FsPath(file.written).wstring();
        const win::UniqueHandle handle(::CreateFileW(
            wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle.Get() || !::FlushFileBuffers(handle.Get()))
            return {ErrnoOf(::GetLastError()), file.written};
    }
    for (const auto& file : files) {
        const std::wstring from = FsPath(file.written).wstring();
        const std::wstring to = FsPath(file.final).wstring();
        if (!::MoveFileExW(from.c_str(), to.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {ErrnoOf(::GetLastError()), file.written};
    }
    return {};
}

int FolderTakesFiles(const std::string& folder)
{
    const DWORD attributes = ::GetFileAttributesW(FsPath(folder).wstring().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ErrnoOf(::GetLastError());
    // The read-only attribute means nothing on a folder; a refusal shows
    // only when a file is written.
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? 0 : ENOTDIR;
}

} // namespace movarin
