#pragma once
// The entries of one folder, in the order the file system gives them, each
// told apart as folder, link to a folder (not to be followed: a link back up
// the tree would make a search endless) or anything else, and whether the
// system hides it from its user.
#include <string>
#include <vector>

namespace movarin {

enum class EntryKind { Folder, LinkToFolder, Other };

struct FolderEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
    bool hidden = false;  // a dot name; on Windows also the hidden or system attribute
};

// folder ends with a delimiter. False when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// Whether path names a folder, or a link to one.
bool IsFolder(const std::string& path);

} // namespace movarin
