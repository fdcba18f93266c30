#pragma once
// The measuring pass before a conversion with sound, where the reading of the
// source did not measure it already: FFmpeg on the chosen audio of the input alone, confined as the reading of the source is (it
// reads the input and writes nothing), and the gain it calls for put into
// the line (Loudness.h).
#include "encoder/ArgumentTranslator.h"
#include "encoder/source/Loudness.h"

#include <string>

namespace movarin::encoder {

// Whether the front levels loudness, from MOVARIN_LOUDNESS: "off" turns it
// off; absent or anything else leaves it on.
bool LoudnessWanted(const char* setting);

// When the line writes sound, unless wanted is false, takes the loudness of
// audioStream (a -map specifier; empty takes the stream FFmpeg takes for
// the conversion) as measured when the source was read, or measures it now
// when measured is null, and puts the levelling into translation. summary
// gets the log line's piece ("loudness -36.5 -> -16.0 LUFS"), empty for a
// line without sound. Returns 0, or the exit code to end with when the run
// was stopped during a pass.
int LevelLoudness(Translation& translation, const std::string& ffmpeg, bool confined, int abi, bool wanted,
                  const std::string& audioStream, const LoudnessMeasurement* measured, std::string& summary);

} // namespace movarin::encoder
