#pragma once
// The player shows one audio track and no subtitles of its own, so the front
// decides for the viewer as a disc player does when a film starts: the audio
// in the viewer's language where there is one, subtitles burned into the
// picture where the viewer needs them. Pure: no processes, no files.
#include "encoder/source/SourceProbe.h"

#include <optional>
#include <string>
#include <vector>

namespace movarin::encoder {

// What Movarin tells the front of its viewer.
struct Viewer {
    std::string language = "jpn"; // ISO 639-2, the interface's language
    bool subtitlesOff = false;    // never burn subtitles
};

// Movarin's environment for the front: MOVARIN_VIEWER_LANGUAGE and
// MOVARIN_SUBTITLES ("off"); null for an unset variable.
Viewer ViewerFrom(const char* language, const char* subtitles);

// What the container does not say of a stream but a disc's own description
// does, keyed by the container's id (a DVD's 0x80.. audio, 0x20.. subpictures).
struct KnownStream {
    int id = -1;
    std::string language;    // ISO 639-1 or -2; empty when unknown
    bool commentary = false;
    bool forced = false;
};

struct TrackChoice {
    // The chosen streams as the choice saw them: the disc's knowledge merged
    // in. index is FFmpeg's stream index in the input.
    std::optional<SourceStream> audio;
    std::string audioReason;    // "viewer's language", "default", "most channels", "the only one"
    int audioNumber = 0;        // 1-based among the source's audio tracks, as a player numbers them
    std::optional<SourceStream> subtitle; // the track to burn, none when nothing is burned
    std::string subtitleReason; // "audio foreign", "forced", "default", "forced events only"; why none, when none
    int subtitleNumber = 0;     // 1-based among the source's subtitle streams
    bool forcedEventsOnly = false; // of the track, only the captions marked forced
    bool subtitlesOff = false;  // the viewer turned them off
};

// The video stream to convert: the first that is not a cover picture.
std::optional<SourceStream> ChosenVideo(const std::vector<SourceStream>& streams);

TrackChoice ChooseTracks(const std::vector<SourceStream>& streams, const Viewer& viewer,
                         const std::vector<KnownStream>& known = {});

// Whether two language tags name the same language ("ger" and "deu", "ja" and "jpn").
bool SameLanguage(const std::string& a, const std::string& b);

// Subtitles drawn by libass from text, as opposed to pictures laid over the video.
bool IsTextSubtitle(const std::string& codec);
bool IsBitmapSubtitle(const std::string& codec);

// "audio: #2 jpn AC-3 2.0 (viewer's language); subtitles: #1 jpn DVD burned (audio foreign)"
std::string DescribeTracks(const TrackChoice& choice);

} // namespace movarin::encoder
