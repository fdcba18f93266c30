#pragma once
// The entries of one folder, in the order the file system gives them, each
// told apart as folder, link to a folder (not to be followed: a link back up
// the tree would make a search endless) or anything else.
#include <string>
#include <vector>

namespace movarin {

enum class EntryKind { Folder, LinkToFolder, Other };

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
};

// folder ends with a delimiter. False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

} // namespace movarin
