#pragma once
// The name an output is written under until it is whole. The encoder front
// writes there, the driver renames it to its final name once it has reached
// the medium, so a video the player lists (or a user opens) is never one cut
// short by a crash, a kill or a pulled cable. The suffix makes it a file
// neither the player nor a file manager takes for a video, picture or song,
// and marks it as Movarin's for the clean-up after a run that died. Header
// only: the front links nothing of the program, and both must agree on the
// name.
#include <cstdint>
#include <string>
#include <string_view>

namespace movarin {

inline constexpr std::string_view PartialSuffix = ".movarin-part";

namespace partial_name {

// The longest name within a folder the file systems we write to take, in
// their own units: bytes on Linux (ext4, FAT, exFAT, NTFS through the
// kernel), UTF-16 units on Windows.
inline constexpr std::size_t NameLimit = 255;

inline bool IsDelimiter(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

inline bool Continues(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length in bytes of the character that begins at at.
inline std::size_t CharBytes(std::string_view name, std::size_t at)
{
    std::size_t end = at + 1;
    while (end < name.size() && Continues(static_cast<unsigned char>(name[end])))
        ++end;
    return end - at;
}

// What that character takes of the limit.
inline std::size_t CharUnits(std::size_t bytes)
{
#ifdef _WIN32
    return bytes >= 4 ? 2 : 1;  // beyond the BMP: a surrogate pair
#else
    return bytes;
#endif
}

inline std::size_t Units(std::string_view name)
{
    std::size_t units = 0;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t bytes = CharBytes(name, at);
        units += CharUnits(bytes);
        at += bytes;
    }
    return units;
}

// FNV-1a: the same on every system and compiler, which std::hash is not.
inline std::uint32_t Hash(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

} // namespace partial_name

// The temporary name beside finalName (a path or a bare name): its name
// plus the suffix where the folder takes that, else its name cut short at a
// character and told apart from any other name cut the same way by "~" and
// eight hex digits of its whole name, so that it fits wherever the final
// name fits.
inline std::string PartialName(std::string_view finalName)
{
    using namespace partial_name;
    std::size_t nameAt = finalName.size();
    while (nameAt > 0 && !IsDelimiter(finalName[nameAt - 1]))
        --nameAt;
    const std::string_view name = finalName.substr(nameAt);
    std::string partial(finalName);
    if (Units(name) + PartialSuffix.size() <= NameLimit) {
        partial += PartialSuffix;
        return partial;
    }
    constexpr std::size_t TagLength = 9;  // "~" and eight hex digits
    const std::size_t room = NameLimit - PartialSuffix.size() - TagLength;
    std::size_t kept = 0;
    std::size_t units = 0;
    while (kept < name.size()) {
        const std::size_t bytes = CharBytes(name, kept);
        if (units + CharUnits(bytes) > room)
            break;
        units += CharUnits(bytes);
        kept += bytes;
    }
    partial.resize(nameAt + kept);
    static constexpr char Hex[] = "0123456789abcdef";
    const std::uint32_t hash = Hash(name);
    partial += '~';
    for (int shift = 28; shift >= 0; shift -= 4)
        partial += Hex[(hash >> shift) & 0xF];
    partial += PartialSuffix;
    return partial;
}

// Whether fileName (a name within a folder, no folder part) is one of
// Movarin's temporary names, cut short or not.
inline bool IsPartialName(std::string_view fileName)
{
    return fileName.size() > PartialSuffix.size() && fileName.ends_with(PartialSuffix);
}

} // namespace movarin
