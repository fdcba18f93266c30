// The Windows side of the source's description: the bundled FFmpeg on the
// input alone, in the same job and at the same low integrity as a conversion
// (with no output to label), its summary caught in a temporary file.
#include "encoder/source/SourceReport.h"

#include "encoder/ArgumentTranslator.h"
#include "encoder/EncoderProcess.h"
#include "encoder/ScratchFileWin.h"
#include "encoder/sandbox/ConfinementWin.h"
#include "platform/WinApi.h"

namespace movarin::encoder {

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
    report.exitCode = RunEncoder(ffmpeg, SourceReportArguments(input, inputOptions, outputOptions), file.Fd(),
                                 confined ? &confinement : nullptr);
    // Never stopped: a stopped front ends FFmpeg with its job and never gets
    // this far, so whatever FFmpeg's code (a bare description misses an
    // output), its summary is read; a run refused says why again in the
    // conversion.
    report.text = file.Content(kMaxSourceReport);
    return report;
}

} // namespace movarin::encoder
