#pragma once
// The libdvdread side of reading a DVD's title set IFO, run inside the
// confined reader (a forked child on Linux, a low-integrity child process on
// Windows): it opens the disc and answers in the reply format that
// ParseDvdReply takes back outside the confinement.
#include <string>

namespace movarin::encoder {

// The reply for title set titleSet of the disc whose VIDEO_TS folder sits in
// disc; empty when the disc or the IFO cannot be read. libdvdread's own
// complaints are kept out of the job's log.
std::string ReadDvdReply(const std::string& disc, int titleSet);

} // namespace movarin::encoder
