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
        entries.push_back({name, kind});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return true;
}

} // namespace movarin
