#include "jobs/ThConvertInfo.h"

#include <gtest/gtest.h>

namespace {
std::unique_ptr<ThConvertInfoObject> Job(std::uint8_t state, std::u16string path = u"")
{
    auto job = std::make_unique<ThConvertInfoObject>();
    job->State = state;
    job->SourcePath = std::move(path);
    return job;
}
} // namespace

TEST(StateText, MapsEveryStateAndEmptyBeyond)
{
    EXPECT_EQ(StateText(0), "変換待ち");
    EXPECT_EQ(StateText(1), "変換中");
    EXPECT_EQ(StateText(2), "変換完了");
    EXPECT_EQ(StateText(3), "転送完了");
    EXPECT_EQ(StateText(4), "変換失敗");
    EXPECT_EQ(StateText(5), "");
    EXPECT_EQ(StateText(255), "");
}

TEST(JobList, NewJobAndListStartEmpty)
{
    ThConvertInfoObject job;
    EXPECT_TRUE(job.SourcePath.empty());
    EXPECT_TRUE(job.OutputPath.empty());
    EXPECT_EQ(job.State, csWaiting);

    ThConvertInfoObjectList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Quality, 0);
    EXPECT_EQ(list.Ratio, 0);
    EXPECT_TRUE(list.SaveDir.empty());
    EXPECT_FALSE(list.OpenDir);
    EXPECT_FALSE(list.MusicMode);
    EXPECT_EQ(list.FirstWaiting(), nullptr);
    EXPECT_EQ(list.FirstConverting(), nullptr);
}

TEST(JobList, FirstWaitingAndConvertingWalkUpward)
{
    ThConvertInfoObjectList list;
    EXPECT_EQ(list.Add(Job(csWaiting)), 0);
    EXPECT_EQ(list.Add(Job(csFailed)), 1);
    EXPECT_EQ(list.Add(Job(csWaiting)), 2);

    EXPECT_EQ(list.FirstWaiting(), list.Items(0));
    EXPECT_EQ(list.FirstConverting(), nullptr);
    list.Items(0)->State = csConverting;
    EXPECT_EQ(list.FirstWaiting(), list.Items(2));
    EXPECT_EQ(list.FirstConverting(), list.Items(0));
}

TEST(JobList, DeleteMovesLaterJobsDown)
{
    ThConvertInfoObjectList list;
    list.Add(Job(csWaiting, u"a"));
    list.Add(Job(csWaiting, u"b"));
    list.Add(Job(csWaiting, u"c"));
    list.Delete(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->SourcePath, u"a");
    EXPECT_EQ(list.Items(1)->SourcePath, u"c");
}
