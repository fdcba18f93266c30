#include "encoder/sandbox/Seccomp.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/seccomp.h>
#include <memory>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

struct ContextRelease {
    void operator()(void* ctx) const { seccomp_release(ctx); }
};
using Context = std::unique_ptr<void, ContextRelease>;

// Denied with EPERM whatever their arguments. Names, so that a call the
// architecture lacks is skipped rather than failing the build of the list.
constexpr std::array<const char*, 38> kDenied = {
    "socket", "ptrace", "process_vm_readv", "process_vm_writev", "bpf", "perf_event_open",
    "userfaultfd", "add_key", "request_key", "keyctl", "unshare", "setns", "mount", "umount2",
    "pivot_root", "chroot", "fsopen", "fsconfig", "fsmount", "fspick", "move_mount", "open_tree",
    "mount_setattr", "personality", "io_uring_setup", "io_uring_enter", "io_uring_register",
    "kexec_load", "kexec_file_load", "init_module", "finit_module", "delete_module", "acct",
    "swapon", "swapoff", "reboot", "quotactl", "lookup_dcookie",
};

constexpr std::array<unsigned long, 8> kNamespaceFlags = {
    CLONE_NEWNS, CLONE_NEWUSER, CLONE_NEWPID, CLONE_NEWNET, CLONE_NEWIPC, CLONE_NEWUTS, CLONE_NEWCGROUP,
    0x00000080, // CLONE_NEWTIME, missing from older headers
};

// Typing into the terminal FFmpeg's caller may be reading from.
constexpr std::array<unsigned long, 2> kTerminalRequests = {TIOCSTI, TIOCLINUX};

int Rule(scmp_filter_ctx ctx, int error, const char* name, unsigned count = 0,
         scmp_arg_cmp a = {}, scmp_arg_cmp b = {})
{
    const int call = seccomp_syscall_resolve_name(name);
    if (call == __NR_SCMP_ERROR)
        return 0;
    const scmp_arg_cmp args[] = {a, b};
    return seccomp_rule_add_array(ctx, SCMP_ACT_ERRNO(unsigned(error)), call, count, args);
}

int AddRules(scmp_filter_ctx ctx, bool denyTruncation)
{
    int rc = 0;
    for (const char* name : kDenied)
        rc = rc ? rc : Rule(ctx, EPERM, name);
    // A new namespace is the way to most of the kernel's attack surface.
    for (unsigned long flag : kNamespaceFlags)
        rc = rc ? rc : Rule(ctx, EPERM, "clone", 1, SCMP_A0(SCMP_CMP_MASKED_EQ, flag, flag));
    // Its flags sit in memory the filter cannot read; the C library falls
    // back to clone() on ENOSYS.
    rc = rc ? rc : Rule(ctx, ENOSYS, "clone3");
    // The kernel compares only the low 32 bits of an ioctl's request.
    for (const unsigned long request : kTerminalRequests)
        rc = rc ? rc : Rule(ctx, EPERM, "ioctl", 1, SCMP_A1(SCMP_CMP_MASKED_EQ, 0xFFFFFFFFu, request));
    if (!denyTruncation)
        return rc;
    rc = rc ? rc : Rule(ctx, EPERM, "truncate");
    rc = rc ? rc : Rule(ctx, EPERM, "creat");
    rc = rc ? rc : Rule(ctx, EPERM, "open", 1, SCMP_A1(SCMP_CMP_MASKED_EQ, O_TRUNC, O_TRUNC));
    rc = rc ? rc : Rule(ctx, EPERM, "openat", 1, SCMP_A2(SCMP_CMP_MASKED_EQ, O_TRUNC, O_TRUNC));
    // Its flags are in memory too; the C library's open uses openat.
    rc = rc ? rc : Rule(ctx, ENOSYS, "openat2");
    return rc;
}

} // namespace

bool SeccompFilter::Build(bool denyTruncation, std::string& error)
{
    const Context ctx(seccomp_init(SCMP_ACT_ALLOW));
    if (!ctx) {
        error = "seccomp_init failed";
        return false;
    }
    // The whole process, not the one thread: another architecture's calls
    // are not in the list and must not be tried one thread at a time.
    if (const int rc = seccomp_attr_set(ctx.get(), SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_KILL_PROCESS); rc != 0) {
        error = std::string("seccomp attribute: ") + std::strerror(-rc);
        return false;
    }
    if (const int rc = AddRules(ctx.get(), denyTruncation); rc != 0) {
        error = std::string("seccomp rule: ") + std::strerror(-rc);
        return false;
    }
    // libseccomp 2.5 can hand the program out only through a descriptor.
    const int fd = memfd_create("movarin-seccomp", MFD_CLOEXEC);
    if (fd < 0) {
        error = std::string("memfd_create: ") + std::strerror(errno);
        return false;
    }
    std::string bytes;
    const int rc = seccomp_export_bpf(ctx.get(), fd);
    if (rc == 0 && lseek(fd, 0, SEEK_SET) == 0) {
        char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            bytes.append(buffer, std::size_t(n));
        }
    }
    close(fd);
    if (rc != 0 || bytes.empty() || bytes.size() % sizeof(sock_filter) != 0) {
        error = "cannot export the seccomp program";
        return false;
    }
    program_.resize(bytes.size() / sizeof(sock_filter));
    std::memcpy(program_.data(), bytes.data(), bytes.size());
    header_.len = static_cast<unsigned short>(program_.size());
    header_.filter = program_.data();
    return true;
}

bool SeccompFilter::Load() const noexcept
{
    if (program_.empty()) {
        errno = EINVAL;
        return false;
    }
    return syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &header_) == 0;
}

} // namespace movarin::encoder
