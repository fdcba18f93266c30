#pragma once
// The conversion settings of the job list in config.ini of the work folder:
// section "CONF", keys "QUALITY", "RAITO", "SAVEDIR", "OPENDIR", then
// "SUBTITLES", "LOUDNESS", "LANGUAGE".
#include "jobs/ThConvertInfo.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// workDir ends with the delimiter; the file is workDir + "config.ini".
std::string SettingsFilePath(const std::string& workDir);

// Reads the settings; a missing file, section or key, or a value that is
// not one of the key's own, gives its default (Quality 0, Ratio 0, SaveDir =
// workDir, OpenDir true, Subtitles auto, Loudness on, Language auto).
// Creates no file.
void LoadSettings(ThConvertInfoObjectList& list, const std::string& workDir);

// The LANGUAGE key alone: the interface language is chosen before any
// window exists.
LanguageChoice ReadLanguageSetting(const std::string& workDir);

// Writes the keys one by one in the order QUALITY, RAITO, SAVEDIR, OPENDIR,
// SUBTITLES, LOUDNESS, LANGUAGE. A refused write throws std::runtime_error
// with the text "<settings file path> に書き込めません"; the keys before it
// stay written.
void SaveSettings(const ThConvertInfoObjectList& list, const std::string& workDir);

// What the encoder front is told of a conversion, through its environment
// so that the command lines stay exactly as they are: the viewer's language
// (ISO 639-2, the language the interface shows), whether subtitles may be
// burned and whether the loudness is evened out.
std::vector<std::pair<std::string, std::string>> FrontEnvironment(const ThConvertInfoObjectList& list,
                                                                  std::string_view viewerLanguage);
