#include "encoder/SourceReport.h"

#include "encoder/Confinement.h"
#include "encoder/EncoderProcess.h"
#include "encoder/PictureTreatment.h"
#include "encoder/SourceProbe.h"

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
        for (off_t at = 0;;) {
            const ssize_t n = pread(fd_, buffer, sizeof buffer, at);
            if (n <= 0)
                return text;
            text.append(buffer, std::size_t(n));
            at += n;
        }
    }

private:
    int fd_;
};

} // namespace

SourceReport ReadSourceReport(const std::string& ffmpeg, const std::string& input, bool confined, int abi,
                              const std::vector<std::string>& options)
{
    SourceReport report;
    Confinement confinement;
    if (std::string error; confined && !confinement.Prepare({ffmpeg, {input}, {}, false, abi}, error)) {
        report.text = error;
        return report;
    }
    const MemoryFile file;
    if (file.Fd() < 0)
        return report;
    std::vector<std::string> arguments = {"-hide_banner", "-nostdin", "-i", LocalFileUrl(input)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    report.exitCode = RunEncoder(ffmpeg, arguments, file.Fd(), confined ? &confinement : nullptr);
    report.text = file.Content();
    return report;
}

int TreatPicture(Translation& translation, const std::string& ffmpeg, bool confined, int abi)
{
    const std::optional<FrameSize> frame = RequestedFrameSize(translation);
    if (!frame || translation.inputs.size() != 1)
        return 0;
    const SourceReport report = ReadSourceReport(ffmpeg, translation.inputs.front(), confined, abi);
    // FFmpeg ends 255 when a signal stops it, 128 + N when one kills it:
    // the conversion is not to start.
    if (report.exitCode >= 128)
        return report.exitCode;
    const PictureTreatment treatment = ChooseTreatment(ParseSourcePicture(report.text), *frame);
    ApplyTreatment(translation, treatment);
    WriteAll(STDERR_FILENO, "movarin-encoder: " + treatment.summary + "\n");
    return 0;
}

} // namespace movarin::encoder
