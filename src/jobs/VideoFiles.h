#pragma once
// Which files Movarin takes as videos: one list of extensions for the add
// dialog's filter and for drops alike, so the two never disagree.
#include <array>
#include <string>
#include <string_view>

#include "platform/Translatable.h"

namespace movarin {

// Lower case, without the dot. The old five the player's software always
// took, then the containers cameras, phones and downloads bring today. DVD
// chapters come through the DVD dialog, but a VOB copied off a disc is a
// video file like any other.
inline constexpr std::array<std::string_view, 18> VideoExtensions = {
    "avi", "flv", "mpg", "mpeg", "3gp", "mp4", "m4v", "mov",  "mkv",
    "webm", "wmv", "asf", "ts", "m2ts", "mts", "vob", "ogv", "divx"};

// Whether the name's extension, in any case, is one of VideoExtensions.
bool IsVideoFileName(std::string_view name);

// The add dialog's one filter entry, in Qt's form: "動画ファイル (*.avi …)".
// The dialog shows the label in the interface's language.
inline constexpr const char* VideoFilesLabel = QT_TRANSLATE_NOOP("VideoFiles", "動画ファイル");
std::string VideoFileFilter(std::string_view label = VideoFilesLabel);

} // namespace movarin
