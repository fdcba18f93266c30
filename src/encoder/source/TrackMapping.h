#pragma once
// The choice of tracks put into Movarin's lines: the streams mapped by hand,
// so that FFmpeg's own choice (the most channels, the largest picture, a
// cover included) never decides, and the chosen subtitles burned into the
// picture at the step of its treatment where they stay readable.
// Pure: no processes, no files.
#include "encoder/ArgumentTranslator.h"
#include "encoder/source/PictureTreatment.h"
#include "encoder/source/TrackChoice.h"

#include <string>
#include <vector>

namespace movarin::encoder {

// Movarin's three lines, told apart by what they ask for.
enum class LineKind {
    Other, // not one of Movarin's: left to FFmpeg
    Video, // a frame size: picture and sound
    Still, // a frame size and one frame: the picture alone
    Music, // MP3: the sound alone
};
LineKind KindOfLine(const Translation& translation);

struct BurnOptions {
    // A DVD's subpicture colours, "RRGGBB" up to 16 times separated by
    // commas, for FFmpeg's DVD subtitle decoder; empty when unknown.
    std::string palette;
    // The FFmpeg can draw text subtitles (it was built with libass).
    bool libass = true;
};

// The subtitles filter's argument for file, escaped for both of FFmpeg's
// levels (the option inside the filter, the filter inside the graph), so
// that any name, with ':', '\'', '\\', ',' or '[' in it, arrives whole.
std::string FilterGraphValue(const std::string& value);

// What ApplyTracks burned into the picture.
enum class Burned { Nothing, Text, Bitmap };

// Puts choice into translation, a line of kind with its picture treatment
// (null when it has none, as the music line). Text subtitles are drawn
// after the picture is scaled to the content's size (the lettering at the
// output's resolution, inside the picture, laid out for its shape) and
// bitmap ones laid over the source's picture before anything else, as they
// are drawn for it, their canvas brought to its size. A still gets no
// subtitles.
Burned ApplyTracks(Translation& translation, LineKind kind, const TrackChoice& choice,
                   const std::optional<SourceStream>& video, const PictureTreatment* treatment,
                   const BurnOptions& options);

// Whether the FFmpeg whose banner opens report was built with libass.
bool HasLibass(std::string_view report);

} // namespace movarin::encoder
