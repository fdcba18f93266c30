#pragma once
// The order people expect of numbered names: "第2話" before "第10話", digits
// (also full-width ones, common in Japanese names) compared as numbers,
// Latin letters compared without regard to case or width.
#include <string>
#include <string_view>
#include <vector>

namespace movarin {

// Negative, zero or positive as a sorts before, with or after b. Zero only
// for equal texts: names that differ only in case or in leading zeros are
// ordered by their bytes, so the order never depends on where they started.
int NaturalCompare(std::string_view a, std::string_view b);

inline bool NaturalLess(std::string_view a, std::string_view b)
{
    return NaturalCompare(a, b) < 0;
}

void SortNaturally(std::vector<std::string>& texts);

} // namespace movarin
