#include "app/InterfaceLanguage.h"

#include <gtest/gtest.h>

namespace {

using movarin::InterfaceLanguage;

struct LanguageCase {
    const char* what;
    QStringList uiLanguages;  // as QLocale::system().uiLanguages() gives them
    LanguageChoice setting;
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
constexpr auto Auto = LanguageChoice::Auto;

INSTANTIATE_TEST_SUITE_P(
    Desktops, InterfaceLanguageChoice,
    ::testing::Values(
        LanguageCase{"LANG=ja_JP.UTF-8", {"ja-JP", "ja-Jpan-JP", "ja"}, Auto, Ja},
        LanguageCase{"bare ja", {"ja"}, Auto, Ja},
        LanguageCase{"LANG=en_US.UTF-8", {"en-US", "en-Latn-US", "en"}, Auto, En},
        LanguageCase{"LANG=de_DE.UTF-8", {"de-DE", "de-Latn-DE", "de"}, Auto, En},
        LanguageCase{"Javanese is not Japanese", {"jv-ID"}, Auto, En},
        // LANG=C, LC_ALL=C, LANG=POSIX and an unset LANG all read as "C".
        LanguageCase{"C/POSIX locale", {"C"}, Auto, Ja},
        LanguageCase{"no language at all", {}, Auto, Ja},
        LanguageCase{"LANGUAGE=ja:en", {"ja", "ja-Jpan-JP", "ja-JP", "en", "en-Latn-US", "en-US"}, Auto, Ja},
        LanguageCase{"LANGUAGE=en:ja", {"en", "en-Latn-US", "en-US", "ja", "ja-Jpan-JP", "ja-JP"}, Auto, En},
        LanguageCase{"setting en over Japanese", {"ja-JP"}, LanguageChoice::English, En},
        LanguageCase{"setting ja over German", {"de-DE"}, LanguageChoice::Japanese, Ja},
        LanguageCase{"setting en over C", {"C"}, LanguageChoice::English, En},
        LanguageCase{"setting auto", {"de-DE"}, Auto, En}));

} // namespace
