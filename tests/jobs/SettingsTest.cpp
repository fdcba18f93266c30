#include "jobs/Settings.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {
class Settings : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string workDir = dir.path().toStdString() + "/";
    std::string file = workDir + "config.ini";

    void Store(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::string Stored() const
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    ThConvertInfoObjectList Loaded(const std::string& text)
    {
        Store(text);
        ThConvertInfoObjectList list;
        LoadSettings(list, workDir);
        return list;
    }
    std::string SaveError(const ThConvertInfoObjectList& list, const std::string& dir)
    {
        try {
            SaveSettings(list, dir);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "(no error)";
    }
};
} // namespace

TEST_F(Settings, WithoutAFileTheDefaultsApplyAndNothingIsCreated)
{
    ThConvertInfoObjectList list;
    list.Quality = 9;
    list.Ratio = 9;
    list.Subtitles = smOff;
    list.Loudness = false;
    list.Language = LanguageChoice::English;
    LoadSettings(list, workDir);
    EXPECT_EQ(list.Quality, 0);
    EXPECT_EQ(list.Ratio, 0);
    EXPECT_EQ(list.SaveDir, workDir);
    EXPECT_TRUE(list.OpenDir);
    EXPECT_EQ(list.Subtitles, smAuto);
    EXPECT_TRUE(list.Loudness);
    EXPECT_EQ(list.Language, LanguageChoice::Auto);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(Settings, IntegersKeepTheirLowEightBits)
{
    const std::pair<const char*, int> quality[] = {
        {"abc", 0}, {"0x2", 2}, {"$2", 2}, {"258", 2}, {"-1", 255}, {"260", 4}, {"", 0}, {"2abc", 0},
    };
    for (const auto& [text, value] : quality)
        EXPECT_EQ(Loaded(std::string("[CONF]\nQUALITY=") + text + "\n").Quality, value) << text;
    EXPECT_EQ(Loaded("[conf]\nraito=2\n").Ratio, 2);

    const std::pair<const char*, bool> openDir[] = {
        {"0", false}, {"2", true}, {"false", true}, {"", true}, {" 0x0", false},
        {"4294967296", true}, {"0x100000000", true}, {"-4294967296", true}, {"0x000000000", false},
    };
    for (const auto& [text, value] : openDir)
        EXPECT_EQ(Loaded(std::string("[CONF]\nOPENDIR=") + text + "\n").OpenDir, value) << text;
}

TEST_F(Settings, LaterKeysTakeTheirOwnValuesAndAnythingElseAsTheDefault)
{
    const std::pair<const char*, std::uint8_t> subtitles[] = {
        {"1", smOff}, {" 0x1", smOff}, {"0", smAuto}, {"2", smAuto}, {"257", smAuto}, {"off", smAuto}, {"", smAuto},
    };
    for (const auto& [text, value] : subtitles)
        EXPECT_EQ(Loaded(std::string("[CONF]\nSUBTITLES=") + text + "\n").Subtitles, value) << text;
    const std::pair<const char*, bool> loudness[] = {{"0", false}, {"1", true}, {"2", true}, {"off", true}, {"", true}};
    for (const auto& [text, value] : loudness)
        EXPECT_EQ(Loaded(std::string("[CONF]\nLOUDNESS=") + text + "\n").Loudness, value) << text;
    const std::pair<const char*, LanguageChoice> language[] = {
        {"ja", LanguageChoice::Japanese}, {" EN ", LanguageChoice::English}, {"\"en\"", LanguageChoice::English},
        {"auto", LanguageChoice::Auto},   {"de", LanguageChoice::Auto},      {"english", LanguageChoice::Auto},
        {"1", LanguageChoice::Auto},      {"", LanguageChoice::Auto},
    };
    for (const auto& [text, value] : language)
        EXPECT_EQ(Loaded(std::string("[CONF]\nlanguage=") + text + "\n").Language, value) << text;
}

TEST_F(Settings, SaveDirIsTakenAsStored)
{
    EXPECT_EQ(Loaded("[CONF]\nSAVEDIR=\n").SaveDir, "");
    EXPECT_EQ(Loaded("[CONF]\nQUALITY=1\n").SaveDir, workDir);
    EXPECT_EQ(Loaded("[CONF]\nSAVEDIR=/home/u/動画\n").SaveDir, "/home/u/動画");
}

TEST_F(Settings, ANewFileGetsTheKeysInOrderAndAnOldOneKeepsItsLines)
{
    ThConvertInfoObjectList list;
    list.Quality = 3;
    list.Ratio = 1;
    list.SaveDir = "/out/ビデオ/";
    list.OpenDir = false;
    list.Subtitles = smOff;
    list.Loudness = false;
    list.Language = LanguageChoice::English;
    SaveSettings(list, workDir);
    EXPECT_EQ(Stored(), "[CONF]\nQUALITY=3\nRAITO=1\nSAVEDIR=/out/ビデオ/\nOPENDIR=0\nSUBTITLES=1\n"
                        "LOUDNESS=0\nLANGUAGE=en\n");

    ThConvertInfoObjectList back;
    LoadSettings(back, workDir);
    EXPECT_EQ(back.Quality, 3);
    EXPECT_EQ(back.Ratio, 1);
    EXPECT_EQ(back.SaveDir, "/out/ビデオ/");
    EXPECT_FALSE(back.OpenDir);
    EXPECT_EQ(back.Subtitles, smOff);
    EXPECT_FALSE(back.Loudness);
    EXPECT_EQ(back.Language, LanguageChoice::English);

    Store("# mine\n[CONF]\nopendir=1\n; note\nSaveDir=/a/\n\n[Other]\nx=1\n");
    SaveSettings(list, workDir);
    EXPECT_EQ(Stored(), "# mine\n[CONF]\nopendir=0\n; note\nSaveDir=/out/ビデオ/\nQUALITY=3\n"
                        "RAITO=1\nSUBTITLES=1\nLOUDNESS=0\nLANGUAGE=en\n\n[Other]\nx=1\n");
}

TEST_F(Settings, ARefusedWriteNamesTheFileAndKeepsEarlierKeys)
{
    ThConvertInfoObjectList list;
    list.Quality = 2;

    Store("[CONF]\nQUALITY=1\n");
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(SaveError(list, workDir), file + " に書き込めません");
    EXPECT_EQ(Stored(), "[CONF]\nQUALITY=1\n");

    const std::string missing = workDir + "gone/";
    EXPECT_EQ(SaveError(list, missing), missing + "config.ini に書き込めません");

    // A folder name with a line break cannot be stored; the keys before it are.
    ::chmod(file.c_str(), 0644);
    std::filesystem::remove(file);
    list.Ratio = 1;
    list.SaveDir = "/a\nQUALITY=0/";
    EXPECT_EQ(SaveError(list, workDir), file + " に書き込めません");
    EXPECT_EQ(Stored(), "[CONF]\nQUALITY=2\nRAITO=1\n");
}
