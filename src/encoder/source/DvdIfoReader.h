#pragma once
// Reads a DVD chapter file's title set IFO with libdvdread in a child of the
// front, confined as FFmpeg's reading of a source is, which writes nothing but
// a short reply the front parses as untrusted. On Linux a forked child that
// reads the disc's VIDEO_TS folder and the system's libraries alone; on
// Windows the front started again at low integrity in a job of its own.
#include "encoder/source/DvdTitleInfo.h"

#include <string>
#include <vector>

namespace movarin::encoder {

// Empty info for an input that is not <disc>/VIDEO_TS/VTS_nn_m.VOB, and when
// the IFO is missing or damaged, the reader crashes, is not done within ten
// seconds or cannot be confined: no languages known, never a failed job.
// confined false reads unconfined; abi as in ConfinementPlan.
DvdTitleInfo ReadDvdTitleInfo(const std::string& input, bool confined, int abi);

#ifdef _WIN32
// Whether the front was started as the reader (its arguments, program name
// left out), and the reader's work: the reply on standard output, exit code 0.
bool IsDvdReaderCall(const std::vector<std::string>& arguments);
int ServeDvdReader(const std::vector<std::string>& arguments);
#endif

} // namespace movarin::encoder
