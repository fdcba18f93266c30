#pragma once
// Making written files durable: a player or stick may be pulled out as soon
// as the program says a job is done, and the kernel's write-back cache can
// hold a file's data for half a minute after the encoder has closed it.
#include <string>
#include <vector>

namespace movarin {

// What a flush found: 0 when every file and the folder reached the medium,
// otherwise the first failure as an errno value (ENOSPC when the medium is
// full, EIO or ENOENT when it went away).
struct FlushResult {
    int error = 0;
    std::string failedPath;  // what failed, for the log; empty on success
};

// Flushes each file, then the folder that holds them (their names and sizes
// live there). Blocks until the medium has them: call it off the
// user-interface thread.
FlushResult FlushToMedium(const std::vector<std::string>& files, const std::string& folder);

} // namespace movarin
