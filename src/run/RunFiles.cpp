#include "run/RunFiles.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "jobs/OutputPath.h"
#include "jobs/PartialName.h"
#include "platform/FilePath.h"
#include "platform/FolderListing.h"
#include "platform/PlayerDetection.h"

namespace movarin {

bool RemoveFromDisk(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(FsPath(path), ec);
    return !ec;
}

std::vector<std::string> JobFiles(const std::string& output, bool picture, bool video)
{
    std::vector<std::string> files;
    if (video)
        files = {PartialName(output), output};
    if (picture) {
        const std::string thumbnail = ThumbnailPath(output);
        files.insert(files.end(), {PartialName(thumbnail), thumbnail});
    }
    return files;
}

std::vector<WrittenFile> FinishedFiles(const std::string& output, bool picture)
{
    std::vector<WrittenFile> files{{PartialName(output), output}};
    if (picture) {
        const std::string thumbnail = ThumbnailPath(output);
        if (FileExists(PartialName(thumbnail)))
            files.push_back({PartialName(thumbnail), thumbnail});
    }
    return files;
}

void RemoveLeftovers(const std::vector<std::string>& files, const RemoveFileFn& remove)
{
    // The encoder has ended, so nothing holds the files any more: one try
    // each; a medium that went away keeps what it keeps. A final name is
    // there only when a failed flush had renamed it already.
    for (const std::string& file : files)
        if (FileExists(file))
            remove(file);
}

bool DestinationLost(const std::string& folder, int error, bool player, IVolumeTable& volumes)
{
    // A medium that went away: the kernel's words for a device that is gone
    // (a FUSE daemon that ended says ENOTCONN). The folder may still answer
    // from the cache for a moment, so the write's own error counts too.
    const auto gone = [](int e) { return e == ENOTCONN || e == ENODEV || e == EIO || e == ENXIO; };
    if (gone(error))
        return true;
    // An encoder's failure names no error: the player is asked. One that is
    // still listed may be gone all the same, while one that refuses writes
    // (read-only) is not.
    if (player)
        return FindPlayerVideoDir(volumes) != folder || gone(FolderTakesFiles(folder));
    return !folder.empty() && FolderTakesFiles(folder) != 0;
}

void TRunFiles::Begin()
{
    reserved_.clear();
    swept_.clear();
}

std::string TRunFiles::ReserveOutput(const std::string& source, const std::string& folder,
                                     const char* extension)
{
    const std::string output =
        UniqueFileName(OutputFilePath(source, folder, extension), [this](const std::string& name) {
            return reserved_.contains(CaseBlindName(name)) || FileExists(name);
        });
    reserved_.insert(CaseBlindName(output));
    return output;
}

void TRunFiles::SweepPartials(const std::string& folder, const RemoveFileFn& remove)
{
    // A run killed mid-way left its temporary files behind; only this
    // program writes such names, and the single-instance guard says no other
    // run of it writes here now.
    if (folder.empty() || !swept_.insert(folder).second)
        return;
    std::vector<FolderEntry> entries;
    if (!ListFolder(folder, entries))
        return;
    for (const auto& entry : entries)
        if (entry.kind == EntryKind::Other && IsPartialName(entry.name))
            remove(folder + entry.name);
}

} // namespace movarin
