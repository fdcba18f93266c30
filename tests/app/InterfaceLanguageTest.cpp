#include "app/InterfaceLanguage.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

namespace {

using movarin::InterfaceLanguage;

struct LanguageCase {
    const char* what;
    QStringList uiLanguages;  // as QLocale::system().uiLanguages() gives them
    const char* setting;
    InterfaceLanguage expected;
};

void PrintTo(const LanguageCase& c, std::ostream* os)
{
    *os << c.what;
}

class InterfaceLanguageChoice : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(InterfaceLanguageChoice, FollowsFirstLanguageAndSetting)
{
    const LanguageCase& c = GetParam();
    const InterfaceLanguage chosen = movarin::ChooseInterfaceLanguage(c.uiLanguages, c.setting);
    EXPECT_EQ(chosen, c.expected) << c.what;
    EXPECT_STREQ(movarin::ViewerLanguageCode(chosen),
                 c.expected == InterfaceLanguage::Japanese ? "jpn" : "eng") << c.what;
}

constexpr auto Ja = InterfaceLanguage::Japanese;
constexpr auto En = InterfaceLanguage::English;

INSTANTIATE_TEST_SUITE_P(
    Desktops, InterfaceLanguageChoice,
    ::testing::Values(
        LanguageCase{"LANG=ja_JP.UTF-8", {"ja-JP", "ja-Jpan-JP", "ja"}, "", Ja},
        LanguageCase{"bare ja", {"ja"}, "", Ja},
        LanguageCase{"LANG=en_US.UTF-8", {"en-US", "en-Latn-US", "en"}, "", En},
        LanguageCase{"LANG=de_DE.UTF-8", {"de-DE", "de-Latn-DE", "de"}, "", En},
        LanguageCase{"Javanese is not Japanese", {"jv-ID"}, "", En},
        // LANG=C, LC_ALL=C, LANG=POSIX and an unset LANG all read as "C".
        LanguageCase{"C/POSIX locale", {"C"}, "", Ja},
        LanguageCase{"no language at all", {}, "", Ja},
        LanguageCase{"LANGUAGE=ja:en", {"ja", "ja-Jpan-JP", "ja-JP", "en", "en-Latn-US", "en-US"}, "", Ja},
        LanguageCase{"LANGUAGE=en:ja", {"en", "en-Latn-US", "en-US", "ja", "ja-Jpan-JP", "ja-JP"}, "", En},
        LanguageCase{"setting en over Japanese", {"ja-JP"}, "en", En},
        LanguageCase{"setting ja over German", {"de-DE"}, "ja", Ja},
        LanguageCase{"setting en over C", {"C"}, " EN ", En},
        LanguageCase{"setting auto", {"de-DE"}, "auto", En},
        LanguageCase{"unknown setting is auto", {"ja-JP"}, "fr", Ja}));

TEST(InterfaceLanguageSetting, ReadFromConfSectionOfSettingsFile)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath("config.ini").toStdString();
    EXPECT_EQ(movarin::LanguageSetting(file), "");  // no file: auto
    std::ofstream(file) << "[CONF]\r\nQUALITY=0\r\nlanguage=en\r\n";
    EXPECT_EQ(movarin::LanguageSetting(file), "en");
}

} // namespace
