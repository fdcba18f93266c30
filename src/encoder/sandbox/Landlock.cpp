#include "encoder/sandbox/Landlock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef SYS_landlock_create_ruleset
#define SYS_landlock_create_ruleset 444
#define SYS_landlock_add_rule 445
#define SYS_landlock_restrict_self 446
#endif

namespace movarin::encoder {
namespace {

// The ruleset attribute as ABI 6 knows it; older kernels are given the
// shorter prefix they know (a larger size with a zero tail would do too,
// but a kernel of ABI 1 to 3 must not be sent fields it cannot check).
struct RulesetAttr {
    std::uint64_t handledAccessFs;
    std::uint64_t handledAccessNet;
    std::uint64_t scoped;
};

struct PathBeneathAttr {
    std::uint64_t allowedAccess;
    std::int32_t parentFd;
} __attribute__((packed));

constexpr std::uint64_t kFsRightsAbi1 = (1ULL << 13) - 1; // execute .. make_sym
constexpr std::uint64_t kRefer = 1ULL << 13;               // ABI 2
constexpr std::uint64_t kIoctlDev = 1ULL << 15;            // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;           // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;
constexpr std::uint64_t kScopeAbstractUnix = 1ULL << 0;    // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;
constexpr std::uint32_t kCreateRulesetVersion = 1U << 0;
constexpr int kRulePathBeneath = 1;

// Rights that Landlock accepts on a rule for a single file.
constexpr std::uint64_t kFileRights = LandlockRuleset::Execute | LandlockRuleset::WriteFile
    | LandlockRuleset::ReadFile | LandlockRuleset::Truncate | kIoctlDev;

} // namespace

int LandlockAbi()
{
    const long abi = syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
    return abi > 0 ? int(abi) : 0;
}

LandlockRuleset::LandlockRuleset(int abi) : abi_(abi)
{
    if (abi < 1)
        return;
    handledFs_ = kFsRightsAbi1;
    if (abi >= 2)
        handledFs_ |= kRefer;
    if (abi >= 3)
        handledFs_ |= Truncate;
    if (abi >= 5)
        handledFs_ |= kIoctlDev;
    RulesetAttr attr{handledFs_, 0, 0};
    std::size_t size = sizeof attr.handledAccessFs;
    if (abi >= 4) {
        attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
        size += sizeof attr.handledAccessNet;
    }
    if (abi >= 6) {
        attr.scoped = kScopeAbstractUnix | kScopeSignal;
        size += sizeof attr.scoped;
    }
    fd_ = int(syscall(SYS_landlock_create_ruleset, &attr, size, 0));
}

LandlockRuleset::~LandlockRuleset()
{
    if (fd_ >= 0)
        close(fd_);
}

int LandlockRuleset::Allow(const std::string& path, std::uint64_t access)
{
    const int fd = open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = Allow(fd, access);
    close(fd);
    return result;
}

int LandlockRuleset::Allow(int fd, std::uint64_t access)
{
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        access &= kFileRights;
    PathBeneathAttr rule{access & handledFs_, fd};
    if (rule.allowedAccess == 0)
        return 0;
    if (syscall(SYS_landlock_add_rule, fd_, kRulePathBeneath, &rule, 0) != 0)
        return errno;
    return 0;
}

bool LandlockRuleset::Restrict() const noexcept
{
    return syscall(SYS_landlock_restrict_self, fd_, 0) == 0;
}

} // namespace movarin::encoder
