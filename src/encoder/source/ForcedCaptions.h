#pragma once
// Whether a subtitle track holds captions marked forced. Burning the forced
// captions of a track means laying its canvas over every frame, which costs
// as much again as converting a DVD's picture; most tracks hold none, so
// FFmpeg first decodes that track alone (demuxing the file, nothing else
// decoded) and says what it kept.
#include "encoder/source/SourceProbe.h"

#include <string>
#include <string_view>
#include <vector>

namespace movarin::encoder {

// The options of that pass: inputOptions (a disc's look-through) before the
// input, then the track decoded with only its forced captions kept, each one
// written as a line of FFmpeg's framecrc to its standard error.
std::vector<std::string> ForcedCaptionsInputOptions(const SourceStream& subtitle, const SourceStream& video,
                                                    const std::vector<std::string>& inputOptions);
std::vector<std::string> ForcedCaptionsOutputOptions(const SourceStream& subtitle);

// The number of framecrc packet lines in the pass's report ("0, 0, 0, 1, 1234, 0x89abcdef").
int CountedCaptions(std::string_view report);

} // namespace movarin::encoder
