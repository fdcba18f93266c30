#include "jobs/NextJob.h"

#include <limits>

namespace movarin {

std::optional<std::size_t> NextJob(const std::vector<StartCandidate>& jobs,
                                   const std::set<std::string>& busyDiscs, bool longestFirst)
{
    constexpr double unknown = std::numeric_limits<double>::infinity();
    std::optional<std::size_t> best;
    double bestLength = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const StartCandidate& job = jobs[i];
        if (!job.waiting || (!job.disc.empty() && busyDiscs.contains(job.disc)))
            continue;
        if (!longestFirst)
            return i;
        const double length = job.length > 0 ? job.length : unknown;
        // Strictly longer only: the first of equals keeps its place.
        if (!best || length > bestLength) {
            best = i;
            bestLength = length;
        }
    }
    return best;
}

} // namespace movarin
