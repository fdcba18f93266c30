#include "platform/Folders.h"

#include "platform/Paths.h"
#include "platform/WinApi.h"

#include <knownfolders.h>
#include <shlobj.h>

namespace movarin {

namespace {
bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(movarin::win::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Paths are held with "/" as Qt holds them; the wide calls take either.
std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)) && path)
        result = movarin::win::Narrow(path);
    ::CoTaskMemFree(path);
    for (char& c : result)
        if (c == '\\')
            c = '/';
    return result;
}
} // namespace

std::string DocumentsFolder()
{
    const std::string documents = KnownFolder(FOLDERID_Documents);
    if (!documents.empty() && IsFolder(documents))
        return documents;
    return KnownFolder(FOLDERID_Profile);
}

WorkFolders PrepareWorkDir(const std::string& documents)
{
    WorkFolders folders;
    folders.DocumentsDir = IncludeTrailingDelimiter(documents);
    const std::string work = folders.DocumentsDir + WorkFolderName;
    if (!IsFolder(work))
        (void)::CreateDirectoryW(movarin::win::Widen(work).c_str(), nullptr); // start-up goes on regardless
    folders.WorkDir = IncludeTrailingDelimiter(work);
    return folders;
}

} // namespace movarin
