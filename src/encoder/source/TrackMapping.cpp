#include "encoder/source/TrackMapping.h"

#include <algorithm>
#include <cctype>

namespace movarin::encoder {
namespace {

bool Has(const std::vector<std::string>& args, std::string_view word)
{
    return std::find(args.begin(), args.end(), word) != args.end();
}

std::string Escaped(std::string_view value, std::string_view special)
{
    std::string out;
    for (const char c : value) {
        if (special.find(c) != std::string_view::npos || std::isspace(static_cast<unsigned char>(c)))
            out += '\\';
        out += c;
    }
    return out;
}

// Subtitles converted from plain text get FFmpeg's style of 16 points at
// 288 lines: 8 pixels of ink at 180 lines, where a kanji cannot be read.
// At 22 it has 12, as an ASS file's own default style has about 10.
constexpr const char* kPlainTextStyle = "Fontsize=22";

bool ValidPalette(const std::string& palette)
{
    if (palette.empty() || palette.size() > 16 * 7 - 1)
        return false;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const bool comma = i % 7 == 6;
        if (comma ? palette[i] != ',' : !std::isxdigit(static_cast<unsigned char>(palette[i])))
            return false;
    }
    return palette.size() % 7 == 6;
}

std::string Size(FrameSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::string SubtitlesFilter(const std::string& input, int ordinal, const SourceStream& track,
                            const PictureTreatment& treatment)
{
    std::string filter = "subtitles=filename=" + FilterGraphValue(LocalFileUrl(input)) + ":si=" + std::to_string(ordinal);
    // The layout follows the picture's shape, not the pixels it was scaled to.
    if (treatment.display.width > 0 && treatment.display.height > 0)
        filter += ":original_size=" + Size(treatment.display);
    if (track.codec != "ass" && track.codec != "ssa")
        filter += ":force_style=" + FilterGraphValue(kPlainTextStyle);
    return filter;
}

// The subtitle pictures as a layer of the picture's stored size. They are
// drawn for a canvas of their own (a rip's VobSub keeps the disc's 720x480
// over a picture made smaller, a Blu-ray's PGS its 1080 lines over a 720p
// encode): laid over unscaled, their captions would fall outside it.
struct Layer {
    std::string graph; // what makes it, "" when the stream is the layer
    std::string label; // what the overlay takes
};
Layer SubtitleLayer(const SourceStream& subtitle, const SourceStream& video)
{
    const std::string stream = "[0:" + std::to_string(subtitle.index) + "]";
    const bool sized = subtitle.width > 0 && subtitle.height > 0 && video.width > 0 && video.height > 0;
    if (!sized || (subtitle.width == video.width && subtitle.height == video.height))
        return {"", stream};
    return {stream + "scale=" + std::to_string(video.width) + ":" + std::to_string(video.height) + "[canvas];",
            "[canvas]"};
}

} // namespace

LineKind KindOfLine(const Translation& translation)
{
    const std::vector<std::string>& args = translation.arguments;
    if (translation.inputs.size() != 1 || translation.outputs.empty())
        return LineKind::Other;
    if (RequestedFrameSize(translation))
        return Has(args, "-vframes") ? LineKind::Still : LineKind::Video;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-f" && args[i + 1] == "mp3")
            return LineKind::Music;
    return LineKind::Other;
}

std::string FilterGraphValue(const std::string& value)
{
    return Escaped(Escaped(value, "\\':="), "\\'[],;");
}

Burned ApplyTracks(Translation& translation, LineKind kind, const TrackChoice& choice,
                   const std::optional<SourceStream>& video, const PictureTreatment* treatment,
                   const BurnOptions& options)
{
    std::vector<std::string>& args = translation.arguments;
    const auto input = std::find(args.begin(), args.end(), "-i");
    if (kind == LineKind::Other || input == args.end() || input + 1 == args.end())
        return Burned::Nothing;
    const std::ptrdiff_t at = input - args.begin();

    const bool picture = kind != LineKind::Music && video && treatment;
    const bool sound = kind != LineKind::Still && choice.audio;
    const SourceStream* subtitle = picture && kind == LineKind::Video && choice.subtitle ? &*choice.subtitle : nullptr;
    Burned burned = Burned::Nothing;
    std::string videoMap = picture ? "0:" + std::to_string(video->index) : "";
    if (subtitle && IsTextSubtitle(subtitle->codec) && options.libass) {
        PictureTreatment withText = *treatment;
        withText.filter = treatment->fitted + ","
            + SubtitlesFilter(translation.inputs.front(), choice.subtitleNumber - 1, *subtitle, *treatment)
            + treatment->framing;
        ApplyTreatment(translation, withText);
        burned = Burned::Text;
    } else if (subtitle && IsBitmapSubtitle(subtitle->codec)) {
        // Laid over the source's picture, they are scaled, deinterlaced and
        // tone-mapped with it.
        ApplyTreatment(translation, *treatment);
        const auto vf = std::find(args.begin(), args.end(), "-vf");
        *vf = "-filter_complex";
        const Layer layer = SubtitleLayer(*subtitle, *video);
        *(vf + 1) = layer.graph + "[" + videoMap + "]" + layer.label + "overlay=eof_action=pass:format=auto,"
            + *(vf + 1) + "[picture]";
        videoMap = "[picture]";
        burned = Burned::Bitmap;
    } else if (treatment) {
        ApplyTreatment(translation, *treatment);
    }

    std::vector<std::string> maps;
    if (picture)
        maps.insert(maps.end(), {"-map", videoMap});
    if (sound)
        maps.insert(maps.end(), {"-map", "0:" + std::to_string(choice.audio->index)});
    args.insert(args.begin() + at + 2, maps.begin(), maps.end());

    std::vector<std::string> decoding;
    // Bilingual broadcasts carry two programmes in one stereo AAC stream:
    // the main one goes to both ears. Ordinary AAC is decoded as before.
    if (sound && choice.audio->codec == "aac")
        decoding.insert(decoding.end(), {"-dual_mono_mode", "main"});
    if (burned == Burned::Bitmap && subtitle->codec == "dvd_subtitle" && ValidPalette(options.palette))
        decoding.insert(decoding.end(), {"-palette", options.palette});
    if (burned == Burned::Bitmap && choice.forcedEventsOnly)
        decoding.insert(decoding.end(), {"-forced_subs_only", "1"});
    args.insert(args.begin() + at, decoding.begin(), decoding.end());
    return burned;
}

bool HasLibass(std::string_view report)
{
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t eol = std::min(report.find('\n', at), report.size());
        const std::string_view line = report.substr(at, eol - at);
        if (line.find("configuration:") != std::string_view::npos)
            return line.find("--enable-libass") != std::string_view::npos;
        if (line.starts_with("Input #"))
            break;
        at = eol + 1;
    }
    return false;
}

} // namespace movarin::encoder
