#pragma once
// Working through the names of one drop onto the job list: video files and
// the videos inside dropped folders become jobs; an unsupported file, or a
// folder without any video, brings up the one notice of that drop. No
// widgets here.
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Translatable.h"

namespace movarin {

class IMessageBoxes;

inline constexpr const char* UnsupportedDropText = QT_TRANSLATE_NOOP(
    "DropFiles", "「AVI、MP4、MOV、MKV、WMV、FLV、MPG、TS、VOB、3GP」など動画ファイル以外には対応しておりません");

// What one drop adds, worked out before anything is added.
struct DropPlan {
    std::vector<std::string> paths;       // one job each, in this order
    std::optional<std::size_t> noticeAt;  // the notice comes before paths[noticeAt]
    std::exception_ptr failure;           // set when working it out failed
};

// Reads the file system (dropped folders are walked), so it belongs on a
// worker. Dropped files keep the drop's order; a folder's videos come at its
// place, in natural order, and its other files (subtitles, pictures) are
// skipped without a notice. A dropped name that is no folder is judged by its
// extension alone, as the drop names it. Stops early once stop is set.
DropPlan PlanDrop(const std::vector<std::string>& names, const std::atomic<bool>& stop);

// Calls addJobs with the paths before the notice, shows the notice, then
// calls it with the rest; addJobs is not called with an empty list.
void WorkThroughDrop(const DropPlan& plan, IMessageBoxes& boxes,
                     const std::function<void(const std::vector<std::string>&)>& addJobs);

} // namespace movarin
