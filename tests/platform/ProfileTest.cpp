#include "platform/Profile.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <csignal>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

namespace Profile = movarin::Profile;
using Profile::ParseInteger;
using Profile::ReadFromText;
using Profile::WriteToText;

namespace {
std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}
} // namespace

TEST(ProfileRead, FindsValuesByTheClassicRules)
{
    const std::string text = "; settings\n"
                             "[Other]\nQUALITY=9\n"
                             "[conf]\n  Quality =  3 \nSAVEDIR=\nQuoted=\"  x \"\nnoequals\n"
                             "[CONF]\r\nRAITO=7\r\nQUALITY=8\r\n";
    struct Case {
        const char *section, *key, *def, *expected;
    };
    const Case cases[] = {
        {"CONF", "QUALITY", "d", "3"},   // names without case, blanks trimmed, first wins
        {"CONF", "RAITO", "d", "7"},     // a repeated section is searched too
        {"CONF", "SAVEDIR", "d", ""},    // present and empty is not missing
        {"CONF", "MISSING", "d", "d"},
        {"CONF", "noequals", "d", "d"},  // a line without '=' is no key
        {"other", "quality", "d", "9"},
        {"CONF", "Quoted", "d", "  x "}, // enclosing quotes keep inner blanks
        {"NONE", "QUALITY", "d", "d"},
        {"settings", "x", "d", "d"},     // a comment is no section
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadFromText(text, c.section, c.key, c.def), c.expected) << c.section << "/" << c.key;

    EXPECT_EQ(ReadFromText("\xEF\xBB\xBF[CONF]\nA=1\n", "CONF", "A", ""), "1");
    // A lone CR ends the last line.
    EXPECT_EQ(ReadFromText("[CONF]\nQUALITY=2\r", "CONF", "QUALITY", ""), "2");
}

TEST(ProfileRead, SeesAtMost2047Characters)
{
    const std::string longAscii(3000, 'a');
    EXPECT_EQ(ReadFromText("[S]\nK=" + longAscii + "\n", "S", "K", ""), std::string(2047, 'a'));
    EXPECT_EQ(ReadFromText("", "S", "K", longAscii).size(), 2047u);

    // 2047 bytes would end inside the 683rd three-byte character.
    std::string japanese;
    for (int i = 0; i < 1000; ++i)
        japanese += "あ";
    const std::string seen = ReadFromText("[S]\nK=" + japanese + "\n", "S", "K", "");
    EXPECT_EQ(seen, japanese.substr(0, 682 * 3));
}

TEST(ProfileWrite, PutsKeysAndSectionsInTheirPlaces)
{
    struct Case {
        const char* before;
        const char* after;
    };
    // Every case writes C=3 into section CONF.
    const Case cases[] = {
        // In place: key spelling, indentation, other lines and CRLF kept.
        {"; c\r\n[conf]\r\n  c = 1 \r\nOTHER=keep\r\n\r\n[Next]\r\nC=1\r\n",
         "; c\r\n[conf]\r\n  c=3\r\nOTHER=keep\r\n\r\n[Next]\r\nC=1\r\n"},
        // After the section's last key, before its trailing comment and blanks.
        {"[CONF]\nA=1\n; note\n\n[Next]\nB=2\n", "[CONF]\nA=1\nC=3\n; note\n\n[Next]\nB=2\n"},
        {"[CONF]\n\n[X]\n", "[CONF]\nC=3\n\n[X]\n"},
        {"[CONF]\nA=1", "[CONF]\nA=1\nC=3"},
        // A new section goes at the end.
        {"[X]\nA=1", "[X]\nA=1\n\n[CONF]\nC=3\n"},
        {"[X]\r\nA=1\r\n\r\n", "[X]\r\nA=1\r\n\r\n[CONF]\r\nC=3\r\n"},
        {"", "[CONF]\nC=3\n"},
        // A last line ending in a lone CR keeps its bytes and reads the same.
        {"[CONF]\nQUALITY=2\r", "[CONF]\nQUALITY=2\r\nC=3\n"},
        {"[X]\nA=1\r", "[X]\nA=1\r\n\n[CONF]\nC=3\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WriteToText(c.before, "CONF", "C", "3"), c.after) << c.before;
}

TEST(ProfileWrite, ValuesReadBackExactly)
{
    for (const std::string value : {"", " lead", "trail ", "\"q\"", "a\"b", "\"", "/a b/ビデオ/"}) {
        const std::string text = WriteToText("[S]\nK=old\n", "S", "K", value);
        EXPECT_EQ(ReadFromText(text, "S", "K", "d"), value) << text;
    }
    // The file has no way to hold a line break: it would inject lines.
    EXPECT_THROW(WriteToText("", "S", "K", "a\nQUALITY=9"), Profile::WriteError);
    EXPECT_THROW(WriteToText("", "S", "K\r", "1"), Profile::WriteError);
}

TEST(ProfileInteger, AcceptsDecimalAndHexForms)
{
    const std::pair<const char*, std::int32_t> good[] = {
        {"0", 0}, {"2", 2}, {"  -1", -1}, {"\t+7", 7}, {"0x2", 2}, {"0X1f", 31},
        {"$2", 2}, {"$fF", 255}, {"x10", 16}, {"X10", 16}, {"258", 258}, {"007", 7},
        {"4294967298", 2}, {"-4294967297", -1}, {"0xFFFFFFFF", -1}, {"$100000002", 2},
    };
    for (const auto& [text, value] : good)
        EXPECT_EQ(ParseInteger(text), value) << text;

    for (const char* text : {"", "   ", "abc", "2abc", "false", "0x", "$", "x", "-", "--1",
                             "- 1", "1 ", "-0x1", "-$1", "1.5", "0x1g", "１"})
        EXPECT_EQ(ParseInteger(text), std::nullopt) << text;
}

class ProfileFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string folder = dir.path().toStdString() + "/";
    std::string file = folder + "config.ini";

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        return names;
    }
};

