#include "jobs/Settings.h"

#include "run/RunTexts.h"

#include "platform/Profile.h"

#include <stdexcept>

namespace Profile = movarin::Profile;

namespace {
constexpr const char* kSection = "CONF";
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
}

void SaveSettings(const ThConvertInfoObjectList& list, const std::string& workDir)
{
    const std::string file = SettingsFilePath(workDir);
    const std::pair<const char*, std::string> keys[] = {
        {"QUALITY", std::to_string(list.Quality)},
        {"RAITO", std::to_string(list.Ratio)},
        {"SAVEDIR", list.SaveDir},
        {"OPENDIR", list.OpenDir ? "1" : "0"},
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
