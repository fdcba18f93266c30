// The file side of the profile: reading the whole file and replacing it
// atomically (temp file in the same folder, fsync, rename).
#include "platform/Profile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movarin::Profile {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now so that a failing close (a late write error) is seen.
    int release_and_close()
    {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& file, const char* what, int err)
{
    throw WriteError(file + ": " + what + ": " + std::strerror(err));
}

// Reads the whole file; false with errno set when it cannot be read.
bool ReadAll(const std::string& path, std::string& content)
{
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    content.clear();
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        content.append(buffer, std::size_t(got));
    }
}

void WriteAll(int fd, std::string_view data, const std::string& file)
{
    while (!data.empty()) {
        const ssize_t put = ::write(fd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            Fail(file, "write", errno);
        }
        data.remove_prefix(std::size_t(put));
    }
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Removes the temp file unless the rename has taken it over.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void Committed() { path_.clear(); }

private:
    std::string path_;
};

// The file a write must replace: a symbolic link is followed so that the
// link stays and its target gets the new text, as a plain write would do.
std::string Target(const std::string& file)
{
    struct stat st;
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return file;
    char resolved[PATH_MAX];
    if (!::realpath(file.c_str(), resolved))
        Fail(file, "resolve link", errno);
    return resolved;
}

} // namespace

std::string ReadString(const std::string& file, std::string_view section,
                       std::string_view key, std::string_view def)
{
    std::string content;
    if (!ReadAll(file, content))
        content.clear(); // a missing or unreadable file reads as empty
    return ReadFromText(content, section, key, def);
}

void WriteString(const std::string& file, std::string_view section,
                 std::string_view key, std::string_view value)
{
    const std::string target = Target(file);

    std::string content;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            Fail(file, "not a regular file", EISDIR);
        // The rename below needs only the folder's permission, so the file's
        // own read-only state is checked here. Root passes access() for any
        // file; a file without write bits is still refused, as a read-only
        // file is refused to every user.
        if (::access(target.c_str(), W_OK) != 0)
            Fail(file, "open", errno);
        if ((st.st_mode & 0222) == 0
            || (st.st_uid == ::geteuid() && (st.st_mode & S_IWUSR) == 0))
            Fail(file, "open", EACCES);
        // Replacing a file we cannot read would lose its other lines.
        if (!ReadAll(target, content))
            Fail(file, "read", errno);
    } else if (errno != ENOENT) {
        Fail(file, "stat", errno);
    }

    const std::string text = WriteToText(content, section, key, value);

    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    std::string tempPath;
    int raw = -1;
    for (unsigned attempt = 0; raw < 0; ++attempt) {
        tempPath = folder + "/." + base + ".tmp" + std::to_string(::getpid()) + "-"
            + std::to_string(attempt);
        // A new file gets the usual mode through the umask; an existing
        // file's mode is copied below.
        raw = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     exists ? 0600 : 0666);
        if (raw < 0 && (errno != EEXIST || attempt >= 100))
            Fail(file, "create", errno);
    }
    Fd fd(raw);
    TempFile temp(tempPath);

    WriteAll(fd.get(), text, file);
    if (exists) {
        if (::fchmod(fd.get(), st.st_mode & 07777) != 0)
            Fail(file, "chmod", errno);
        if (::geteuid() == 0 && (st.st_uid != 0 || st.st_gid != ::getegid())
            && ::fchown(fd.get(), st.st_uid, st.st_gid) != 0)
            Fail(file, "chown", errno);
    }
    if (::fsync(fd.get()) != 0)
        Fail(file, "fsync", errno);
    if (fd.release_and_close() != 0)
        Fail(file, "close", errno);
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
        Fail(file, "rename", errno);
    temp.Committed();

    // Makes the rename itself durable. The new text is in place whatever
    // happens here, so a failure is no failed write.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
}

} // namespace movarin::Profile
