#include "platform/FolderWalk.h"

#include <algorithm>

#include "platform/FolderListing.h"
#include "platform/NaturalOrder.h"
#include "platform/Paths.h"

namespace movarin {

namespace {

void Walk(const std::string& folder, int depth,
          const std::function<bool(std::string_view)>& wanted, const std::atomic<bool>& stop,
          std::vector<std::string>& found)
{
    std::vector<FolderEntry> entries;
    if (stop || !ListFolder(folder, entries))
        return;
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return NaturalLess(a.name, b.name);
    });
    for (const FolderEntry& entry : entries) {
        if (stop)
            return;
        if (entry.hidden || entry.kind == EntryKind::LinkToFolder)
            continue;
        if (entry.kind == EntryKind::Folder) {
            if (depth < MaxFolderDepth)
                Walk(folder + entry.name + PathDelimiter, depth + 1, wanted, stop, found);
        } else if (wanted(entry.name)) {
            found.push_back(folder + entry.name);
        }
    }
}

} // namespace

std::vector<std::string> FilesInFolder(const std::string& folder,
                                       const std::function<bool(std::string_view)>& wanted,
                                       const std::atomic<bool>& stop)
{
    std::vector<std::string> found;
    Walk(IncludeTrailingDelimiter(folder), 0, wanted, stop, found);
    return found;
}

} // namespace movarin
