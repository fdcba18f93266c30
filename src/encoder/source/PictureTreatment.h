#pragma once
// Movarin's "-s WxH" names the player's screen. The front carries it out as
// the picture fitted inside that frame, as the player should show it:
// interlaced frames deinterlaced, pixel aspect and rotation honoured, HDR
// tone-mapped to SDR BT.709, black bars around, square pixels.
// Pure: no processes, no files.
#include "encoder/ArgumentTranslator.h"
#include "encoder/source/SourceProbe.h"

#include <optional>
#include <string>
#include <vector>

namespace movarin::encoder {

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

enum class ToneMap { None, Hlg, Pq };

enum class Deinterlace {
    None,
    FirstField, // the picture is no taller than a field: the field shown first, as it is
    Bwdif,      // frames flagged interlaced, by FFmpeg's motion-adaptive bwdif
};

struct PictureTreatment {
    Deinterlace deinterlace = Deinterlace::None;
    bool fieldOrderKnown = false; // the stream says it is interlaced
    ToneMap toneMap = ToneMap::None;
    FrameSize frame;          // the frame the line asks for
    FrameSize content;        // the picture inside it; the rest is black
    FrameSize display;        // the source's picture upright, pixel aspect applied; 0x0 when not described
    std::string filter;       // FFmpeg's -vf chain: fitted, then framing
    std::string fitted;       // the chain up to the picture at the content's size, in SDR
    std::string framing;      // the rest: the black bars, square pixels
    std::vector<std::string> outputOptions; // besides -vf: the colour tags
    std::string summary;      // one line for the log, without prefix
};

// "320x240"; nullopt for anything else.
std::optional<FrameSize> ParseFrameSize(const std::string& text);

PictureTreatment ChooseTreatment(const SourcePicture& source, FrameSize frame);

// The "-s WxH" of translated arguments, nullopt when there is none.
std::optional<FrameSize> RequestedFrameSize(const Translation& translation);

// Puts the treatment in place of the "-s WxH" of translation.
void ApplyTreatment(Translation& translation, const PictureTreatment& treatment);

} // namespace movarin::encoder
