#pragma once
// Narrow text is the system encoding (UTF-8 on Linux); wide text is UTF-16.
// Job paths are held wide and turned narrow for every file operation and
// command line, so these two functions are the only crossing between them.
#include <string>
#include <string_view>

namespace movarin {

std::u16string ToWide(std::string_view narrow);
std::string ToNarrow(std::u16string_view wide);

} // namespace movarin
