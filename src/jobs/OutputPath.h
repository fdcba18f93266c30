#pragma once
// Where a job's output goes: the source's file name with the new extension in
// the output folder, made unique by a number before the extension.
#include <functional>
#include <string>
#include <string_view>

namespace movarin {

// True when something other than a folder exists at path (a dangling link
// counts: writing through it would create a file elsewhere).
bool FileExists(const std::string& path);

// path itself when no file exists there, otherwise the first of
// base(1)ext, base(2)ext, ... at which no file exists.
std::string UniqueFileName(const std::string& path);

// The same numbering, skipping every name for which taken is true: jobs that
// run side by side have not written their outputs yet when the next name is
// chosen, so the run's own names count as taken too.
std::string UniqueFileName(const std::string& path,
                           const std::function<bool(const std::string&)>& taken);

// The form under which path is one file with every path that differs from it
// only in case. The player's FAT storage and Windows' file systems ignore case:
// "A.mp4" written beside "a.mp4" there is the same file.
std::string CaseBlindName(std::string_view path);

// name with every character that FAT, exFAT and NTFS refuse in a file name
// made acceptable: \ : * ? " < > | become their full-width forms, control
// characters "_". A name that needs nothing comes back byte for byte.
std::string DestinationSafeName(std::string_view name);

// folder + the file-name part of source with its extension changed to ext,
// made a name the destination can hold. A folder without a trailing
// delimiter gets one; an empty folder stays empty (the bare file name).
std::string OutputFilePath(std::string_view source, std::string_view folder, std::string_view ext);

// The thumbnail picture beside an output video.
std::string ThumbnailPath(std::string_view output);

} // namespace movarin
