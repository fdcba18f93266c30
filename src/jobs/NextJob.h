#pragma once
// Which waiting job a run starts when one of its places frees. Pure.
#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace movarin {

// One job of the list as the choice sees it.
struct StartCandidate {
    bool waiting = false;
    double length = 0;  // seconds of source; 0 or less: unknown
    std::string disc;   // root of the optical disc that holds the source, or empty
};

// The index of the job to start, or nothing when none may start now. A job
// whose disc is in busyDiscs waits: two reads on one disc make the drive
// seek between them. With longestFirst the longest known length goes first,
// so that the longest job does not run alone at the end while the other
// places idle; an unknown length counts as longer than any (an unreadable
// source then fails early, not last). Otherwise, and between equals, list
// order.
std::optional<std::size_t> NextJob(const std::vector<StartCandidate>& jobs,
                                   const std::set<std::string>& busyDiscs, bool longestFirst);

} // namespace movarin
