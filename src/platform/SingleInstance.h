#pragma once
// One running Movarin per user login: an exclusive flock on a lock file,
// held for the life of the lock object. The kernel drops the lock when the
// process ends, killed or not, so a crashed instance never blocks a start.
// On Windows the lock is the named mutex "MOVARIN_RUNNING" and Path() its name.
#include <string>

namespace movarin {

enum class LockResult {
    Acquired,      // this process holds the lock now
    HeldElsewhere, // another process holds it: another instance runs
    Failed,        // no lock could be tried (folder missing, foreign file...)
};

class SingleInstanceLock {
public:
    // Lock file "MOVARIN_RUNNING" in $XDG_RUNTIME_DIR, or, without one,
    // "MOVARIN_RUNNING-<uid>" in the temp folder.
    SingleInstanceLock();
    // Lock file "MOVARIN_RUNNING" in the given folder.
    explicit SingleInstanceLock(const std::string& folder);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock without waiting. Only HeldElsewhere should stop a start;
    // a failure to try lets it go on.
    LockResult TryAcquire();
#ifdef _WIN32
    bool Held() const { return mutex_ != nullptr; }
#else
    bool Held() const { return fd_ >= 0; }
#endif
    const std::string& Path() const { return path_; }

    static std::string DefaultPath();

private:
    std::string path_;
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    int fd_ = -1;
#endif
};

} // namespace movarin
