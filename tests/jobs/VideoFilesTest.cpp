// What counts as a video file, and the natural order the added files take.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "jobs/VideoFiles.h"
#include "platform/NaturalOrder.h"

namespace {

TEST(VideoFiles, ExtensionsInAnyCase)
{
    for (const char* name : {"a.avi", "b.FLV", "c.Mpg", "d.mpeg", "e.3GP", "f.mp4", "g.M4V", "h.mov",
                             "i.MKV", "j.webm", "k.wmv", "l.asf", "m.TS", "n.m2ts", "o.MTS",
                             "p.vob", "q.ogv", "r.DivX", "/dir.txt/第1話.mp4", "x.srt.mkv"})
        EXPECT_TRUE(movarin::IsVideoFileName(name)) << name;
    for (const char* name : {"a.srt", "b.jpg", "notes.txt", "noext", "mp4", "a.", "a.mp4.part",
                             "/dir.mp4/noext", "a.mp 4", "a.mp4 ", "a.tsx"})
        EXPECT_FALSE(movarin::IsVideoFileName(name)) << name;
}

TEST(NaturalOrder, NumbersByValueLettersWithoutCaseOrWidth)
{
    // Each row: the first sorts strictly before the second.
    const std::pair<const char*, const char*> before[] = {
        {"第2話.mp4", "第10話.mp4"},
        {"第１話.mp4", "第2話.mp4"},        // full-width digits are numbers too
        {"第９話.mp4", "第10話.mp4"},
        {"Episode 9.mkv", "episode 10.mkv"},
        {"ＡＢＣ 2", "abc 10"},             // full-width letters fold like narrow ones
        {"x1y2", "x1y10"},
        {"a.mp4", "a1.mp4"},
        {"a9", "ab"},
        {"ep01", "ep2"},
        {"99999999999999999999", "100000000000000000000"},  // longer than any integer
        {"/s/第3話/a", "/s/第12話/a"},
        {"A.mp4", "a.mp4"},                 // equal but for case: by bytes, never equal
        {"ep01", "ep1"},                    // equal but for zeros: by bytes
    };
    for (const auto& [a, b] : before) {
        EXPECT_LT(movarin::NaturalCompare(a, b), 0) << a << " < " << b;
        EXPECT_GT(movarin::NaturalCompare(b, a), 0) << b << " > " << a;
    }
    EXPECT_EQ(movarin::NaturalCompare("第1話", "第1話"), 0);

    // Sorting is the same from any start, broken UTF-8 included.
    std::vector<std::string> names = {"第10話.mkv", "第1話.mp4", "第2話.mp4", "第１１話.mp4",
                                      "第12話.MP4", "OP.mp4", "op.mp4", "\xff\xfe.mp4", "第3話.mp4"};
    std::vector<std::string> expected = {"OP.mp4", "op.mp4", "第1話.mp4", "第2話.mp4", "第3話.mp4",
                                         "第10話.mkv", "第１１話.mp4", "第12話.MP4", "\xff\xfe.mp4"};
    std::mt19937 random(21);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        movarin::SortNaturally(names);
        EXPECT_EQ(names, expected);
    }
}

} // namespace
