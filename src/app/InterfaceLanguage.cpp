#include "app/InterfaceLanguage.h"

#include "platform/Profile.h"

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

bool SettingIs(std::string_view setting, QLatin1String value)
{
    return QString::fromUtf8(setting.data(), qsizetype(setting.size())).trimmed()
               .compare(value, Qt::CaseInsensitive) == 0;
}

} // namespace

InterfaceLanguage ChooseInterfaceLanguage(const QStringList& uiLanguages, std::string_view setting)
{
    if (SettingIs(setting, QLatin1String("ja")))
        return InterfaceLanguage::Japanese;
    if (SettingIs(setting, QLatin1String("en")))
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

std::string LanguageSetting(const std::string& settingsFile)
{
    return Profile::ReadString(settingsFile, "CONF", "LANGUAGE", "");
}

} // namespace movarin
