#include "platform/FolderListing.h"

#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace movarin {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

EntryKind KindOf(const dirent& entry, const std::string& path)
{
    if (entry.d_type == DT_DIR)
        return EntryKind::Folder;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return EntryKind::Other;
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0)
        return EntryKind::Other;
    if (S_ISDIR(link.st_mode))
        return EntryKind::Folder;
    struct stat target {};
    if (S_ISLNK(link.st_mode) && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return EntryKind::LinkToFolder;
    return EntryKind::Other;
}

} // namespace

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, KindOf(*entry, folder + name), name[0] == '.'});
    }
    return true;
}

bool IsFolder(const std::string& path)
{
    struct stat target {};
    return ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

} // namespace movarin
