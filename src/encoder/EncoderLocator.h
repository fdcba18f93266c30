#pragma once
// Finds the installed FFmpeg through PATH. The front itself is named "ffmpeg"
// too, so it must never pick itself, nor a front that started it: two fronts
// on PATH would otherwise start each other without end.
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace movarin::encoder {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Used when PATH is unset or empty.
inline constexpr std::string_view kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";

// The first executable regular file named `name` in the folders of
// searchPath (":"-separated; an empty entry is the current folder) whose
// identity is not in `skip`; empty when there is none.
std::string FindProgram(std::string_view name, std::string_view searchPath,
                        const std::vector<FileIdentity>& skip);

// The executables of this process and of its ancestors, as far as they can
// be read.
std::vector<FileIdentity> OwnAndAncestorExecutables();

#ifdef _WIN32
// Where the Windows front finds FFmpeg, relative to its own folder.
inline constexpr const wchar_t* kBundledEncoder = L"encoder\\ffmpeg.exe";
// The full path of the bundled FFmpeg, or empty when it is missing.
std::string BundledEncoder();
#endif

} // namespace movarin::encoder
