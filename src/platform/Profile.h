#pragma once
// The settings file: a small INI (profile) reader and writer with the
// classic profile behaviour. Section and key names match without regard to
// case; a write changes one key line and keeps every other line byte for
// byte; a new key goes after the last key line of its section, a new section
// at the end of the file; the first write creates the file. Each write
// replaces the file atomically, so a crash never leaves half a file.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace movarin::Profile {

// A stored value is read through a buffer of 2048 characters.
inline constexpr std::size_t MaxValueLength = 2047;

// Thrown by WriteString for every write that is refused.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The value of key in section, or def when the file, section or key is
// missing. A missing or unreadable file reads as empty. Blanks around the
// value and one pair of enclosing double quotes are removed; at most
// MaxValueLength bytes are returned (never half a UTF-8 character).
std::string ReadString(const std::string& file, std::string_view section,
                       std::string_view key, std::string_view def);

// Writes key=value into section. Throws WriteError when the file cannot be
// written: its folder is missing or not writable, the file is read-only (also
// for root: a file without write bits is refused), it cannot be read back, or
// a name or the value holds a line break (the file could not hold it).
void WriteString(const std::string& file, std::string_view section,
                 std::string_view key, std::string_view value);

// The integer rule: optional blanks, then a decimal number with an optional
// sign, or a hexadecimal number after "$", "x", "X", "0x" or "0X". Nothing
// may follow the digits ("2abc" is no integer). Values wrap to 32 bits.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// An integer by the same rule with what the wrap loses: a setting that is a
// flag must see 4294967296 as not zero.
struct Integer {
    std::int32_t low32 = 0;
    bool nonZero = false;
};
std::optional<Integer> ParseWholeInteger(std::string_view text);

// ParseInteger of the stored value; def when it is missing or no integer.
std::int32_t ReadInteger(const std::string& file, std::string_view section,
                         std::string_view key, std::int32_t def);

// True when the stored integer is not zero; def when it is missing or no integer.
bool ReadFlag(const std::string& file, std::string_view section, std::string_view key, bool def);

// The same rules on the file's text, for callers that hold it already.
std::string ReadFromText(std::string_view content, std::string_view section,
                         std::string_view key, std::string_view def);
// content with key=value written into section (throws WriteError on a line
// break in a name or the value).
std::string WriteToText(std::string_view content, std::string_view section,
                        std::string_view key, std::string_view value);

} // namespace movarin::Profile
