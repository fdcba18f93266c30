#include "encoder/source/SourceReport.h"

#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/sandbox/Confinement.h"

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

namespace movarin::encoder {
namespace {

// A file in memory, not a pipe: however much FFmpeg says, it never waits
// for a reader.
class MemoryFile {
public:
    MemoryFile() : fd_(memfd_create("movarin-source-report", MFD_CLOEXEC)) {}
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    int Fd() const { return fd_; }
    std::string Content() const
    {
        std::string text;
        char buffer[16384];
        for (off_t at = 0; text.size() < kMaxSourceReport;) {
            const ssize_t n = pread(fd_, buffer, std::min(sizeof buffer, kMaxSourceReport - text.size()), at);
            if (n <= 0)
                break;
            text.append(buffer, std::size_t(n));
            at += n;
        }
        return text;
    }

private:
    int fd_;
};

} // namespace

SourceReport ReadSourceReport(const std::string& ffmpeg, const std::string& input, bool confined, int abi,
                              const std::vector<std::string>& inputOptions,
                              const std::vector<std::string>& outputOptions)
{
    SourceReport report;
    Confinement confinement;
    if (std::string error; confined && !confinement.Prepare({ffmpeg, {input}, {}, false, abi, {}}, error)) {
        report.text = error;
        return report;
    }
    const MemoryFile file;
    if (file.Fd() < 0)
        return report;
    report.exitCode = RunEncoder(ffmpeg, SourceReportArguments(input, inputOptions, outputOptions), file.Fd(),
                                 confined ? &confinement : nullptr);
    report.text = file.Content();
    // FFmpeg ends 255 when a signal stops it, 128 + N when one kills it.
    report.stopped = report.exitCode >= 128;
    return report;
}

} // namespace movarin::encoder
