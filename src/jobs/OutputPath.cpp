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

std::string OutputFilePath(std::string_view source, std::string_view folder, std::string_view ext)
{
    const std::string name = ChangeFileExt(ExtractFileName(source), ext);
    if (folder.empty())
        return name;
    return IncludeTrailingDelimiter(folder) + name;
}

std::string ThumbnailPath(std::string_view output)
{
    return ChangeFileExt(output, ".JPG");
}

} // namespace movarin
