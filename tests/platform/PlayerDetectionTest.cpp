// Finding the player's VIDEO folder over fake drives in a temp folder.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/FakeVolumeTable.h"
#include "platform/PlayerDetection.h"

using movarin::DriveType;
using movarin::FindPlayerVideoDir;

namespace {

class PlayerDetectionTest : public ::testing::Test {
protected:
    // A drive folder, holding the named folders at its root.
    std::string Drive(const std::string& name, std::initializer_list<const char*> folders)
    {
        const auto root = FakeVolumeTable::MakeRoot(temp.path().toStdString(), name);
        for (const char* folder : folders)
            std::filesystem::create_directory(root + folder);
        return root;
    }

    QTemporaryDir temp;
    FakeVolumeTable table;
};

TEST_F(PlayerDetectionTest, FirstRemovableDriveWithBothFoldersWins)
{
    const auto e = Drive("e", {"PICTURE", "VIDEO"});
    const auto f = Drive("f", {"PICTURE", "VIDEO"});
    table.Add(e, DriveType::Removable);
    table.Add(f, DriveType::Removable);
    EXPECT_EQ(FindPlayerVideoDir(table), e + "VIDEO/");
}

TEST_F(PlayerDetectionTest, PassesOverDrivesThatAreNoPlayer)
{
    table.Add(Drive("fixed", {"PICTURE", "VIDEO"}), DriveType::Fixed);
    table.Add(Drive("net", {"PICTURE", "VIDEO"}), DriveType::Network);
    table.Add(Drive("dvd", {"PICTURE", "VIDEO"}), DriveType::Optical);
    table.Add(Drive("videoonly", {"VIDEO"}), DriveType::Removable);
    table.Add(Drive("pictureonly", {"PICTURE"}), DriveType::Removable);
#ifndef _WIN32
    // Windows names are case-blind: there these folders are the player's.
    table.Add(Drive("lowercase", {"picture", "video"}), DriveType::Removable);
#endif
    table.Add(Drive("cardreader", {"PICTURE", "VIDEO"}), DriveType::Removable, "", false);
    EXPECT_EQ(FindPlayerVideoDir(table), "");

    const auto player = Drive("player", {"PICTURE", "VIDEO"});
    table.Add(player, DriveType::Removable);
    EXPECT_EQ(FindPlayerVideoDir(table), player + "VIDEO/");
}

TEST_F(PlayerDetectionTest, MediumIsProbedOnlyOnRemovableDrives)
{
    table.Add(Drive("fixed", {}), DriveType::Fixed);
    table.Add(Drive("dvd", {}), DriveType::Optical, "", false);
    const auto stick = Drive("stick", {});
    table.Add(stick, DriveType::Removable);
    EXPECT_EQ(FindPlayerVideoDir(table), "");
    EXPECT_EQ(table.sizeQueries, std::vector<std::string>{stick});
}

TEST_F(PlayerDetectionTest, OnlyTheFirst21DrivesAreExamined)
{
    for (int i = 0; i < 21; ++i)
        table.Add(Drive("fixed" + std::to_string(i), {}), DriveType::Fixed);
    const auto late = Drive("late", {"PICTURE", "VIDEO"});
    table.Add(late, DriveType::Removable);
    EXPECT_EQ(FindPlayerVideoDir(table), "");

    // One drive fewer, and the player is the 21st: found.
    table.Remove(table.drives.front().volume.root);
    EXPECT_EQ(FindPlayerVideoDir(table), late + "VIDEO/");
}

TEST_F(PlayerDetectionTest, NothingIsCachedBetweenSearches)
{
    const auto player = Drive("player", {"PICTURE", "VIDEO"});
    table.Add(player, DriveType::Removable);
    EXPECT_EQ(FindPlayerVideoDir(table), player + "VIDEO/");
    table.Find(player)->mediumPresent = false;
    EXPECT_EQ(FindPlayerVideoDir(table), "");
}

TEST(DiskPresentTest, FollowsTheMedium)
{
    FakeVolumeTable table;
    table.Add("/dev/sr0/", DriveType::Optical, "", false);
    table.Add("/media/disc/", DriveType::Optical, "DISC");
    EXPECT_FALSE(movarin::DiskPresent(table, table.drives[0].volume));
    EXPECT_TRUE(movarin::DiskPresent(table, table.drives[1].volume));
}

} // namespace
