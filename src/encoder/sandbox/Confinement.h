#pragma once
// What a hostile video can do through FFmpeg: read the system's files and
// its own input, write its own output, and nothing else. The front prepares
// everything before the fork (the Landlock ruleset, the seccomp program and
// the output files); the child enters it just before the exec.
#include "encoder/sandbox/Landlock.h"
#include "encoder/sandbox/Seccomp.h"

#include <memory>
#include <string>
#include <vector>

namespace movarin::encoder {

struct ConfinementPlan {
    std::string program; // FFmpeg as found; empty for a child that runs no program
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    bool overwrite = false; // an existing output may be replaced (-y)
    int abi = 0;            // the Landlock ABI to use; 0 for seccomp alone
    std::vector<std::string> readable; // besides the system's: read-only, beneath each
};

// Where fontconfig finds its configuration, its caches and the fonts, which
// FFmpeg needs to draw text subtitles: the system's, and the user's own
// beneath home and the XDG folders (the environment's, null when unset).
std::vector<std::string> FontFolders(const char* home, const char* configHome, const char* dataHome,
                                     const char* cacheHome);

class Confinement {
public:
    // Creates each missing output (and empties an existing one FFmpeg may
    // replace, when the abi cannot let FFmpeg truncate only that file):
    // write rights go to exactly those files. An output that cannot be made
    // gets no rights, and FFmpeg reports it as it would. False, with the
    // reason in error, when the confinement cannot be built: the run must
    // then not happen.
    bool Prepare(const ConfinementPlan& plan, std::string& error);

    // After Prepare: lets the child read a folder with its listings (a
    // DVD's). Returns 0, or the errno of the failure.
    int AllowFolder(const std::string& folder);

    // Whether Prepare created an output, which FFmpeg must then overwrite.
    bool CreatedOutput() const { return createdOutput_; }

    // In the forked child: sets no_new_privs, restricts, closes every
    // descriptor above 2 and loads the seccomp program. Async-signal-safe.
    // Returns nullptr, or the step that failed with errno set.
    const char* Enter() const noexcept;

private:
    std::unique_ptr<LandlockRuleset> landlock_;
    SeccompFilter seccomp_;
    bool createdOutput_ = false;
};

// Closes every descriptor above 2: Landlock checks a file when it is
// opened, so one the child inherits open would escape it. Async-signal-safe.
void CloseDescriptorsAbove2() noexcept;

// The dynamic loader an ELF program names (its PT_INTERP), empty when it
// names none or cannot be read.
std::string ProgramInterpreter(const std::string& program);

} // namespace movarin::encoder
