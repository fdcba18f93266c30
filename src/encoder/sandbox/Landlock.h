#pragma once
// A Landlock ruleset for the FFmpeg child, built in the front before the
// fork and applied by the child just before the exec. Raw system calls:
// Debian 12's C library has no wrappers, and its kernel headers know only
// the first two ABIs, so the later rights are spelled out here.
#include <cstdint>
#include <string>

namespace movarin::encoder {

// The Landlock ABI the kernel offers, 0 when it has none (too old, or not
// among the enabled security modules).
int LandlockAbi();

class LandlockRuleset {
public:
    enum Access : std::uint64_t {
        Execute = 1ULL << 0,
        WriteFile = 1ULL << 1,
        ReadFile = 1ULL << 2,
        ReadDir = 1ULL << 3,
        Truncate = 1ULL << 14, // ABI 3
    };

    // Handles every right the abi knows: what no rule grants is denied. From
    // ABI 4 TCP bind and connect are denied, from ABI 6 abstract UNIX
    // sockets and signals are scoped to the child's own domain.
    explicit LandlockRuleset(int abi);
    LandlockRuleset(const LandlockRuleset&) = delete;
    LandlockRuleset& operator=(const LandlockRuleset&) = delete;
    ~LandlockRuleset();

    // False (errno set) when the kernel refused the ruleset.
    bool Valid() const { return fd_ >= 0; }
    int Abi() const { return abi_; }

    // Grants access beneath path (a folder) or on it (a file; rights that
    // only apply to folders are dropped). Returns 0, or the errno of the
    // failure (ENOENT when the path does not exist).
    int Allow(const std::string& path, std::uint64_t access);
    // The same for a file the caller has open.
    int Allow(int fd, std::uint64_t access);

    // In the forked child: no allocation, async-signal-safe. Needs
    // no_new_privs. Returns false with errno set.
    bool Restrict() const noexcept;

private:
    int abi_;
    std::uint64_t handledFs_ = 0;
    int fd_ = -1;
};

} // namespace movarin::encoder
