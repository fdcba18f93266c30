#include "jobs/RunEstimate.h"

#include <algorithm>

namespace movarin {

std::optional<RunEstimate> EstimateRun(const std::vector<RunJob>& jobs, double wallSeconds)
{
    double knownSum = 0;
    int known = 0;
    double converted = 0;
    for (const RunJob& job : jobs) {
        if (job.length > 0) {
            knownSum += job.length;
            ++known;
        }
        converted += std::max(0.0, job.converted);
    }
    if (known == 0 || !(converted > 0) || !(wallSeconds > 0))
        return std::nullopt;
    const double mean = knownSum / known;

    double total = 0;
    double left = 0;
    for (const RunJob& job : jobs) {
        const double done = std::max(0.0, job.converted);
        const double length = std::max(job.length > 0 ? job.length : mean, done);
        total += length;
        if (!job.ended)
            left += length - done;
    }
    const double rate = converted / wallSeconds;
    return RunEstimate{(total - left) / total, left / rate};
}

} // namespace movarin
