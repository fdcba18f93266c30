// The Linux volume table over recorded mount tables and a sysfs and /dev laid
// out in a temp folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/MountInfo.h"
#include "platform/PlayerDetection.h"
#include "platform/Volumes.h"

using namespace movarin;
namespace fs = std::filesystem;

namespace {

// A desktop with a USB stick, a DVD, network shares, binds and pseudo mounts.
const char* const DesktopMountInfo =
    "22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "23 28 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:2 - sysfs sysfs rw\n"
    "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "30 28 8:1 / /boot/efi rw,relatime shared:3 - vfat /dev/sda1 rw,fmask=0077\n"
    "45 28 0:40 / /run/user/1000 rw,nosuid,nodev,relatime shared:300 - tmpfs tmpfs rw,mode=700\n"
    "310 45 8:17 / /media/taro/MY\\040STICK rw,nosuid,nodev,relatime shared:320 - vfat /dev/sdb1 rw,uid=1000\n"
    "320 28 11:0 / /media/taro/MOVIE_DISC ro,nosuid,nodev,relatime shared:330 - udf /dev/sr0 ro\n"
    "330 28 0:52 / /mnt/share rw,relatime shared:340 - cifs //nas/videos rw,vers=3.1.1\n"
    "331 28 0:53 / /mnt/nfs rw,relatime - nfs4 nas:/export rw,vers=4.2\n"
    "340 28 8:2 /srv/data /data rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "341 28 8:17 / /mnt/stick-again rw,relatime shared:320 master:7 - vfat /dev/sdb1 rw\n"
    "350 28 0:60 / /home/taro/remote rw,nosuid,nodev,relatime - fuse.sshfs taro@host:/home rw\n"
    "360 28 7:0 / /snap/core/1234 ro,nodev,relatime shared:360 - squashfs /dev/loop0 ro\n"
    "361 28 0:70 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw,lowerdir=a\n";

std::vector<std::string> MountPoints(const std::vector<MountEntry>& entries)
{
    std::vector<std::string> points;
    for (const auto& e : entries)
        points.push_back(e.mountPoint);
    return points;
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "movarin-volumes-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void WriteFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(MountInfoTest, UnescapesOctalAndHexEscapes)
{
    EXPECT_EQ(UnescapeMountField("/media/taro/MY\\040STICK"), "/media/taro/MY STICK");
    EXPECT_EQ(UnescapeMountField("/media/taro/MY\\040"), "/media/taro/MY ");  // last in the field
    EXPECT_EQ(UnescapeMountField("a\\011b\\134c"), "a\tb\\c");
    // Incomplete or non-octal escapes stay as they are.
    EXPECT_EQ(UnescapeMountField("end\\04"), "end\\04");
    EXPECT_EQ(UnescapeMountField("x\\089"), "x\\089");

    EXPECT_EQ(UnescapeUdevName("MY\\x20STICK"), "MY STICK");
    EXPECT_EQ(UnescapeUdevName("MY\\x20"), "MY ");
    EXPECT_EQ(UnescapeUdevName("a\\x2fb\\x"), "a/b\\x");
    // UTF-8 bytes of a Japanese label come back whole.
    EXPECT_EQ(UnescapeUdevName("\\xe5\\x8b\\x95\\xe7\\x94\\xbb"), "動画");
}

TEST(MountInfoTest, ParsesFieldsWithAnyNumberOfOptionalFields)
{
    const auto entries = ParseMountInfo(DesktopMountInfo);
    ASSERT_EQ(entries.size(), 14u);

    const auto& stick = entries[5];
    EXPECT_EQ(stick.id, 310);
    EXPECT_EQ(stick.parentId, 45);
    EXPECT_EQ(stick.major, 8u);
    EXPECT_EQ(stick.minor, 17u);
    EXPECT_EQ(stick.root, "/");
    EXPECT_EQ(stick.mountPoint, "/media/taro/MY STICK");
    EXPECT_EQ(stick.fsType, "vfat");
    EXPECT_EQ(stick.source, "/dev/sdb1");

    EXPECT_EQ(entries[8].fsType, "nfs4");          // no optional field
    EXPECT_EQ(entries[10].source, "/dev/sdb1");    // two optional fields
    EXPECT_EQ(entries[9].root, "/srv/data");
}

TEST(MountInfoTest, SkipsMalformedLines)
{
    const auto entries = ParseMountInfo(
        "\n"
        "garbage\n"
        "1 2 8:1 / /a rw - ext4\n"               // source missing
        "x 2 8:1 / /b rw - ext4 /dev/sda1 rw\n"  // id not a number
        "3 2 81 / /c rw - ext4 /dev/sda1 rw\n"   // no major:minor
        "4 2 8:1 / relative rw - ext4 /dev/sda1 rw\n"
        "5 2 8:1 / /good rw - ext4 /dev/sda1 rw");  // last line without newline
    EXPECT_EQ(MountPoints(entries), std::vector<std::string>{"/good"});
}

TEST(MountInfoTest, VisibleMountsLeaveOutPseudoBindsAndHiddenMounts)
{
    const auto visible = VisibleMounts(ParseMountInfo(DesktopMountInfo));
    EXPECT_EQ(MountPoints(visible),
              (std::vector<std::string>{"/", "/boot/efi", "/media/taro/MY STICK", "/media/taro/MOVIE_DISC",
                                        "/mnt/share", "/mnt/nfs", "/home/taro/remote"}));

    // Mounting over a mount point hides the earlier file system there.
    const auto over = VisibleMounts(ParseMountInfo(
        "1 0 8:1 / /mnt/x rw - ext4 /dev/sda1 rw\n"
        "2 0 8:17 / /mnt/x rw - vfat /dev/sdb1 rw\n"));
    ASSERT_EQ(over.size(), 1u);
    EXPECT_EQ(over[0].source, "/dev/sdb1");

    // Only sub-folder mounts of a file system (btrfs subvolumes): the first
    // stands for it.
    const auto subvolumes = VisibleMounts(ParseMountInfo(
        "1 0 0:31 /@rootfs / rw - btrfs /dev/sda2 rw\n"
        "2 1 0:31 /@home /home rw - btrfs /dev/sda2 rw\n"));
    EXPECT_EQ(MountPoints(subvolumes), std::vector<std::string>{"/"});
}

// A sysfs, a /dev and mount points in a temp folder, and a mount table naming them.
class SystemVolumeTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto base = temp.path();
        sources.mountInfo = (base / "mountinfo").string();
        sources.sysfsRoot = (base / "sys").string();
        sources.devRoot = (base / "dev").string();
        stick = (base / "mnt" / "MY STICK").string();
        disc = (base / "mnt" / "DVD_VIDEO").string();
        cardReader = (base / "mnt" / "card").string();
        fs::create_directories(stick);
        fs::create_directories(disc);
        fs::create_directories(cardReader);

        // sdb: a USB disk that calls itself fixed; sdc: a card reader that
        // reports removable media; sda: an internal disk.
        const auto devices = base / "sys" / "devices" / "pci0000:00";
        AddBlockDevice("8:17", devices / "0000:00:14.0" / "usb2" / "2-1" / "2-1:1.0" / "block" / "sdb", "sdb1", "0");
        AddBlockDevice("8:33", devices / "0000:00:1f.2" / "ata3" / "block" / "sdc", "sdc1", "1");
        AddBlockDevice("8:2", devices / "0000:00:1f.2" / "ata1" / "block" / "sda", "sda2", "0");
        AddBlockDevice("11:0", devices / "0000:00:1f.2" / "ata2" / "block" / "sr0", "", "1");
        AddBlockDevice("7:0", base / "sys" / "devices" / "virtual" / "block" / "loop0", "", "0");

        for (const char* name : {"sda2", "sdb1", "sdc1", "sr0", "sr1", "srx", "sr"})
            WriteFile(base / "dev" / name, "");
        fs::create_directories(base / "dev" / "disk" / "by-label");
        fs::create_symlink("../../sdb1", base / "dev" / "disk" / "by-label" / "MY\\x20STICK");

        mountInfo = "28 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                    "310 28 8:17 / " + Escaped(stick) + " rw - vfat /dev/sdb1 rw\n"
                    "311 28 8:33 / " + Escaped(cardReader) + " rw - exfat /dev/sdc1 rw\n"
                    "320 28 11:0 / " + Escaped(disc) + " ro - udf /dev/sr0 ro\n"
                    "330 28 0:52 / /mnt/share rw - cifs //nas/videos rw\n"
                    "340 28 0:60 / /media/taro/OLDCAM rw - fuseblk /dev/sdd1 rw\n"
                    "350 28 7:0 / /mnt/iso ro - iso9660 /dev/loop0 ro\n";
        WriteFile(sources.mountInfo, mountInfo);
        table = CreateSystemVolumeTable(sources);
    }

