#pragma once
// FFmpeg's description of a source: FFmpeg run on the input alone, with no
// output, confined as a conversion is (it reads the input and writes
// nothing), its stream summary captured instead of passed on.
#include "encoder/ArgumentTranslator.h"

#include <string>
#include <vector>

namespace movarin::encoder {

struct SourceReport {
    int exitCode = 127; // as RunEncoder's; 128 + N when a signal ended it
    std::string text;
};

// confined false runs FFmpeg unconfined; abi as in ConfinementPlan.
// options follow the input: a pass that reads more of it, with no file out.
SourceReport ReadSourceReport(const std::string& ffmpeg, const std::string& input, bool confined, int abi,
                              const std::vector<std::string>& options = {});

// When the line asks for a frame size, reads the source and puts the
// picture's treatment (PictureTreatment.h) in its place, logging it to
// stderr in one line. Returns 0, or the exit code to end with when the run
// was stopped while the source was read.
int TreatPicture(Translation& translation, const std::string& ffmpeg, bool confined, int abi);

} // namespace movarin::encoder
