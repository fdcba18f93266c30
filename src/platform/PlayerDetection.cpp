#include "platform/PlayerDetection.h"

#include "platform/FilePath.h"

#include <filesystem>
#include <system_error>

namespace movarin {

namespace {
bool FolderExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_directory(FsPath(path), ec);
}
} // namespace

bool DiskPresent(IVolumeTable& table, const Volume& volume)
{
    return table.TotalSize(volume).has_value();
}

std::string FindPlayerVideoDir(IVolumeTable& table)
{
    // Each test only after the ones before it passed: the medium is probed
    // on removable drives only, the folders only on drives with a medium.
    for (const auto& volume : ExaminedVolumes(table)) {
        if (volume.type != DriveType::Removable)
            continue;
        if (!DiskPresent(table, volume))
            continue;
        if (!FolderExists(volume.root + "PICTURE"))
            continue;
        if (!FolderExists(volume.root + "VIDEO"))
            continue;
        return volume.root + "VIDEO/";
    }
    return {};
}

} // namespace movarin
