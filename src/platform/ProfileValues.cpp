// Typed settings on top of ReadString, which each system implements with its
// own file calls; the rules for numbers are the same everywhere.
#include "platform/Profile.h"

namespace movarin::Profile {

std::int32_t ReadInteger(const std::string& file, std::string_view section,
                         std::string_view key, std::int32_t def)
{
    return ParseInteger(ReadString(file, section, key, {})).value_or(def);
}

bool ReadFlag(const std::string& file, std::string_view section, std::string_view key, bool def)
{
    const auto value = ParseWholeInteger(ReadString(file, section, key, {}));
    return value ? value->nonZero : def;
}

} // namespace movarin::Profile