    // A block device folder (a partition inside its disk's folder when
    // partition is named) and the sysfs dev/block link to it.
    void AddBlockDevice(const std::string& id, const fs::path& disk, const std::string& partition,
                        const std::string& removable)
    {
        WriteFile(disk / "removable", removable + "\n");
        fs::path device = disk;
        if (!partition.empty()) {
            device = disk / partition;
            WriteFile(device / "partition", "1\n");
        }
        fs::create_directories(temp.path() / "sys" / "dev" / "block");
        fs::create_directory_symlink(device, temp.path() / "sys" / "dev" / "block" / id);
    }

    static std::string Escaped(const std::string& path)
    {
        std::string out;
        for (char c : path)
            out += c == ' ' ? std::string("\\040") : std::string(1, c);
        return out;
    }

    const Volume* Find(const std::vector<Volume>& volumes, const std::string& root)
    {
        for (const auto& v : volumes)
            if (v.root == root)
                return &v;
        return nullptr;
    }

    TempDir temp;
    VolumeSources sources;
    std::string stick, disc, cardReader, mountInfo;
    std::unique_ptr<IVolumeTable> table;
};

TEST_F(SystemVolumeTableTest, ClassifiesVolumesInMountPointOrder)
{
    const auto volumes = table->Volumes();
    std::vector<std::string> roots;
    for (const auto& v : volumes)
        roots.push_back(v.root);
    EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end()));
    ASSERT_EQ(volumes.size(), 8u);  // 7 mounts and the empty drive sr1

    const auto* root = Find(volumes, "/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->type, DriveType::Fixed);
    EXPECT_EQ(root->device, "/dev/sda2");

    const auto* usb = Find(volumes, stick + "/");
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->type, DriveType::Removable);
    EXPECT_EQ(usb->device, "/dev/sdb1");
    EXPECT_EQ(Find(volumes, cardReader + "/")->type, DriveType::Removable);
    EXPECT_EQ(Find(volumes, disc + "/")->type, DriveType::Optical);
    EXPECT_EQ(Find(volumes, "/mnt/iso/")->type, DriveType::Optical);  // a disc image
    EXPECT_EQ(Find(volumes, "/mnt/share/")->type, DriveType::Network);
    EXPECT_EQ(Find(volumes, "/mnt/share/")->device, "");
    // Desktops mount removable media below /media even when sysfs knows nothing.
    EXPECT_EQ(Find(volumes, "/media/taro/OLDCAM/")->type, DriveType::Removable);

    // The drive without a disc is listed once; the one with a disc only at its mount point.
    const auto* empty = Find(volumes, "/dev/sr1/");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->type, DriveType::Optical);
    EXPECT_EQ(empty->device, "/dev/sr1");
    EXPECT_FALSE(Find(volumes, "/dev/sr0/"));
}

