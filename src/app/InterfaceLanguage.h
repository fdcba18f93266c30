#pragma once
// Which language the interface speaks. Japanese is the source text; English
// is the one translation. Chosen once at start-up, before any window exists.
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

namespace movarin {

enum class InterfaceLanguage { Japanese, English };

// setting: the LANGUAGE value of config.ini ("ja", "en"; anything else, also
// none, leaves the choice to the desktop). uiLanguages: the desktop's
// languages, most wanted first (QLocale::system().uiLanguages()). Japanese
// when the first is Japanese, and when the session names no language (the
// C or POSIX locale); English for every other.
InterfaceLanguage ChooseInterfaceLanguage(const QStringList& uiLanguages, std::string_view setting);

// The ISO 639-2 code of the language the viewer is given ("jpn", "eng").
const char* ViewerLanguageCode(InterfaceLanguage language);

// The two-letter tag ("ja", "en") that names the language's files.
QString LanguageTag(InterfaceLanguage language);

// The LANGUAGE value of section CONF in the settings file; empty when absent.
std::string LanguageSetting(const std::string& settingsFile);

} // namespace movarin
