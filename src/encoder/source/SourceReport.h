#pragma once
// FFmpeg's description of a source: FFmpeg run on the input alone, with no
// output, confined as a conversion is (it reads the input and writes
// nothing), its stream summary captured instead of passed on.
#include "encoder/ArgumentTranslator.h"

#include <cstddef>
#include <string>
#include <vector>

namespace movarin::encoder {

// The most of FFmpeg's summary the front reads: many times a real source's,
// its streams' tags included, while a taken-over FFmpeg that writes without
// end costs the front no more memory than this.
constexpr std::size_t kMaxSourceReport = std::size_t(4) << 20;

struct SourceReport {
    int exitCode = 127; // as RunEncoder's; 128 + N when a signal ended it
    bool stopped = false; // a signal ended the run: the conversion is not to start
    std::string text;   // the banner (how FFmpeg was built) and the summary
};

// FFmpeg's arguments for a reading of input: inputOptions before it,
// outputOptions after it. The same on both systems.
inline std::vector<std::string> SourceReportArguments(const std::string& input,
                                                      const std::vector<std::string>& inputOptions,
                                                      const std::vector<std::string>& outputOptions)
{
    std::vector<std::string> arguments = {"-nostdin"};
    arguments.insert(arguments.end(), inputOptions.begin(), inputOptions.end());
    arguments.insert(arguments.end(), {"-i", LocalFileUrl(input)});
    arguments.insert(arguments.end(), outputOptions.begin(), outputOptions.end());
    return arguments;
}

// confined false runs FFmpeg unconfined; abi as in ConfinementPlan.
// inputOptions go before the input, as they will in the conversion;
// outputOptions after it, for a pass that reads the source through a filter
// and writes nothing.
SourceReport ReadSourceReport(const std::string& ffmpeg, const std::string& input, bool confined, int abi,
                              const std::vector<std::string>& inputOptions = {},
                              const std::vector<std::string>& outputOptions = {});

} // namespace movarin::encoder
