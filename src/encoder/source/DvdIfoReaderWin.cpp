#include "encoder/source/DvdIfoReader.h"

namespace movarin::encoder {

// The Windows front has no libdvdread yet: no languages known.
DvdTitleInfo ReadDvdTitleInfo(const std::string&, bool, int)
{
    return {};
}

} // namespace movarin::encoder
