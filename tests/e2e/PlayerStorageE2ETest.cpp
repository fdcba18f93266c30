// Player runs onto real exFAT storage, mounted under /media through FUSE over
// a loop device as a desktop mounts a player: names the storage refuses,
// a player too small for the video, a player pulled out mid-run. Needs root (loop devices, FUSE mounts);
// skipped otherwise.
#include "encoder/ChildRun.h"
#include "ui/MainWindowTestSupport.h"

#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "jobs/ThConvertInfo.h"

namespace fs = std::filesystem;
namespace text = movarin::driver_text;

namespace {

int RunTool(const QString& program, const QStringList& args, std::string* out = nullptr)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(120000))
        return -1;
    if (out)
        *out = process.readAllStandardOutput().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

std::string Probe(const std::string& file, const char* stream)
{
    std::string out;
    RunTool("ffprobe", {"-v", "error", "-select_streams", QString(stream) + ":0", "-show_entries",
                    "stream=codec_name,width,height", "-of", "csv=p=0",
                    QString::fromStdString(file)},
        &out);
    return out.substr(0, out.find('\n'));
}

// An exFAT image of the given size on a loop device, mounted below /media.
class ExFatPlayer {
public:
    explicit ExFatPlayer(const std::string& size)
    {
        if (::geteuid() != 0) {
            why = "needs root for loop devices and FUSE mounts";
            return;
        }
        for (const char* tool : {"mkfs.exfat", "mount.exfat-fuse", "losetup"})
            if (QStandardPaths::findExecutable(tool, {"/usr/sbin", "/sbin", "/usr/bin"}).isEmpty()) {
                why = std::string(tool) + " is missing (exfatprogs, exfat-fuse)";
                return;
            }
        if (!fs::exists("/dev/fuse")) {
            why = "no /dev/fuse";
            return;
        }
        image = images.Path() + "/player.img";
        std::string out;
        if (RunTool("truncate", {"-s", QString::fromStdString(size), QString::fromStdString(image)}) ||
            RunTool("mkfs.exfat", {"-b", "4K", "-L", "WALKMAN", QString::fromStdString(image)}) ||
            RunTool("losetup", {"-f", "--show", QString::fromStdString(image)}, &out)) {
            why = "could not make the exFAT image or its loop device";
            return;
        }
        loop = out.substr(0, out.find('\n'));
        char pattern[] = "/media/movarin-e2e-XXXXXX";
        if (!::mkdtemp(pattern)) {
            why = "cannot make a mount point below /media";
            return;
        }
        mountPoint = pattern;
        if (RunTool("mount.exfat-fuse", {QString::fromStdString(loop), QString::fromStdString(mountPoint)})) {
            why = "mount.exfat-fuse failed (no FUSE here?)";
            return;
        }
        mounted = true;
        root = mountPoint + "/";
        fs::create_directories(root + "PICTURE");
        fs::create_directories(root + "VIDEO");
    }
    ~ExFatPlayer()
    {
        if (mounted)
            RunTool("umount", {QString::fromStdString(mountPoint)});
        if (!loop.empty())
            RunTool("losetup", {"-d", QString::fromStdString(loop)});
        if (!mountPoint.empty())
            fs::remove(mountPoint);
    }

    // Ends the file-system daemon, as a pulled cable leaves the mount: every
    // access then fails. False when the daemon was not found.
    bool Pull()
    {
        for (const auto& entry : fs::directory_iterator("/proc")) {
            std::ifstream in(entry.path() / "cmdline", std::ios::binary);
            const std::string cmdline((std::istreambuf_iterator<char>(in)), {});
            const std::string program = cmdline.substr(0, cmdline.find('\0'));
            if (program.ends_with("mount.exfat-fuse") && cmdline.find(mountPoint) != std::string::npos)
                return ::kill(std::stoi(entry.path().filename().string()), SIGKILL) == 0;
        }
        return false;
    }

    std::string why;  // why the player could not be made; empty when it is there
    std::string root;

private:
    TempFolder images;
    std::string image, loop, mountPoint;
    bool mounted = false;
};

class PlayerStorageE2ETest : public ::testing::Test, protected MainWindowFixture {
protected:
    void SetUp() override
    {
        previous_ = fs::current_path();
        fs::current_path(MOVARIN_STAGE_DIR);
        Create();
        window->JobList().OpenDir = false;
        window->Driver().ParallelJobs = 2;
    }
    void TearDown() override
    {
        window.reset();
        fs::current_path(previous_);
    }

