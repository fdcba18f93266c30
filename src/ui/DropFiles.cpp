#include "ui/DropFiles.h"

#include <QCoreApplication>

#include "jobs/VideoFiles.h"
#include "platform/FolderListing.h"
#include "platform/FolderWalk.h"
#include "platform/MessageBoxes.h"

namespace movarin {

DropPlan PlanDrop(const std::vector<std::string>& names, const std::atomic<bool>& stop)
{
    DropPlan plan;
    const auto refuse = [&plan] {
        if (!plan.noticeAt)
            plan.noticeAt = plan.paths.size();
    };
    for (const auto& name : names) {
        if (stop)
            break;
        if (!IsFolder(name)) {
            if (IsVideoFileName(name))
                plan.paths.push_back(name);
            else
                refuse();
            continue;
        }
        auto videos = FilesInFolder(name, IsVideoFileName, stop);
        if (videos.empty())
            refuse();
        plan.paths.insert(plan.paths.end(), std::make_move_iterator(videos.begin()),
                          std::make_move_iterator(videos.end()));
    }
    return plan;
}

void WorkThroughDrop(const DropPlan& plan, IMessageBoxes& boxes,
                     const std::function<void(const std::vector<std::string>&)>& addJobs)
{
    const std::size_t split = plan.noticeAt.value_or(plan.paths.size());
    const auto middle = plan.paths.begin() + std::ptrdiff_t(split);
    if (split > 0)
        addJobs({plan.paths.begin(), middle});
    if (!plan.noticeAt)
        return;
    boxes.Show("情報",
               QCoreApplication::translate("DropFiles", UnsupportedDropText).toStdString(),
               BoxButtons::Ok, BoxIcon::None);
    if (middle != plan.paths.end())
        addJobs({middle, plan.paths.end()});
}

} // namespace movarin
