#pragma once
// Working through the names of one drop onto the job list: supported video
// names become jobs, and the first unsupported name of the drop brings up the
// one notice of that drop. No widgets here.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace movarin {

class IMessageBoxes;

inline constexpr const char* UnsupportedDropText =
    "「AVI、FLV、MPG、3GP、VOB」以外のファイルには対応しておりません";

// Whether the name's extension (any case) is .AVI, .FLV, .MPG, .MPEG, .3GP or .VOB.
bool IsSupportedVideoName(std::string_view name);

// Calls addJob for every supported name, in the drop's order; shows the
// notice once, when the first unsupported name is met (the names before it
// are already added, the rest follow after the box is closed).
void WorkThroughDrop(const std::vector<std::string>& names, IMessageBoxes& boxes,
                     const std::function<void(const std::string&)>& addJob);

} // namespace movarin
