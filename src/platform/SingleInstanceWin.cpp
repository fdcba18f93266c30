// One running Movarin per login session on Windows: the named mutex
// "MOVARIN_RUNNING". The system drops it when the process ends, killed or not.
#include "platform/SingleInstance.h"

#include "platform/WinApi.h"

namespace movarin {

namespace {
constexpr const char* kLockName = "MOVARIN_RUNNING";
} // namespace

std::string SingleInstanceLock::DefaultPath()
{
    return kLockName;
}

SingleInstanceLock::SingleInstanceLock() : path_(DefaultPath()) {}

// A mutex name may hold no backslash: the folder (tests give each their own)
// becomes part of the name with forward slashes.
SingleInstanceLock::SingleInstanceLock(const std::string& folder) : path_(std::string(kLockName) + "-")
{
    for (char c : folder)
        path_ += c == '\\' ? '/' : c;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (mutex_)
        ::CloseHandle(static_cast<HANDLE>(mutex_));
}

LockResult SingleInstanceLock::TryAcquire()
{
    if (mutex_)
        return LockResult::Acquired;
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, movarin::win::Widen(path_).c_str());
    if (!mutex)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? LockResult::HeldElsewhere : LockResult::Failed;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return LockResult::HeldElsewhere;
    }
    mutex_ = mutex;
    return LockResult::Acquired;
}

} // namespace movarin
