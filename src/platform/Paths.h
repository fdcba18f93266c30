#pragma once
// Path text helpers. Every folder path ends with the delimiter, so a file path
// is its folder followed directly by the file name. On Linux the delimiter is
// "/" and ":" is an ordinary file-name character.
#include <string>
#include <string_view>

namespace movarin {

inline constexpr char PathDelimiter = '/';

// Text after the last delimiter; the whole text when there is none.
std::string ExtractFileName(std::string_view path);
// From the last "." of the file-name part, dot included; empty when none.
std::string ExtractFileExt(std::string_view path);
// Replaces the extension, or appends ext when the name has none.
std::string ChangeFileExt(std::string_view path, std::string_view ext);
// The path without its extension (folder part kept).
std::string RemoveFileExt(std::string_view path);
// Adds the delimiter unless the text already ends with one.
std::string IncludeTrailingDelimiter(std::string_view path);

} // namespace movarin
