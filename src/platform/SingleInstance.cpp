#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movarin {

namespace {
constexpr const char* kLockName = "MOVARIN_RUNNING";

bool IsFolder(const char* path)
{
    struct stat st;
    return path && path[0] == '/' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

std::string SingleInstanceLock::DefaultPath()
{
    // The per-login runtime folder is the platform's place for such locks;
    // reading its variable is how a process finds it.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (IsFolder(runtime))
        return std::string(runtime) + "/" + kLockName;
    std::error_code ec;
    std::string temp = std::filesystem::temp_directory_path(ec).string();
    if (ec || temp.empty())
        temp = "/tmp";
    if (temp.back() != '/')
        temp += '/';
    return temp + kLockName + "-" + std::to_string(::getuid());
}

SingleInstanceLock::SingleInstanceLock() : path_(DefaultPath()) {}

SingleInstanceLock::SingleInstanceLock(const std::string& folder)
    : path_(folder + (folder.empty() || folder.back() != '/' ? "/" : "") + kLockName)
{
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

LockResult SingleInstanceLock::TryAcquire()
{
    if (fd_ >= 0)
        return LockResult::Acquired;

    // In a shared temp folder another user could plant the name: never follow
    // a link, and use only a file of our own.
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return LockResult::Failed;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return LockResult::Failed;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Failed;
    }
    fd_ = fd;
    return LockResult::Acquired;
}

} // namespace movarin
