#include "jobs/OutputPath.h"

#include <QString>

#include <filesystem>
#include <system_error>

#include "platform/FilePath.h"
#include "platform/Paths.h"

namespace movarin {

bool FileExists(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(FsPath(path), ec);
    if (ec || !std::filesystem::exists(status))
        return false;
    if (std::filesystem::is_symlink(status))
        return !std::filesystem::is_directory(std::filesystem::status(FsPath(path), ec));
    return !std::filesystem::is_directory(status);
}

std::string UniqueFileName(const std::string& path)
{
    return UniqueFileName(path, FileExists);
}

std::string UniqueFileName(const std::string& path,
                           const std::function<bool(const std::string&)>& taken)
{
    if (!taken(path))
        return path;
    const std::string base = RemoveFileExt(path);
    const std::string ext = ExtractFileExt(path);
    for (unsigned long long n = 1;; ++n) {
        std::string candidate = base + "(" + std::to_string(n) + ")" + ext;
        if (!taken(candidate))
            return candidate;
    }
}

std::string CaseBlindName(std::string_view path)
{
    return QString::fromUtf8(path.data(), qsizetype(path.size())).toCaseFolded().toStdString();
}

std::string DestinationSafeName(std::string_view name)
{
    std::string safe;
    safe.reserve(name.size());
    for (const char c : name) {
        switch (c) {
        // Full width rather than a blank or "_": the name still reads as the
        // title it was, "第1話： 始まり？" for "第1話: 始まり?".
        case '\\': safe += "＼"; break;
        case ':': safe += "："; break;
        case '*': safe += "＊"; break;
        case '?': safe += "？"; break;
        case '"': safe += "＂"; break;
        case '<': safe += "＜"; break;
        case '>': safe += "＞"; break;
        case '|': safe += "｜"; break;
        default:
            safe += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '_' : c;
        }
    }
    return safe;
}

std::string OutputFilePath(std::string_view source, std::string_view folder, std::string_view ext)
{
    std::string_view sourceName = source;
#ifdef _WIN32
    // A Windows path may still carry its own delimiters; they are no part
    // of the name.
    if (const auto cut = sourceName.find_last_of("\\:"); cut != std::string_view::npos)
        sourceName.remove_prefix(cut + 1);
#endif
    // Linux names may hold what the player's storage refuses; the source
    // keeps its name, only the output is renamed.
    const std::string name = DestinationSafeName(ChangeFileExt(ExtractFileName(sourceName), ext));
    if (folder.empty())
        return name;
    return IncludeTrailingDelimiter(folder) + name;
}

std::string ThumbnailPath(std::string_view output)
{
    return ChangeFileExt(output, ".JPG");
}

} // namespace movarin
