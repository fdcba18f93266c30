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

// A file as it was written, under its temporary name, and the name it gets
// once it is on the medium.
struct WrittenFile {
    std::string written;
    std::string final;
};

// Flushes each file, gives it its final name (replacing what is there), then
// flushes the folder that holds them (their names and sizes live there).
// Blocks until the medium has them: call it off the user-interface thread.
// Nothing is renamed before every file's data is on the medium.
FlushResult FlushToMedium(const std::vector<WrittenFile>& files, const std::string& folder);

// 0 when folder is there and takes new files, otherwise why not as an errno
// value: ENOENT for a folder that is gone, ENOTCONN, ENODEV or EIO for a
// medium that went away, EACCES or EROFS for one that refuses writes.
int FolderTakesFiles(const std::string& folder);

} // namespace movarin
