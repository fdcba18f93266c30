// Movarin started from folders other than its own finds the encoder front
// beside its executable: the helper goes through the same start-up step and
// command-line text as the program, from a copy laid out like an install.
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Install {
    fs::path root;
    fs::path programDir;  // holds "movarin" and lib/ffmpeg
};

// root/usr lib/movarin/{movarin, lib/ffmpeg}, root/usr/bin/movarin -> ../lib/movarin/movarin
Install LayOut(const fs::path& root, const std::string& privateDir, bool withFront)
{
    Install i{root, root / privateDir};
    fs::create_directories(i.programDir / "lib");
    fs::copy_file(PROGRAM_FOLDER_HELPER, i.programDir / "movarin");
    if (withFront)
        fs::copy_file(ENCODER_FRONT_PATH, i.programDir / "lib" / "ffmpeg");
    fs::create_directories(root / "usr/bin");
    fs::create_symlink(fs::relative(i.programDir / "movarin", root / "usr/bin"), root / "usr/bin/movarin");
    return i;
}

// Runs `command` from `cwd` with root/usr/bin first on PATH, as a terminal would.
QString RunFrom(const fs::path& root, const fs::path& cwd, const QString& command)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PATH", QString::fromStdString((root / "usr/bin").string()) + ":" + env.value("PATH"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(cwd.string()));
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("/bin/sh", {"-c", command});
    EXPECT_TRUE(p.waitForFinished(60000));
    return QString::fromUtf8(p.readAll());
}

} // namespace

TEST(ProgramFolder, FrontFoundFromAnyFolderThroughLinksAndPath)
{
    QTemporaryDir tmp;
    // A folder name with a blank and Japanese text: the link and the folder
    // must be resolved as bytes, not re-split or re-encoded.
    const fs::path root = fs::path(tmp.path().toStdString()) / "インストール 先";
    const Install install = LayOut(root, "usr/lib/movarin", true);
    fs::create_directories(root / "elsewhere");
    fs::create_symlink(root / "usr/bin/movarin", root / "elsewhere/second-link");
    const std::string expectedCwd = "cwd=" + install.programDir.string() + "\n";

    const struct {
        const char* how;
        fs::path cwd;
        QString command;
    } starts[] = {
        {"bare name through PATH, from /", "/", "exec movarin"},
        {"the link's path, from another folder", root / "elsewhere", "exec ../usr/bin/movarin"},
        {"a link to the link", root / "elsewhere", "exec ./second-link"},
        {"the executable itself", root, "exec usr/lib/movarin/movarin"},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.how);
        const QString out = RunFrom(root, s.cwd, s.command);
        EXPECT_TRUE(out.startsWith(QString::fromStdString(expectedCwd))) << out.toStdString();
        EXPECT_TRUE(out.contains("start=0\n")) << out.toStdString();
        // The front ran the installed FFmpeg with the argument it was given.
        EXPECT_TRUE(out.contains("ffmpeg version")) << out.toStdString();
        EXPECT_TRUE(out.contains("exit=0\n")) << out.toStdString();
    }
}

TEST(ProgramFolder, MissingOrNotExecutableFrontStillFailsTheStart)
{
    QTemporaryDir tmp;
    const fs::path root(tmp.path().toStdString());
    const Install install = LayOut(root, "usr/lib/movarin", false);
    // The runner turns a failed start into its "... doesn't exist." box.
    EXPECT_TRUE(RunFrom(root, "/", "exec movarin").contains("start=2\n"));  // ENOENT

    fs::copy_file(ENCODER_FRONT_PATH, install.programDir / "lib" / "ffmpeg");
    fs::permissions(install.programDir / "lib" / "ffmpeg", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_TRUE(RunFrom(root, "/", "exec movarin").contains("start=13\n"));  // EACCES
}
