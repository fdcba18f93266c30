#pragma once
// The user's documents folder and Movarin's work folder inside it.
#include <string>

namespace movarin {

// Name of the work folder inside the documents folder.
inline constexpr const char* WorkFolderName = "MOVARIN_VIDEO";

struct WorkFolders {
    std::string DocumentsDir; // documents folder with a trailing "/"
    std::string WorkDir;      // DocumentsDir + "MOVARIN_VIDEO/"
};

// The user's documents folder (no trailing delimiter required). When the
// desktop names none, or names one that does not exist, the home folder is
// used: the documents folder itself is never created.
std::string DocumentsFolder();

// Creates documents + "MOVARIN_VIDEO" when it is not a folder (one level
// only; the result is not looked at, so a file of that name or a missing
// documents folder leaves it uncreated without a word) and returns both
// folder paths with trailing delimiters.
WorkFolders PrepareWorkDir(const std::string& documents);

} // namespace movarin
