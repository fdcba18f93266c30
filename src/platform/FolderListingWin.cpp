#include "platform/FolderListing.h"

#include "platform/WinApi.h"

namespace movarin {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileExW(movarin::win::Widen(folder + "*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::string name = movarin::win::Narrow(data.cFileName);
        if (name == "." || name == "..")
            continue;
        EntryKind kind = EntryKind::Other;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::LinkToFolder
                                                                           : EntryKind::Folder;
        const bool hidden = name[0] == '.' ||
                            (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        entries.push_back({name, kind, hidden});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return true;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(movarin::win::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace movarin
