#include "jobs/VideoFiles.h"

#include <algorithm>

#include "platform/Paths.h"

namespace movarin {

bool IsVideoFileName(std::string_view name)
{
    std::string ext = ExtractFileExt(name);
    if (ext.size() < 2)
        return false;
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return std::find(VideoExtensions.begin(), VideoExtensions.end(),
                     std::string_view(ext).substr(1)) != VideoExtensions.end();
}

std::string VideoFileFilter(std::string_view label)
{
    std::string filter = std::string(label) + " (";
    for (std::size_t i = 0; i < VideoExtensions.size(); ++i)
        filter += (i ? " *." : "*.") + std::string(VideoExtensions[i]);
    return filter + ")";
}

} // namespace movarin
