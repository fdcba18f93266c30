#pragma once
// Which language the interface speaks. Japanese is the source text; English
// is the one translation. Chosen once at start-up, before any window exists.
#include "jobs/ThConvertInfo.h"

#include <QString>
#include <QStringList>


namespace movarin {

enum class InterfaceLanguage { Japanese, English };

// setting: the LANGUAGE of config.ini (Auto leaves the choice to the
// desktop). uiLanguages: the desktop's
// languages, most wanted first (QLocale::system().uiLanguages()). Japanese
// when the first is Japanese, and when the session names no language (the
// C or POSIX locale); English for every other.
InterfaceLanguage ChooseInterfaceLanguage(const QStringList& uiLanguages, LanguageChoice setting);

// The ISO 639-2 code of the language the viewer is given ("jpn", "eng").
const char* ViewerLanguageCode(InterfaceLanguage language);

// The two-letter tag ("ja", "en") that names the language's files.
QString LanguageTag(InterfaceLanguage language);

} // namespace movarin
