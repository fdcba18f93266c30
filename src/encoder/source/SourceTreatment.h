#pragma once
// What the front does with a source before FFmpeg converts it: reads
// FFmpeg's description of it (SourceReport.h) and puts into the line the
// picture's treatment (PictureTreatment.h) and the tracks chosen for the
// viewer (TrackChoice.h, TrackMapping.h).
#include "encoder/ArgumentTranslator.h"
#include "encoder/source/DvdTitleInfo.h"
#include "encoder/source/Loudness.h"
#include "encoder/source/TrackChoice.h"
#include "encoder/source/TrackMapping.h"

#include <optional>
#include <string>
#include <vector>

namespace movarin::encoder {

struct SourceRequest {
    Viewer viewer;
    // What a disc's own description says of the streams, by container id.
    std::vector<KnownStream> known;
    // The subpicture streams the disc lists: one FFmpeg's first look misses
    // starts late, and FFmpeg is made to look further.
    std::vector<int> discSubtitleIds;
    BurnOptions burn; // libass is read from FFmpeg's banner
    // The line's sound is to be levelled: the reading of the source measures
    // the loudness of every audio track as it goes.
    bool measureLoudness = false;
};

// Puts what a DVD's title set says of its streams into request.
void AddDiscKnowledge(SourceRequest& request, const DvdTitleInfo& disc);

struct SourceOutcome {
    // The exit code to end with when the run was stopped while the source
    // was read; 0 otherwise.
    int stopped = 0;
    LineKind kind = LineKind::Other; // Other: the line was left as it came
    TrackChoice tracks;              // the audio mapped, the subtitles burned (none for a still)
    Burned burned = Burned::Nothing; // Text: FFmpeg needs the fonts
    // The chosen audio's loudness, where the reading of the source measured it.
    std::optional<LoudnessMeasurement> loudness;
};

// Reads the source when the line is one of Movarin's (or asks for a frame
// size), applies the treatment and the choice, and logs the picture's
// treatment to stderr in one line. The tracks' line, for a video or a song,
// is DescribeTracks's.
SourceOutcome TreatSource(Translation& translation, const std::string& ffmpeg, bool confined, int abi,
                          const SourceRequest& request);

// The audio the line maps, as "-map" names it ("0:3"); empty when it maps
// none and FFmpeg takes its own.
std::string ChosenAudioSpecifier(const TrackChoice& tracks);

// The log's one line on the sound and the text: the tracks chosen (for a
// video or a song) and the loudness piece; empty for a still.
std::string SoundLogLine(const SourceOutcome& source, const std::string& loudness);

} // namespace movarin::encoder
