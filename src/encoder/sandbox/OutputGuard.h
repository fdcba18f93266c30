#pragma once
// A failed job must never leave a file that looks like a converted video:
// FFmpeg leaves a 0-byte or truncated output behind when it fails, and a
// thumbnail of a source shorter than a second "succeeds" without a file.
// The guard notes what stood at each output path before the run, and after it
// removes what a failed run wrote, and turns a success without output into a
// failure. A file the run never touched is left alone.
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace movarin::encoder {

class OutputGuard {
public:
    explicit OutputGuard(std::vector<std::string> outputs);

    // The front's exit code for an encoder run that ended with exitCode.
    // Messages for the user are appended to report, one line each.
    int Settle(int exitCode, std::string& report) const;

    // Exit code of a run that reported success but left an output missing.
    static constexpr int kNoOutputExitCode = 1;

#ifdef _WIN32
    struct Stamp {
        bool regular = false;
        std::uint64_t size = 0;
        std::uint64_t written = 0; // last write time, 100 ns units
        std::uint64_t created = 0; // a replaced file is a new file
    };
#else
    using Stamp = struct stat;
#endif

private:
    struct Before {
        std::string path;
        bool existed = false;
        Stamp info {};
    };
    bool Touched(const Before& before, const Stamp& now) const;
    std::vector<Before> before_;
};

} // namespace movarin::encoder
