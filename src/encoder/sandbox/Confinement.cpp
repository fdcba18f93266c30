#include "encoder/sandbox/Confinement.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

using Access = LandlockRuleset::Access;

constexpr std::uint64_t kRead = Access::ReadFile | Access::ReadDir;
constexpr std::uint64_t kRun = Access::ReadFile | Access::Execute;

// What FFmpeg and its libraries read besides the input: the system's
// programs and libraries, the loader's cache, TLS settings its libraries
// load at start, the time zone and the random source. Whatever of it is
// missing is skipped. Nothing under the home folder.
constexpr std::array<const char*, 8> kSystemReadable = {
    "/usr", "/lib", "/lib64", "/lib32", "/etc/ld.so.cache", "/etc/gnutls", "/etc/localtime", "/dev/urandom",
};

std::string RealPath(const std::string& path)
{
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string ErrorText(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

// Makes the output FFmpeg is to write and grants write on it alone. Returns
// true when the file was created.
bool PrepareOutput(const std::string& path, const ConfinementPlan& plan, LandlockRuleset* landlock)
{
    struct stat st {};
    const bool exists = stat(path.c_str(), &st) == 0;
    // A device or folder named as output is not the front's to make writable,
    // and an existing file the line does not let FFmpeg replace FFmpeg refuses.
    if (exists && (!S_ISREG(st.st_mode) || !plan.overwrite))
        return false;
    int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
    if (!exists)
        flags |= O_CREAT | O_EXCL;
    else if (plan.abi < 3)
        flags |= O_TRUNC; // FFmpeg itself will not be allowed to
    const int fd = open(path.c_str(), flags, 0666);
    if (fd < 0)
        return false;
    if (landlock)
        landlock->Allow(fd, Access::WriteFile | Access::Truncate);
    close(fd);
    return !exists;
}

// The exec and the loader's opening of the program look at the files
// themselves, not at the links that lead to them.
bool AllowProgram(const std::string& path, LandlockRuleset& landlock, std::string& error)
{
    const std::string program = RealPath(path);
    if (const int rc = program.empty() ? errno : landlock.Allow(program, kRun); rc != 0) {
        error = ErrorText(path, rc);
        return false;
    }
    if (const std::string loader = ProgramInterpreter(program); !loader.empty()) {
        const std::string real = RealPath(loader);
        if (const int rc = real.empty() ? errno : landlock.Allow(real, kRun); rc != 0) {
            error = ErrorText(loader, rc);
            return false;
        }
    }
    return true;
}

// A folder named by the environment, taken only when absolute, and never the
// root or home itself: only the fontconfig part beneath it is granted.
std::string Beneath(const char* base, const std::string& fallback, const char* part)
{
    const std::string folder = base && base[0] == '/' ? base : fallback;
    return folder.empty() ? std::string() : folder + part;
}

} // namespace

std::vector<std::string> FontFolders(const char* home, const char* configHome, const char* dataHome,
                                     const char* cacheHome)
{
    std::vector<std::string> folders = {"/etc/fonts", "/var/cache/fontconfig", "/usr/local/share/fonts"};
    const std::string h = home && home[0] == '/' && std::string_view(home) != "/" ? home : "";
    for (const std::string& folder :
         {Beneath(configHome, h.empty() ? h : h + "/.config", "/fontconfig"),
          Beneath(dataHome, h.empty() ? h : h + "/.local/share", "/fonts"),
          Beneath(cacheHome, h.empty() ? h : h + "/.cache", "/fontconfig"), h.empty() ? h : h + "/.fonts",
          h.empty() ? h : h + "/.fontconfig", h.empty() ? h : h + "/.fonts.conf", h.empty() ? h : h + "/.fonts.conf.d"})
        if (!folder.empty())
            folders.push_back(folder);
    return folders;
}

std::string ProgramInterpreter(const std::string& program)
{
    std::ifstream in(program, std::ios::binary);
    Elf64_Ehdr header {};
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header)
        || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64
        || header.e_phentsize != sizeof(Elf64_Phdr))
        return {};
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr segment {};
        in.seekg(std::streamoff(header.e_phoff + i * sizeof segment));
        if (!in.read(reinterpret_cast<char*>(&segment), sizeof segment))
            return {};
        if (segment.p_type != PT_INTERP)
            continue;
        if (segment.p_filesz == 0 || segment.p_filesz > PATH_MAX)
            return {};
        std::string path(segment.p_filesz, '\0');
        in.seekg(std::streamoff(segment.p_offset));
        if (!in.read(path.data(), std::streamsize(path.size())))
            return {};
        path.resize(std::strlen(path.c_str()));
        return path;
    }
    return {};
}

bool Confinement::Prepare(const ConfinementPlan& plan, std::string& error)
{
    if (plan.abi > 0) {
        landlock_ = std::make_unique<LandlockRuleset>(plan.abi);
        if (!landlock_->Valid()) {
            error = ErrorText("Landlock ruleset", errno);
            return false;
        }
        for (const char* path : kSystemReadable)
            landlock_->Allow(path, kRead);
        // Whatever of it is missing is skipped, as above.
        for (const std::string& path : plan.readable)
            landlock_->Allow(path, kRead);
        // An input that cannot be found stays unreadable; FFmpeg says so.
        for (const std::string& input : plan.inputs)
            landlock_->Allow(input, Access::ReadFile);

        // A forked reader that confines itself (the DVD's IFO) runs nothing.
        if (!plan.program.empty() && !AllowProgram(plan.program, *landlock_, error))
            return false;
    }
    if (!seccomp_.Build(plan.abi < 3, error))
        return false;
    for (const std::string& output : plan.outputs)
        createdOutput_ = PrepareOutput(output, plan, landlock_.get()) || createdOutput_;
    return true;
}

int Confinement::AllowFolder(const std::string& folder)
{
    return landlock_ ? landlock_->Allow(folder, kRead) : 0;
}

const char* Confinement::Enter() const noexcept
{
    // Required for an unprivileged process to restrict itself at all; it
    // also keeps a set-user-ID program from gaining anything.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return "no_new_privs";
    if (landlock_ && !landlock_->Restrict())
        return "Landlock";
    CloseDescriptorsAbove2();
    if (!seccomp_.Load())
        return "seccomp";
    return nullptr;
}

void CloseDescriptorsAbove2() noexcept
{
    if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
    // Kernels before 5.9.
    rlimit limit {};
    const rlim_t end = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        ? limit.rlim_cur : 65536;
    for (rlim_t fd = 3; fd < end; ++fd)
        close(int(fd));
}

} // namespace movarin::encoder
