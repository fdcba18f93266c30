#pragma once
// A temporary file that goes when it is closed, for what a confined child
// says: not a pipe, so however much the child writes, nobody waits for a
// reader, and what is kept of it is bounded when it is read back.
#include "platform/WinApi.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>
#include <string>

namespace movarin::encoder {

class ScratchFile {
public:
    ScratchFile()
    {
        wchar_t folder[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 1];
        if (!::GetTempPathW(MAX_PATH + 1, folder) || !::GetTempFileNameW(folder, L"mvr", 0, name))
            return;
        const HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
        if (fd_ < 0)
            ::CloseHandle(file);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile()
    {
        if (fd_ >= 0)
            _close(fd_); // closes the handle, which deletes the file
    }
    int Fd() const { return fd_; }
    HANDLE Handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(fd_)); }
    // At most limit bytes of what was written, from the start.
    std::string Content(std::size_t limit) const
    {
        const HANDLE file = Handle();
        std::string text;
        if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
            return text;
        char buffer[16384];
        for (DWORD n = 0; text.size() < limit
             && ::ReadFile(file, buffer, DWORD(std::min(sizeof buffer, limit - text.size())), &n, nullptr)
             && n > 0;)
            text.append(buffer, n);
        return text;
    }

private:
    int fd_ = -1;
};

} // namespace movarin::encoder
