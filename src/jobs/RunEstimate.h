#pragma once
// How far a whole run has come and how long it still takes, from the
// lengths of all its jobs and the rate measured so far. Pure.
#include <optional>
#include <vector>

namespace movarin {

// One job of the run.
struct RunJob {
    double length = 0;     // seconds of source; 0 or less: unknown
    double converted = 0;  // seconds of source converted so far
    bool ended = false;    // converted or failed: nothing of it is left to do
};

struct RunEstimate {
    double doneShare = 0;    // 0 to 1
    double leftSeconds = 0;  // wall time
};

// The rate is the source converted by all jobs, ended and running, per
// second of the run's wall time; what is left is what the waiting and
// running jobs have still to convert. A job of unknown length counts as the
// mean known length (or as what it has converted, when that is more); a job
// that failed leaves nothing to do. Nothing when no length is known or
// nothing has been converted yet: there is no estimate to give.
std::optional<RunEstimate> EstimateRun(const std::vector<RunJob>& jobs, double wallSeconds);

} // namespace movarin
