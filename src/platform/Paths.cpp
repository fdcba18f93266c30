#include "platform/Paths.h"

namespace movarin {

namespace {
// Index of the first character of the file-name part.
std::size_t NameStart(std::string_view path)
{
    const auto slash = path.rfind(PathDelimiter);
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Index of the extension's dot, or npos when the file-name part has none.
std::size_t ExtStart(std::string_view path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < NameStart(path))
        return std::string_view::npos;
    return dot;
}
} // namespace

std::string ExtractFileName(std::string_view path)
{
    return std::string(path.substr(NameStart(path)));
}

std::string ExtractFileExt(std::string_view path)
{
    const auto dot = ExtStart(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string RemoveFileExt(std::string_view path)
{
    return std::string(path.substr(0, ExtStart(path)));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    return RemoveFileExt(path) + std::string(ext);
}

std::string IncludeTrailingDelimiter(std::string_view path)
{
    std::string result(path);
    if (result.empty() || result.back() != PathDelimiter)
        result += PathDelimiter;
    return result;
}

} // namespace movarin
