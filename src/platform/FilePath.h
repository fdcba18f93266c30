#pragma once
// A path held as UTF-8 text turned into a std::filesystem::path. On Windows a
// path built from narrow text goes through the ANSI code page and loses every
// character outside it; built from UTF-8 it keeps a Japanese name whole.
#include <filesystem>
#include <string>

namespace movarin {

inline std::filesystem::path FsPath(const std::string& utf8)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

} // namespace movarin