TEST_F(ProfileFile, FirstWriteCreatesTheFileAndLeavesNoTempFiles)
{
    EXPECT_EQ(Profile::ReadString(file, "S", "K", "d"), "d");
    EXPECT_EQ(Profile::ReadInteger(file, "S", "K", 5), 5);
    EXPECT_TRUE(Entries().empty()) << "reading must not create the file";

    const mode_t old = ::umask(022);
    Profile::WriteString(file, "S", "K", "0x10");
    ::umask(old);
    Profile::WriteString(file, "S", "L", "x");
    EXPECT_EQ(Slurp(file), "[S]\nK=0x10\nL=x\n");
    EXPECT_EQ(Profile::ReadInteger(file, "s", "k", 5), 16);
    EXPECT_EQ(ModeOf(file), 0644u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}

TEST_F(ProfileFile, KeepsTheFilesPermissionsAndFollowsALink)
{
    const std::string real = folder + "real.ini";
    Spit(real, "[S]\nK=1\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, file);

    Profile::WriteString(file, "S", "K", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(Slurp(real), "[S]\nK=2\n");
    EXPECT_EQ(ModeOf(real), 0640u);
}

TEST_F(ProfileFile, RefusesWhatTheSystemWouldRefuse)
{
    // Mode bits, not access(): root may write anything but must not write a
    // read-only file either.
    for (mode_t mode : {0444u, 0464u}) {
        Spit(file, "[S]\nK=1\n");
        ::chmod(file.c_str(), mode);
        EXPECT_THROW(Profile::WriteString(file, "S", "K", "2"), Profile::WriteError) << mode;
        EXPECT_EQ(Slurp(file), "[S]\nK=1\n");
        EXPECT_EQ(ModeOf(file), mode);
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});

    const std::string missing = folder + "no such folder/config.ini";
    EXPECT_THROW(Profile::WriteString(missing, "S", "K", "2"), Profile::WriteError);
    EXPECT_FALSE(std::filesystem::exists(folder + "no such folder"));
}

TEST_F(ProfileFile, AWriteCutShortLeavesTheOldFileWhole)
{
    // A disk that fills up in the middle of the write: the process may write
    // no more than 1 KiB into any file, so the new text cannot be written out.
    const std::string old = "[S]\nK=1\n; " + std::string(4000, 'x') + "\n";
    Spit(file, old);

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool refused = false;
    try {
        Profile::WriteString(file, "S", "K", "2");
    } catch (const Profile::WriteError&) {
        refused = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(refused);
    EXPECT_EQ(Slurp(file), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"config.ini"});
}
