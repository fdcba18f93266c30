#include "jobs/Settings.h"

#include "run/RunTexts.h"

#include "platform/Profile.h"

#include <algorithm>
#include <stdexcept>

namespace Profile = movarin::Profile;

namespace {
constexpr const char* kSection = "CONF";

const char* LanguageText(LanguageChoice language)
{
    switch (language) {
    case LanguageChoice::Japanese: return "ja";
    case LanguageChoice::English: return "en";
    case LanguageChoice::Auto: break;
    }
    return "auto";
}
} // namespace

std::string SettingsFilePath(const std::string& workDir)
{
    return workDir + "config.ini";
}

void LoadSettings(ThConvertInfoObjectList& list, const std::string& workDir)
{
    const std::string file = SettingsFilePath(workDir);
    // No range check: only the low eight bits are kept.
    list.Quality = static_cast<std::uint8_t>(Profile::ReadInteger(file, kSection, "QUALITY", 0));
    list.Ratio = static_cast<std::uint8_t>(Profile::ReadInteger(file, kSection, "RAITO", 0));
    list.SaveDir = Profile::ReadString(file, kSection, "SAVEDIR", workDir);
    list.OpenDir = Profile::ReadFlag(file, kSection, "OPENDIR", true);
    // Unlike the quality, a value of its own or the default: a stray number
    // must not switch subtitles off.
    list.Subtitles = Profile::ReadInteger(file, kSection, "SUBTITLES", smAuto) == smOff ? smOff : smAuto;
    list.Loudness = Profile::ReadFlag(file, kSection, "LOUDNESS", true);
    list.Language = ReadLanguageSetting(workDir);
}

LanguageChoice ReadLanguageSetting(const std::string& workDir)
{
    std::string text = Profile::ReadString(SettingsFilePath(workDir), kSection, "LANGUAGE", "auto");
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    for (LanguageChoice language : {LanguageChoice::Japanese, LanguageChoice::English})
        if (text == LanguageText(language))
            return language;
    return LanguageChoice::Auto;
}

void SaveSettings(const ThConvertInfoObjectList& list, const std::string& workDir)
{
    const std::string file = SettingsFilePath(workDir);
    const std::pair<const char*, std::string> keys[] = {
        {"QUALITY", std::to_string(list.Quality)},
        {"RAITO", std::to_string(list.Ratio)},
        {"SAVEDIR", list.SaveDir},
        {"OPENDIR", list.OpenDir ? "1" : "0"},
        {"SUBTITLES", std::to_string(list.Subtitles)},
        {"LOUDNESS", list.Loudness ? "1" : "0"},
        {"LANGUAGE", LanguageText(list.Language)},
    };
    for (const auto& [key, value] : keys) {
        try {
            Profile::WriteString(file, kSection, key, value);
        } catch (const Profile::WriteError&) {
            throw std::runtime_error(
                movarin::CannotWriteText(QString::fromStdString(file)).toStdString());
        }
    }
}

std::vector<std::pair<std::string, std::string>> FrontEnvironment(const ThConvertInfoObjectList& list,
                                                                  std::string_view viewerLanguage)
{
    return {
        {"MOVARIN_VIEWER_LANGUAGE", std::string(viewerLanguage)},
        {"MOVARIN_SUBTITLES", list.Subtitles == smOff ? "off" : "auto"},
        {"MOVARIN_LOUDNESS", list.Loudness ? "on" : "off"},
    };
}
