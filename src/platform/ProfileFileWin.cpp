// The file side of the profile on Windows: the whole file is read with the
// wide calls, and a write goes to a temp file in the same folder that then
// replaces the file (ReplaceFileW keeps the old file's attributes and
// security; MoveFileExW puts a first file in place).
#include "platform/Profile.h"

#include "platform/WinApi.h"

namespace movarin::Profile {

namespace {

using movarin::win::UniqueHandle;
using movarin::win::Widen;

[[noreturn]] void Fail(const std::string& file, const char* what, DWORD error)
{
    throw WriteError(file + ": " + what + ": " + movarin::win::ErrorText(error));
}

bool ReadAll(const std::wstring& path, std::string& content)
{
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    content.clear();
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        content.append(buffer, got);
    }
}

class TempFile {
public:
    explicit TempFile(std::wstring path) : path_(std::move(path)) {}
    ~TempFile()
    {
        if (!path_.empty())
            ::DeleteFileW(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::wstring& path() const { return path_; }
    void Committed() { path_.clear(); }

private:
    std::wstring path_;
};

} // namespace

std::string ReadString(const std::string& file, std::string_view section,
                       std::string_view key, std::string_view def)
{
    std::string content;
    if (!ReadAll(Widen(file), content))
        content.clear(); // a missing or unreadable file reads as empty
    return ReadFromText(content, section, key, def);
}

void WriteString(const std::string& file, std::string_view section,
                 std::string_view key, std::string_view value)
{
    const std::wstring target = Widen(file);
    std::string content;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            Fail(file, "not a regular file", ERROR_DIRECTORY);
        if (attributes & FILE_ATTRIBUTE_READONLY)
            Fail(file, "open", ERROR_ACCESS_DENIED);
        // Replacing a file we cannot read would lose its other lines.
        if (!ReadAll(target, content))
            Fail(file, "read", ::GetLastError());
    } else if (const DWORD error = ::GetLastError(); error != ERROR_FILE_NOT_FOUND) {
        Fail(file, "open", error);
    }

    const std::string text = WriteToText(content, section, key, value);

    const auto slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
    const std::wstring base = target.substr(slash == std::wstring::npos ? 0 : slash + 1);
    std::wstring tempPath;
    UniqueHandle out;
    for (unsigned attempt = 0; !out.Valid(); ++attempt) {
        tempPath = folder + L"." + base + L".tmp" + std::to_wstring(::GetCurrentProcessId()) + L"-"
            + std::to_wstring(attempt);
        out.Reset(::CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.Valid() && (::GetLastError() != ERROR_FILE_EXISTS || attempt >= 100))
            Fail(file, "create", ::GetLastError());
    }
    TempFile temp(tempPath);

    std::string_view rest = text;
    while (!rest.empty()) {
        DWORD put = 0;
        if (!::WriteFile(out.Get(), rest.data(), DWORD(rest.size()), &put, nullptr))
            Fail(file, "write", ::GetLastError());
        rest.remove_prefix(put);
    }
    if (!::FlushFileBuffers(out.Get()))
        Fail(file, "flush", ::GetLastError());
    out.Reset();

    if (exists) {
        if (!::ReplaceFileW(target.c_str(), temp.path().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                            nullptr, nullptr))
            Fail(file, "replace", ::GetLastError());
    } else if (!::MoveFileExW(temp.path().c_str(), target.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(file, "rename", ::GetLastError());
    }
    temp.Committed();
}

} // namespace movarin::Profile
