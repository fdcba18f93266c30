#pragma once
// FFmpeg on Windows runs in its kill-on-close job limited to one active
// process (it cannot start another program), at low integrity: it may read
// what the user may, but write only objects labelled low, which the front
// makes of the outputs it creates. Low integrity rather than an AppContainer:
// a container reads only what grants its SID, and an input on a DVD or a
// read-only share cannot be given such a grant.
#include "platform/WinApi.h"

#include <string>
#include <vector>

namespace movarin::encoder {

class Confinement {
public:
    // Creates each missing output (an existing one only when the line lets
    // FFmpeg replace it) and labels it low. Where an output on a volume that
    // keeps access rights cannot be labelled, FFmpeg would be unable to write
    // it at low integrity: it then keeps the front's level (the job limit
    // stays) and notice says so. False, with the reason in error, when the
    // low-integrity token cannot be made.
    bool Prepare(const std::vector<std::string>& outputs, bool overwrite, std::string& error,
                 std::string& notice);

    bool CreatedOutput() const { return createdOutput_; }
    // The token to start FFmpeg with; null to start it with the front's own.
    HANDLE Token() const { return lowIntegrity_ ? token_.Get() : nullptr; }

private:
    movarin::win::UniqueHandle token_;
    bool lowIntegrity_ = false;
    bool createdOutput_ = false;
};

// Adds the limit of one active process to a kill-on-close job.
bool LimitToOneProcess(HANDLE job);

} // namespace movarin::encoder
