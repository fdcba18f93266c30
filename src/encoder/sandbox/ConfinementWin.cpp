#include "encoder/sandbox/ConfinementWin.h"

#include <sddl.h>

namespace movarin::encoder {
namespace {

using movarin::win::ErrorText;
using movarin::win::UniqueHandle;
using movarin::win::Widen;

// Frees what the security functions allocate with LocalAlloc.
class LocalMemory {
public:
    explicit LocalMemory(void* p) : p_(p) {}
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    ~LocalMemory()
    {
        if (p_)
            ::LocalFree(p_);
    }

private:
    void* p_;
};

// The front's own token at low integrity (S-1-16-4096).
bool MakeLowIntegrityToken(UniqueHandle& token, std::string& error)
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(),
                            TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY, &raw)) {
        error = "OpenProcessToken: " + ErrorText(::GetLastError());
        return false;
    }
    const UniqueHandle own(raw);
    if (!::DuplicateTokenEx(own.Get(), 0, nullptr, SecurityImpersonation, TokenPrimary, &raw)) {
        error = "DuplicateTokenEx: " + ErrorText(::GetLastError());
        return false;
    }
    token.Reset(raw);
    PSID low = nullptr;
    if (!::ConvertStringSidToSidW(L"S-1-16-4096", &low)) {
        error = "ConvertStringSidToSidW: " + ErrorText(::GetLastError());
        return false;
    }
    const LocalMemory lowMemory(low);
    TOKEN_MANDATORY_LABEL label{};
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    label.Label.Sid = low;
    if (!::SetTokenInformation(token.Get(), TokenIntegrityLevel, &label, DWORD(sizeof label + ::GetLengthSid(low)))) {
        error = "SetTokenInformation: " + ErrorText(::GetLastError());
        return false;
    }
    return true;
}

// Whether the volume holding path keeps access rights (NTFS does; FAT, as
// on the player, checks nothing, so a low process writes there anyway). Asked
// through a handle: asking for the volume by name reads the raw device.
bool KeepsAccessRights(const std::wstring& path)
{
    const UniqueHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DWORD flags = 0;
    if (!file.Valid() || !::GetVolumeInformationByHandleW(file.Get(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return true;
    return (flags & FILE_PERSISTENT_ACLS) != 0;
}

// Lets a low-integrity process write the file (and nothing it makes beside
// it). Returns the system's error code, ERROR_SUCCESS when labelled. The label
// goes on through a handle opened for it: a label needs WRITE_OWNER, which
// Wine's SetNamedSecurityInfoW does not ask for, so by name it is refused there.
DWORD LabelLow(const std::wstring& path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"S:(ML;;NW;;;LW)", SDDL_REVISION_1, &descriptor,
                                                                nullptr))
        return ::GetLastError();
    const LocalMemory descriptorMemory(descriptor);
    const UniqueHandle file(::CreateFileW(path.c_str(), WRITE_OWNER | READ_CONTROL,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid() || !::SetKernelObjectSecurity(file.Get(), LABEL_SECURITY_INFORMATION, descriptor))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

} // namespace

bool Confinement::Prepare(const std::vector<std::string>& outputs, bool overwrite, std::string& error,
                          std::string& notice)
{
    if (!MakeLowIntegrityToken(token_, error))
        return false;
    lowIntegrity_ = true;
    for (const std::string& output : outputs) {
        const std::wstring path = Widen(output);
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        // A folder or device is not the front's to label; an existing file
        // the line does not let FFmpeg replace FFmpeg refuses by itself.
        if (exists && ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) || !overwrite))
            continue;
        if (!exists) {
            const UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file.Valid())
                continue; // FFmpeg reports it as it would
            createdOutput_ = true;
        }
        if (!lowIntegrity_)
            continue;
        const DWORD labelled = LabelLow(path);
        if (labelled != ERROR_SUCCESS && KeepsAccessRights(path)) {
            lowIntegrity_ = false;
            notice += "movarin-encoder: cannot label " + output + " for a low-integrity FFmpeg ("
                + ErrorText(labelled) + "); it runs at the front's integrity level\n";
        }
    }
    return true;
}

bool LimitToOneProcess(HANDLE job)
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
    limits.BasicLimitInformation.ActiveProcessLimit = 1;
    return ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) != FALSE;
}

} // namespace movarin::encoder
