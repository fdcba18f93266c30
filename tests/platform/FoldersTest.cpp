#include "platform/Folders.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using movarin::PrepareWorkDir;

TEST(PrepareWorkDir, CreatesTheWorkFolderOnceAndNeverTheDocumentsFolder)
{
    QTemporaryDir dir;
    const std::string docs = dir.path().toStdString();

    const auto folders = PrepareWorkDir(docs);
    EXPECT_EQ(folders.DocumentsDir, docs + "/");
    EXPECT_EQ(folders.WorkDir, docs + "/MOVARIN_VIDEO/");
    EXPECT_TRUE(fs::is_directory(docs + "/MOVARIN_VIDEO"));

    // An existing folder is left as it is, and a trailing delimiter is not doubled.
    std::ofstream(docs + "/MOVARIN_VIDEO/config.ini") << "[CONF]\n";
    const auto again = PrepareWorkDir(docs + "/");
    EXPECT_EQ(again.WorkDir, docs + "/MOVARIN_VIDEO/");
    EXPECT_TRUE(fs::exists(docs + "/MOVARIN_VIDEO/config.ini"));

    // One level only: a missing documents folder stays missing.
    const auto missing = PrepareWorkDir(docs + "/gone");
    EXPECT_EQ(missing.WorkDir, docs + "/gone/MOVARIN_VIDEO/");
    EXPECT_FALSE(fs::exists(docs + "/gone"));
}

TEST(PrepareWorkDir, AFileOfTheSameNameBlocksItSilently)
{
    QTemporaryDir dir;
    const std::string docs = dir.path().toStdString();
    std::ofstream(docs + "/MOVARIN_VIDEO") << "not a folder";

    const auto folders = PrepareWorkDir(docs);
    EXPECT_EQ(folders.WorkDir, docs + "/MOVARIN_VIDEO/");
    EXPECT_TRUE(fs::is_regular_file(docs + "/MOVARIN_VIDEO"));
}

TEST(DocumentsFolder, FallsBackToHomeWhenTheDesktopHasNone)
{
    QTemporaryDir dir;
    const std::string home = dir.path().toStdString();
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string savedConfigText = savedConfig ? savedConfig : "";
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);

    const std::string without = movarin::DocumentsFolder();
    fs::create_directory(home + "/Documents");
    const std::string with = movarin::DocumentsFolder();

    ::setenv("HOME", savedHome.c_str(), 1);
    if (savedConfig)
        ::setenv("XDG_CONFIG_HOME", savedConfigText.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(without, home);
    EXPECT_EQ(with, home + "/Documents");
}
