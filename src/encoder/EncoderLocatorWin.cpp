// The Windows front runs the FFmpeg bundled beside it: there is no system
// FFmpeg to find, and a search along PATH could pick up any program.
#include "encoder/EncoderLocator.h"

#include "platform/WinApi.h"

namespace movarin::encoder {

std::string BundledEncoder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    const std::wstring candidate = path.substr(0, slash + 1) + kBundledEncoder;
    const DWORD attributes = ::GetFileAttributesW(candidate.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return movarin::win::Narrow(candidate);
}

} // namespace movarin::encoder
