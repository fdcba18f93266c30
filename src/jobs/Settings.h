#pragma once
// The conversion settings of the job list in config.ini of the work folder:
// section "CONF", keys "QUALITY", "RAITO", "SAVEDIR", "OPENDIR".
#include "jobs/ThConvertInfo.h"

#include <string>

// workDir ends with the delimiter; the file is workDir + "config.ini".
std::string SettingsFilePath(const std::string& workDir);

// Reads the four settings; a missing file, section or key gives its default
// (Quality 0, Ratio 0, SaveDir = workDir, OpenDir true). Creates no file.
void LoadSettings(ThConvertInfoObjectList& list, const std::string& workDir);

// Writes the four keys one by one in the order QUALITY, RAITO, SAVEDIR,
// OPENDIR. A refused write throws std::runtime_error with the text
// "<settings file path> に書き込めません"; the keys before it stay written.
void SaveSettings(const ThConvertInfoObjectList& list, const std::string& workDir);
