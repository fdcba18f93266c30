// The Win32 services of the platform seam under Wine, with Japanese names
// wherever a name is involved: they must survive any system code page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "platform/FilePath.h"
#include "platform/FolderListing.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/Volumes.h"
#include "platform/WinApi.h"

using movarin::FsPath;

namespace {

class Scratch {
public:
    Scratch()
    {
        path_ = (std::filesystem::temp_directory_path()
                 / ("movarin-win-" + std::to_string(::GetCurrentProcessId())))
                    .generic_string()
            + "/設定 フォルダ/";
        std::filesystem::create_directories(FsPath(path_));
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(FsPath(path_).parent_path().parent_path(), ec);
    }
    std::string operator/(const std::string& name) const { return path_ + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

} // namespace

TEST(SingleInstanceWin, TheNamedMutexAdmitsOneHolderAtATime)
{
    EXPECT_EQ(movarin::SingleInstanceLock::DefaultPath(), "MOVARIN_RUNNING");
    auto first = std::make_unique<movarin::SingleInstanceLock>("C:\\test\\lock");
    EXPECT_EQ(first->TryAcquire(), movarin::LockResult::Acquired);
    EXPECT_TRUE(first->Held());
    movarin::SingleInstanceLock second("C:\\test\\lock");
    EXPECT_EQ(second.TryAcquire(), movarin::LockResult::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    first.reset();
    EXPECT_EQ(second.TryAcquire(), movarin::LockResult::Acquired);
}

TEST(ProfileWin, WritesReplaceTheFileAndKeepOtherLinesUnderAJapaneseName)
{
    Scratch dir;
    const std::string file = dir / "設定.ini";
    movarin::Profile::WriteString(file, "CONF", "SAVEDIR", "D:\\ビデオ\\");
    movarin::Profile::WriteString(file, "CONF", "QUALITY", "2");
    movarin::Profile::WriteString(file, "conf", "quality", "3");
    EXPECT_EQ(movarin::Profile::ReadString(file, "CONF", "SAVEDIR", ""), "D:\\ビデオ\\");
    EXPECT_EQ(movarin::Profile::ReadInteger(file, "CONF", "QUALITY", -1), 3);
    std::ifstream in(FsPath(file), std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(content, "[CONF]\nSAVEDIR=D:\\ビデオ\\\nQUALITY=3\n");
    in.close();

    // A read-only file is refused and stays as it was; no temp file is left.
    ::SetFileAttributesW(movarin::win::Widen(file).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(movarin::Profile::WriteString(file, "CONF", "QUALITY", "1"), movarin::Profile::WriteError);
    EXPECT_EQ(movarin::Profile::ReadInteger(file, "CONF", "QUALITY", -1), 3);
    ::SetFileAttributesW(movarin::win::Widen(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::vector<movarin::FolderEntry> entries;
    ASSERT_TRUE(movarin::ListFolder(dir.Path(), entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "設定.ini");

    EXPECT_THROW(movarin::Profile::WriteString(dir / "無い/x.ini", "CONF", "A", "1"), movarin::Profile::WriteError);
}

TEST(FoldersWin, DocumentsFolderAndWorkFolder)
{
    const std::string documents = movarin::DocumentsFolder();
    ASSERT_FALSE(documents.empty());
    EXPECT_TRUE(std::filesystem::is_directory(FsPath(documents)));

    Scratch dir;
    const movarin::WorkFolders folders = movarin::PrepareWorkDir(dir.Path() + "ドキュメント");
    EXPECT_EQ(folders.WorkDir, dir.Path() + "ドキュメント/MOVARIN_VIDEO/");
    EXPECT_FALSE(std::filesystem::exists(FsPath(folders.WorkDir))); // one level only
    std::filesystem::create_directory(FsPath(dir.Path() + "ドキュメント"));
    movarin::PrepareWorkDir(dir.Path() + "ドキュメント");
    EXPECT_TRUE(std::filesystem::is_directory(FsPath(folders.WorkDir)));
}

// The encoder front is found beside the program whatever folder it was started in.
TEST(FoldersWin, ProgramFolderIsTheExecutablesOwnFolder)
{
    int error = -1;
    const std::string folder = movarin::ProgramFolder(error);
    ASSERT_EQ(error, 0);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(std::filesystem::exists(FsPath(folder + "test_platform_win.exe")));

    Scratch elsewhere;
    ASSERT_TRUE(::SetCurrentDirectoryW(movarin::win::Widen(elsewhere.Path()).c_str()));
    ASSERT_EQ(movarin::EnterProgramFolder(), 0);
    EXPECT_TRUE(std::filesystem::exists("test_platform_win.exe"));
}

TEST(FolderListingWin, TellsFoldersFromFiles)
{
    Scratch dir;
    std::filesystem::create_directory(FsPath(dir / "VIDEO_TS"));
    std::ofstream(FsPath(dir / "第1章.VOB")) << "x";
    std::vector<movarin::FolderEntry> entries;
    ASSERT_TRUE(movarin::ListFolder(dir.Path(), entries));
    std::map<std::string, movarin::EntryKind> kinds;
    for (const auto& e : entries)
        kinds[e.name] = e.kind;
    EXPECT_EQ(kinds, (std::map<std::string, movarin::EntryKind>{
                         {"VIDEO_TS", movarin::EntryKind::Folder}, {"第1章.VOB", movarin::EntryKind::Other}}));
    EXPECT_FALSE(movarin::ListFolder(dir / "none/", entries));
}

TEST(VolumesWin, DriveLettersUpToU)
{
    auto table = movarin::CreateSystemVolumeTable();
    const std::vector<movarin::Volume> volumes = table->Volumes();
    bool sawC = false;
    for (const movarin::Volume& v : volumes) {
        ASSERT_EQ(v.root.size(), 3u);
        EXPECT_LE(v.root[0], 'U');
        EXPECT_EQ(v.root.substr(1), ":/");
        if (v.root == "C:/") {
            sawC = true;
            EXPECT_EQ(v.type, movarin::DriveType::Fixed);
            EXPECT_GT(table->TotalSize(v).value_or(0), 0u);
        }
    }
    EXPECT_TRUE(sawC);
}
