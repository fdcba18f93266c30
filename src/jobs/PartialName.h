#pragma once
// The name an output is written under until it is whole. The encoder front
// writes there, the driver renames it to its final name once it has reached
// the medium, so a video the player lists (or a user opens) is never one cut
// short by a crash, a kill or a pulled cable. The suffix makes it a file
// neither the player nor a file manager takes for a video, picture or song,
// and marks it as Movarin's for the clean-up after a run that died. Header
// only: the front links nothing of the program.
#include <string>
#include <string_view>

namespace movarin {

inline constexpr std::string_view PartialSuffix = ".movarin-part";

// The temporary name beside finalName.
inline std::string PartialName(std::string_view finalName)
{
    std::string name(finalName);
    name += PartialSuffix;
    return name;
}

// Whether fileName (a name within a folder, no folder part) is one of
// Movarin's temporary names.
inline bool IsPartialName(std::string_view fileName)
{
    return fileName.size() > PartialSuffix.size() && fileName.ends_with(PartialSuffix);
}

} // namespace movarin
