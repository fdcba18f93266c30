#pragma once
// Gathering the files of a folder and its subfolders, as a user who drops a
// folder means it: hidden entries left out, links to folders not followed
// (a link back up the tree would never end), a bounded depth.
#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace movarin {

// Levels of subfolders looked into below the given folder; deeper ones are
// left alone (a season in a series in a collection is three).
inline constexpr int MaxFolderDepth = 16;

// Paths of the files below folder (which ends with a delimiter) whose names
// wanted accepts, in natural order of their paths: each folder's entries
// sorted naturally, a subfolder's files where the subfolder sorts. Folders
// that cannot be read give nothing. Returns early, with what it has, once
// stop is set.
std::vector<std::string> FilesInFolder(const std::string& folder,
                                       const std::function<bool(std::string_view)>& wanted,
                                       const std::atomic<bool>& stop);

} // namespace movarin
