#include "app/InterfaceLanguage.h"

namespace movarin {

namespace {

bool IsJapanese(const QString& tag)
{
    return tag.compare(QLatin1String("ja"), Qt::CaseInsensitive) == 0
        || tag.startsWith(QLatin1String("ja-"), Qt::CaseInsensitive)
        || tag.startsWith(QLatin1String("ja_"), Qt::CaseInsensitive);
}

// Qt reports the C and POSIX locales (also an unset LANG) as "C".
bool NamesNoLanguage(const QString& tag)
{
    return tag.isEmpty() || tag == QLatin1String("C") || tag == QLatin1String("POSIX");
}

} // namespace

InterfaceLanguage ChooseInterfaceLanguage(const QStringList& uiLanguages, LanguageChoice setting)
{
    if (setting == LanguageChoice::Japanese)
        return InterfaceLanguage::Japanese;
    if (setting == LanguageChoice::English)
        return InterfaceLanguage::English;
    // Only the first counts: a desktop set to English with Japanese as a
    // fallback wants English.
    const QString first = uiLanguages.isEmpty() ? QString() : uiLanguages.first();
    return IsJapanese(first) || NamesNoLanguage(first) ? InterfaceLanguage::Japanese
                                                       : InterfaceLanguage::English;
}

const char* ViewerLanguageCode(InterfaceLanguage language)
{
    return language == InterfaceLanguage::Japanese ? "jpn" : "eng";
}

QString LanguageTag(InterfaceLanguage language)
{
    return language == InterfaceLanguage::Japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

} // namespace movarin
