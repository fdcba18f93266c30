#include "platform/Flush.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Process.h"

namespace movarin {

namespace {

int OpenForFlush(const std::string& path, int flags)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_RDONLY | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// 0 or an errno value. A folder's fsync is refused with EINVAL by file
// systems that keep no folder data of their own to flush; for them the
// files' flush was all there was.
int FlushOne(const std::string& path, bool folder)
{
    UniqueFd fd(OpenForFlush(path, folder ? O_DIRECTORY : 0));
    if (!fd.Valid())
        return errno;
    int result;
    do
        result = ::fsync(fd.Get());
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return 0;
    const int error = errno;
    return folder && (error == EINVAL || error == ENOTSUP) ? 0 : error;
}

} // namespace

FlushResult FlushToMedium(const std::vector<WrittenFile>& files, const std::string& folder)
{
    for (const auto& file : files)
        if (const int error = FlushOne(file.written, false))
            return {error, file.written};
    for (const auto& file : files)
        if (::rename(file.written.c_str(), file.final.c_str()) != 0)
            return {errno, file.written};
    if (!folder.empty())
        if (const int error = FlushOne(folder, true))
            return {error, folder};
    return {};
}

int FolderTakesFiles(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return errno;
    if (!S_ISDIR(info.st_mode))
        return ENOTDIR;
    // The attributes may come from the kernel's cache for a moment after a
    // FUSE medium's daemon ended; opening the folder asks the medium itself.
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return errno;
    ::closedir(listing);
    // Creating a name needs write and search rights on the folder; a
    // read-only mount says EROFS here.
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

} // namespace movarin