TEST_F(SystemVolumeTableTest, LabelsAndMediumFollowTheMountTable)
{
    const auto volumes = table->Volumes();
    const Volume usb = *Find(volumes, stick + "/");
    const Volume dvd = *Find(volumes, disc + "/");
    const Volume empty = *Find(volumes, "/dev/sr1/");

    EXPECT_EQ(table->VolumeLabel(usb), "MY STICK");   // from /dev/disk/by-label
    EXPECT_EQ(table->VolumeLabel(dvd), "DVD_VIDEO");  // the mount point's name
    EXPECT_EQ(table->VolumeLabel(empty), "");

    EXPECT_TRUE(DiskPresent(*table, usb));
    EXPECT_TRUE(table->TotalSize(usb).value_or(0) > 0);
    EXPECT_FALSE(DiskPresent(*table, empty));

    // The stick is unmounted; its folder stays behind and must not count as
    // the stick, nor give the size of the disk it sits on.
    std::string without = mountInfo;
    without.erase(without.find("310 28"), without.find("311 28") - without.find("310 28"));
    WriteFile(sources.mountInfo, without);
    EXPECT_FALSE(DiskPresent(*table, usb));
    EXPECT_EQ(table->VolumeLabel(usb), "");
    EXPECT_FALSE(Find(table->Volumes(), stick + "/"));
}

TEST_F(SystemVolumeTableTest, MissingSourcesGiveAnEmptyTable)
{
    VolumeSources nowhere{(temp.path() / "none").string(), (temp.path() / "none").string(),
                          (temp.path() / "none").string()};
    auto empty = CreateSystemVolumeTable(nowhere);
    EXPECT_TRUE(empty->Volumes().empty());
    EXPECT_FALSE(empty->TotalSize({"/", "/dev/sda2", DriveType::Fixed}).has_value());
}
