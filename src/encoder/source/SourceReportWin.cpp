// The Windows side of the source's description: the bundled FFmpeg on the
// input alone, in the same job and at the same low integrity as a conversion
// (with no output to label), its summary caught in a temporary file.
#include "encoder/source/SourceReport.h"

#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/sandbox/ConfinementWin.h"
#include "platform/WinApi.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>

namespace movarin::encoder {
namespace {

// A file that goes when it is closed, not a pipe: however much FFmpeg says,
// the front never waits for a reader. FFmpeg never sees it: the front relays
// FFmpeg's output into it.
class ScratchFile {
public:
    ScratchFile()
    {
        wchar_t folder[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 1];
        if (!::GetTempPathW(MAX_PATH + 1, folder) || !::GetTempFileNameW(folder, L"mvr", 0, name))
            return;
        const HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd_ < 0)
            ::CloseHandle(file);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile()
    {
        if (fd_ >= 0)
            _close(fd_); // closes the handle, which deletes the file
    }
    int Fd() const { return fd_; }
    std::string Content() const
    {
        const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd_));
        std::string text;
        if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
            return text;
        char buffer[16384];
        for (DWORD n = 0; text.size() < kMaxSourceReport
             && ::ReadFile(file, buffer, DWORD(std::min(sizeof buffer, kMaxSourceReport - text.size())), &n, nullptr)
             && n > 0;)
            text.append(buffer, n);
        return text;
    }

private:
    int fd_ = -1;
};

} // namespace

SourceReport ReadSourceReport(const std::string& ffmpeg, const std::string& input, bool confined, int,
                              const std::vector<std::string>& inputOptions,
                              const std::vector<std::string>& outputOptions)
{
    SourceReport report;
    Confinement confinement;
    if (std::string error, notice; confined && !confinement.Prepare({}, false, error, notice)) {
        report.text = error;
        return report;
    }
    const ScratchFile file;
    if (file.Fd() < 0)
        return report;
    std::vector<std::string> arguments = {"-nostdin"};
    arguments.insert(arguments.end(), inputOptions.begin(), inputOptions.end());
    arguments.insert(arguments.end(), {"-i", LocalFileUrl(input)});
    arguments.insert(arguments.end(), outputOptions.begin(), outputOptions.end());
    report.exitCode = RunEncoder(ffmpeg, arguments, file.Fd(),
                                 confined ? &confinement : nullptr);
    // Never stopped: a stopped front ends FFmpeg with its job and never gets
    // this far, so whatever FFmpeg's code (it always misses an output), its
    // summary is read; a run refused says why again in the conversion.
    report.text = file.Content();
    return report;
}

} // namespace movarin::encoder
