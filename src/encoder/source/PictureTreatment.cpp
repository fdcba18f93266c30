#include "encoder/source/PictureTreatment.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

namespace movarin::encoder {
namespace {

// BT.2408: HDR reference (diffuse) white sits at 203 cd/m², and that is where
// SDR white must land. Highlights above it are compressed up to the peak a
// source is assumed to reach, the nominal peak of an HLG display and the
// usual mastering peak of PQ material.
constexpr double kReferenceWhiteNits = 203;
constexpr double kAssumedPeakNits = 1000;
// Measured on sources graded with white at 203 cd/m² (SSIM against the SDR
// master, saturation ratio; HLG and PQ alike within 0.01): clip 0.92/0.95,
// linear 0.80/0.50, reinhard 0.90/0.79, hable 0.87/0.66, mobius with its
// linear part up to 0.3 of white 0.91/0.83, up to 0.5 0.915/0.87, up to 0.9
// 0.92/0.94. Below 0.9 the roll-off starts so low that white itself comes
// out grey (0.77 of SDR white in light at 0.5, the picture's mean luma 8 %
// under the master's); at 0.9 white keeps 0.95 and the mean luma is within
// 3 %. Clip would win only because these sources have no highlights;
// mobius keeps what lies below white as it is and rolls the highlights,
// up to five times white, into the top of the range.
constexpr const char* kToneMapOperator = "mobius";
constexpr const char* kToneMapParameter = "0.9";

// A picture within this share of the frame's width or height fills it. A
// 720-wide video picture is 4:3 (or 16:9) over its middle 704 columns, so
// its pixel aspect makes the whole 2.3 % wider than the screen: bars of a
// few pixels would frame the edges of the recording, not a picture.
constexpr double kFillTolerance = 0.03;

// Decoders of formats that have no interlaced pictures, for which FFmpeg
// states no field order. Other streams without one may be interlaced (DV
// from a camcorder, interlaced MPEG-4 Part 2 or Motion JPEG captures say so
// only frame by frame), so they keep the deinterlacer for flagged frames.
constexpr std::array<std::string_view, 11> kNeverInterlaced = {
    "mpeg1video", "msmpeg4v1", "msmpeg4v2", "msmpeg4v3", "wmv1", "wmv2", "flv1", "vp6", "vp6f", "h261", "theora",
};

bool MayBeInterlaced(const SourcePicture& source)
{
    if (source.fieldOrder == "progressive")
        return false;
    if (!source.fieldOrder.empty())
        return true;
    return std::find(kNeverInterlaced.begin(), kNeverInterlaced.end(), source.codec) == kNeverInterlaced.end();
}

int Even(double value)
{
    return std::max(2, 2 * int(std::lround(value / 2)));
}

FrameSize FittedContent(const SourcePicture& source, FrameSize frame)
{
    double aspect = double(source.width) * source.sarNum / (double(source.height) * source.sarDen);
    // FFmpeg turns the picture upright before any filter sees it.
    if (source.rotation % 180 == 90)
        aspect = 1 / aspect;
    const double frameAspect = double(frame.width) / frame.height;
    FrameSize content = aspect >= frameAspect ? FrameSize{frame.width, Even(frame.width / aspect)}
                                              : FrameSize{Even(frame.height * aspect), frame.height};
    if (std::abs(content.width - frame.width) <= frame.width * kFillTolerance)
        content.width = frame.width;
    if (std::abs(content.height - frame.height) <= frame.height * kFillTolerance)
        content.height = frame.height;
    return content;
}

FrameSize DisplaySize(const SourcePicture& source)
{
    const int width = Even(double(source.width) * source.sarNum / source.sarDen);
    return source.rotation % 180 == 90 ? FrameSize{source.height, width} : FrameSize{width, source.height};
}

std::string Size(FrameSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

ToneMap ToneMapOf(const SourcePicture& source)
{
    if (source.transfer == "smpte2084")
        return ToneMap::Pq;
    if (source.transfer == "arib-std-b67")
        return ToneMap::Hlg;
    return ToneMap::None;
}

// Scaled first, so the floating-point work is done at the output's size.
std::string ToneMapFilter(const SourcePicture& source, ToneMap toneMap)
{
    const std::string matrix = source.matrix.empty() || source.matrix == "bt2020c" ? "bt2020nc" : source.matrix;
    const std::string primaries = source.primaries.empty() ? "bt2020" : source.primaries;
    char peak[16];
    const auto end = std::to_chars(peak, peak + sizeof peak, kAssumedPeakNits / kReferenceWhiteNits,
                                   std::chars_format::fixed, 3).ptr;
    return std::string(",zscale=tin=") + (toneMap == ToneMap::Pq ? "smpte2084" : "arib-std-b67")
        + ":pin=" + primaries + ":min=" + matrix + ":t=linear:npl=" + std::to_string(int(kReferenceWhiteNits))
        + ",format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=" + kToneMapOperator + ":param=" + kToneMapParameter
        + ":desat=0:peak="
        + std::string(peak, end) + ",zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
}

std::string Describe(const SourcePicture& source, const PictureTreatment& t)
{
    std::string text = "picture " + std::to_string(source.width) + "x" + std::to_string(source.height);
    if (source.sarNum != source.sarDen)
        text += " SAR " + std::to_string(source.sarNum) + ":" + std::to_string(source.sarDen);
    if (source.rotation != 0)
        text += " rotated " + std::to_string(source.rotation);
    text += t.toneMap == ToneMap::Pq ? " HDR PQ" : t.toneMap == ToneMap::Hlg ? " HDR HLG" : "";
    text += " ->";
    if (t.deinterlace == Deinterlace::FirstField)
        text += " deinterlaced (the field shown first: the picture is no taller than a field),";
    else if (t.deinterlace == Deinterlace::Bwdif && t.fieldOrderKnown)
        text += " deinterlaced (bwdif),";
    else if (t.deinterlace == Deinterlace::Bwdif)
        text += " frames flagged interlaced deinterlaced (bwdif; no field order stated),";
    if (t.toneMap != ToneMap::None)
        text += std::string(" tone-mapped to BT.709 (") + kToneMapOperator + "),";
    text += " fitted " + Size(t.content) + " in " + Size(t.frame);
    text += t.content == t.frame ? "" : " with black bars";
    return text + ", square pixels";
}

} // namespace

std::optional<FrameSize> ParseFrameSize(const std::string& text)
{
    FrameSize size;
    const char* end = text.data() + text.size();
    const auto [x, ec] = std::from_chars(text.data(), end, size.width);
    if (ec != std::errc() || x == end || *x != 'x')
        return std::nullopt;
    const auto [last, ec2] = std::from_chars(x + 1, end, size.height);
    if (ec2 != std::errc() || last != end || size.width < 2 || size.height < 2)
        return std::nullopt;
    return size;
}

PictureTreatment ChooseTreatment(const SourcePicture& source, FrameSize frame)
{
    PictureTreatment t;
    t.frame = frame;
    t.content = frame;
    if (!source.found || source.width <= 0 || source.height <= 0) {
        // FFmpeg reported no picture the front can read: the frame size
        // alone, as the line says.
        t.fitted = "scale=" + std::to_string(frame.width) + ":" + std::to_string(frame.height);
        t.framing = ",setsar=1";
        t.filter = t.fitted + t.framing;
        t.summary = "picture not described by FFmpeg -> scaled to " + Size(frame);
        return t;
    }
    t.fieldOrderKnown = !source.fieldOrder.empty() && source.fieldOrder != "progressive";
    t.toneMap = ToneMapOf(source);
    t.content = FittedContent(source, frame);
    t.display = DisplaySize(source);
    // FFmpeg turns the picture upright before the chain sees it. The fields
    // are rows of the picture as stored, so after a quarter turn they are
    // columns, and the output's lines come from the stored width.
    const bool quarterTurned = source.rotation % 180 == 90;
    const int linesNeeded = quarterTurned ? t.content.width : t.content.height;
    // A picture no taller than one field needs nothing of the other: the
    // field shown first is a whole picture of one moment, with as many lines
    // as the output and no interpolated ones. It is taken by stride alone, so
    // it costs less than the scale it spares; measured on 480i and 1080i its
    // SSIM against the progressive master is bwdif's within 0.002.
    if (t.fieldOrderKnown && linesNeeded * 2 <= source.height)
        t.deinterlace = Deinterlace::FirstField;
    // Otherwise only frames flagged interlaced are touched, so an unknown
    // order costs a pass-through; a stream known progressive skips the filter.
    else if (MayBeInterlaced(source))
        t.deinterlace = Deinterlace::Bwdif;

    // A stream that says it is interlaced and was turned a quarter is turned
    // back for the deinterlacer and upright again after it. FFmpeg turns the
    // display matrix's -90 degrees (270 here) clockwise, 90 the other way.
    // Where no order is stated the frames pass bwdif untouched: two turns of
    // every frame would cost far more than the rare flagged one loses.
    const bool turnBack = quarterTurned && t.fieldOrderKnown;
    const char* back = source.rotation == 270 ? "transpose=cclock," : "transpose=clock,";
    const char* upright = source.rotation == 270 ? "transpose=clock," : "transpose=cclock,";
    std::string& f = t.fitted;
    if (turnBack)
        f += back;
    if (t.deinterlace == Deinterlace::FirstField) {
        const bool bottomShownFirst
            = source.fieldOrder == "bottom first" || source.fieldOrder == "top coded first (swapped)";
        f += bottomShownFirst ? "field=bottom," : "field=top,";
    } else if (t.deinterlace == Deinterlace::Bwdif) {
        // A scale along the lines alone leaves each line, and so each field,
        // as it was: the deinterlacer then works at the output's width (a
        // sixth of 1080i's for 320 columns) and only the height is left to
        // scale after it. Where no field order is stated the frames are
        // almost always progressive and pass the deinterlacer untouched: a
        // second scale would cost them more than it saves the rare flagged
        // frame. Turned back, the stored lines become the output's columns.
        const int across = quarterTurned ? t.content.height : t.content.width;
        if (t.fieldOrderKnown && across < source.width)
            f += "scale=" + std::to_string(across) + ":ih,";
        f += "bwdif=mode=send_frame:parity=auto:deint=interlaced,";
    }
    if (turnBack)
        f += upright;
    f += "scale=" + std::to_string(t.content.width) + ":" + std::to_string(t.content.height);
    if (t.toneMap != ToneMap::None) {
        f += ToneMapFilter(source, t.toneMap);
        t.outputOptions = {"-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709"};
    }
    if (t.content != frame) {
        // Even offsets keep the chroma planes aligned.
        const int x = (frame.width - t.content.width) / 2 & ~1;
        const int y = (frame.height - t.content.height) / 2 & ~1;
        t.framing = ",pad=" + std::to_string(frame.width) + ":" + std::to_string(frame.height) + ":"
            + std::to_string(x) + ":" + std::to_string(y);
    }
    t.framing += ",setsar=1";
    t.filter = t.fitted + t.framing;
    t.summary = Describe(source, t);
    return t;
}

std::optional<FrameSize> RequestedFrameSize(const Translation& translation)
{
    // No value of any option is "-s" (a word that looks like an option is
    // never taken as a value) and inputs and outputs are written as URLs.
    const std::vector<std::string>& args = translation.arguments;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-s")
            return ParseFrameSize(args[i + 1]);
    return std::nullopt;
}

void ApplyTreatment(Translation& translation, const PictureTreatment& treatment)
{
    std::vector<std::string>& args = translation.arguments;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-s")
            continue;
        args[i] = "-vf";
        args[i + 1] = treatment.filter;
        args.insert(args.begin() + std::ptrdiff_t(i + 2), treatment.outputOptions.begin(),
                    treatment.outputOptions.end());
        return;
    }
}

} // namespace movarin::encoder
