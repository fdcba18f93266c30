#pragma once
// Reads a DVD chapter file's title set IFO with libdvdread in a forked child
// of the front, confined as FFmpeg's reading of a source is: it reads the
// disc's VIDEO_TS folder and the system's libraries, writes nothing but a
// short reply the front parses as untrusted. Not built for Windows yet.
#include "encoder/source/DvdTitleInfo.h"

#include <string>

namespace movarin::encoder {

// Empty info for an input that is not <disc>/VIDEO_TS/VTS_nn_m.VOB, and when
// the IFO is missing or damaged, the reader crashes, is not done within ten
// seconds or cannot be confined: no languages known, never a failed job.
// confined false reads unconfined; abi as in ConfinementPlan.
DvdTitleInfo ReadDvdTitleInfo(const std::string& input, bool confined, int abi);

} // namespace movarin::encoder
