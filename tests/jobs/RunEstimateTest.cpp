#include "jobs/RunEstimate.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using movarin::EstimateRun;
using movarin::RunJob;

TEST(RunEstimate, FromTheLengthsOfAllJobsAndTheRateSoFar)
{
    struct Case {
        const char* what;
        std::vector<RunJob> jobs;  // length, converted, ended
        double wall;
        std::optional<double> share, left;  // nothing: no estimate
    };
    const Case cases[] = {
        {"no length known", {{0, 50, false}, {0, 0, false}}, 10, {}, {}},
        {"nothing converted yet", {{100, 0, false}, {50, 0, false}}, 10, {}, {}},
        // 5 s of source a second; 150 s of source left.
        {"one halfway, one waiting", {{100, 50, false}, {100, 0, false}}, 10, 0.25, 30},
        {"two side by side", {{100, 30, false}, {100, 20, false}, {100, 0, false}}, 10, 50 / 300.0,
         50},
        // The unknown one counts as the mean, 200.
        {"unknown length", {{100, 50, false}, {0, 0, false}, {300, 0, false}}, 10, 50 / 600.0,
         110},
        // What an unknown job converted beyond the mean is no more to do.
        {"unknown beyond the mean", {{10, 10, true}, {0, 30, false}}, 10, 1.0, 0},
        {"a job done", {{100, 100, true}, {100, 0, false}}, 20, 0.5, 20},
        // The failed job's 80 s are not done but no longer to do either.
        {"a job failed", {{100, 20, true}, {100, 30, false}}, 10, 130 / 200.0, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto estimate = EstimateRun(c.jobs, c.wall);
        ASSERT_EQ(estimate.has_value(), c.share.has_value());
        if (!estimate)
            continue;
        EXPECT_NEAR(estimate->doneShare, *c.share, 1e-9);
        EXPECT_NEAR(estimate->leftSeconds, *c.left, 1e-9);
    }
}
