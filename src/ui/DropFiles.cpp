#include "ui/DropFiles.h"

#include <array>

#include "platform/MessageBoxes.h"
#include "platform/Paths.h"

namespace movarin {

bool IsSupportedVideoName(std::string_view name)
{
    std::string ext = ExtractFileExt(name);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    static constexpr std::array<std::string_view, 6> supported = {".AVI", ".FLV", ".MPG",
                                                                  ".MPEG", ".3GP", ".VOB"};
    for (const auto s : supported)
        if (ext == s)
            return true;
    return false;
}

void WorkThroughDrop(const std::vector<std::string>& names, IMessageBoxes& boxes,
                     const std::function<void(const std::string&)>& addJob)
{
    bool warned = false;
    for (const auto& name : names) {
        if (IsSupportedVideoName(name)) {
            addJob(name);
        } else if (!warned) {
            boxes.Show("情報", UnsupportedDropText, BoxButtons::Ok, BoxIcon::None);
            warned = true;
        }
    }
}

} // namespace movarin