    // filters: what follows the test picture, such as noise.
    std::string MakeSource(const std::string& name, const QString& seconds, const QString& filters = {})
    {
        const std::string path = temp / name;
        const QString video = "testsrc=size=320x240:rate=25:duration=" + seconds + filters;
        EXPECT_EQ(RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", video,
                                 "-f", "lavfi", "-i", "sine=duration=" + seconds, "-c:v", "mpeg4",
                                 "-q:v", "2", "-c:a", "mp2", "-shortest",
                                 QString::fromStdString(path)}),
                  0)
            << name;
        return path;
    }

    void RunOnto(const ExFatPlayer& player)
    {
        volumes.Add(player.root, movarin::DriveType::Removable, "WALKMAN");
        window->RefreshJobList();
        Click(window->ImgBtnConvertMovie2Walkman);
        ASSERT_TRUE(PumpUntil([this] { return !window->Busy(); }, 300000));
    }

    fs::path previous_;
};

TEST_F(PlayerStorageE2ETest, NamesWithEveryReservedCharacterArriveWithTheirThumbnailsAndPlay)
{
    ExFatPlayer player("64M");
    if (!player.why.empty())
        GTEST_SKIP() << player.why;
    const std::pair<std::string, std::string> names[] = {
        {"第1話: 始まり?", "第1話： 始まり？"},
        {"「予告」 <1>|2*3", "「予告」 ＜1＞｜2＊3"},
        {"back\\slash \"quoted\"\tTab", "back＼slash ＂quoted＂_Tab"},
    };
    for (const auto& [source, _] : names)
        window->AddJob(MakeSource(source + ".avi", "2"));
    RunOnto(player);

    EXPECT_EQ(Rows(1), std::vector<std::string>(3, "転送完了"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text::Transferred});
    for (const auto& [_, arrived] : names) {
        EXPECT_EQ(Probe(player.root + "VIDEO/" + arrived + ".mp4", "v"), "mpeg4,320,240") << arrived;
        EXPECT_EQ(Probe(player.root + "VIDEO/" + arrived + ".mp4", "a"), "aac") << arrived;
        EXPECT_EQ(Probe(player.root + "VIDEO/" + arrived + ".JPG", "v"), "mjpeg,160,120") << arrived;
    }
}

TEST_F(PlayerStorageE2ETest, PlayerTooSmallForTheVideoKeepsNothingOfItAndSaysWhy)
{
    ExFatPlayer player("2M");
    if (!player.why.empty())
        GTEST_SKIP() << player.why;
    // Noise does not compress: at the highest quality 20 s make about 5 MB.
    window->AddJob(MakeSource("大きい.avi", "20", ",noise=alls=100:allf=t"));
    window->JobList().Quality = 0;
    RunOnto(player);

    EXPECT_EQ(Rows(1), std::vector<std::string>{"変換失敗"});
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{std::string(text::Transferred) + "\n" + text::PlayerFull});
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(player.root + "VIDEO"))
        left.push_back(entry.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(PlayerStorageE2ETest, PlayerPulledOutMidRunEndsTheRunAndNamesWhy)
{
    ExFatPlayer player("64M");
    if (!player.why.empty())
        GTEST_SKIP() << player.why;
    const std::string source = MakeSource("長い.avi", "60");
    for (int i = 0; i < 3; ++i)
        window->AddJob(source);
    volumes.Add(player.root, movarin::DriveType::Removable, "WALKMAN");
    window->RefreshJobList();
    // The lengths are read first, so that every child left afterwards is
    // one of the run's.
    ASSERT_TRUE(PumpUntil([this] {
        for (int i = 0; i < window->JobList().Count(); ++i)
            if (!window->JobList().Items(i)->Length)
                return false;
        return true;
    }, 60000));
    Click(window->ImgBtnConvertMovie2Walkman);
    // Pulled while the first video is being written.
    const std::string writing = player.root + "VIDEO/長い.mp4.movarin-part";
    ASSERT_TRUE(PumpUntil([&] {
        std::error_code ec;
        return fs::file_size(writing, ec) > 0 && !ec;
    }, 60000));
    ASSERT_TRUE(player.Pull());
    const auto pulled = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([this] { return !window->Busy(); }, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - pulled, std::chrono::seconds(5));

    EXPECT_EQ(Rows(1), std::vector<std::string>(3, "変換失敗"));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{std::string(text::Transferred) + "\n" + text::PlayerGone});
    for (const pid_t child : ChildrenOf(::getpid())) {
        if (!IsAlive(child))
            continue;
        std::ifstream in("/proc/" + std::to_string(child) + "/cmdline");
        ADD_FAILURE() << "a child is left: " << std::string(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_TRUE(window->LblSituation->text().isEmpty());
    EXPECT_TRUE(window->ImgBtnConvertMovie2Walkman->isEnabled());
}

} // namespace
