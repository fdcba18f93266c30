#pragma once
// What a DVD title set's IFO says of a chapter file's streams: the languages
// and purposes the VOB itself does not carry, under the stream ids FFmpeg's
// MPEG-PS demuxer gives the same streams ("Stream #0:2[0x80]"). The IFO is
// read in a confined child (DvdIfoReader.h); everything here is pure, and
// the reply parser takes that child's answer as untrusted text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace movarin::encoder {

enum class DvdAudioFormat { Ac3, Mpeg, Lpcm, Dts };

// The audio code extension: what the track is for.
enum class DvdAudioKind { Unspecified, Normal, VisuallyImpaired, Commentary };

// The subpicture code extension.
enum class DvdSubtitleKind { Unspecified, Normal, Large, Children, Captions, Forced, Commentary };

struct DvdAudioStream {
    int streamId = 0;     // 0x80.. AC-3, 0x88.. DTS, 0xA0.. LPCM, 0xC0.. MPEG audio
    std::string language; // ISO 639-2/B as FFmpeg tags ("jpn"), empty when unknown
    DvdAudioKind kind = DvdAudioKind::Unspecified;
    int channels = 0;
    DvdAudioFormat format = DvdAudioFormat::Ac3;
};

struct DvdSubtitleStream {
    int streamId = 0; // 0x20..0x3F
    std::string language;
    DvdSubtitleKind kind = DvdSubtitleKind::Unspecified;
};

struct DvdTitleInfo {
    std::vector<DvdAudioStream> audio;        // in the IFO's order
    std::vector<DvdSubtitleStream> subtitles; // in the IFO's order
    std::vector<std::uint32_t> palette;       // 16 colours 0xRRGGBB, or none

    bool Empty() const { return audio.empty() && subtitles.empty() && palette.empty(); }
};

// A title set's chapter file: <disc>/VIDEO_TS/VTS_nn_m.VOB, any case, m from 1.
struct DvdChapterFile {
    std::string disc;   // the folder that holds VIDEO_TS
    std::string folder; // VIDEO_TS itself, as the path spells it
    int titleSet = 0;   // nn, 1..99
};
std::optional<DvdChapterFile> ParseDvdChapterPath(const std::string& path);

// The IFO's two-letter language (ISO 639-1, as stored) as FFmpeg's
// three-letter tag; empty for a code the table does not know.
std::string DvdLanguageTag(char first, char second);

// The demuxer's id of audio stream number n of the PGC's audio_control
// (bits 8-10 the stream number, bit 15 present); nullopt when the stream is
// absent or its format (IFO audio_format 0 AC-3, 2/3 MPEG, 4 LPCM, 6 DTS)
// has no id.
std::optional<int> DvdAudioStreamId(unsigned audioFormat, std::uint16_t audioControl);
std::optional<DvdAudioFormat> DvdAudioFormatOf(unsigned audioFormat);

// The subpicture id (0x20 + n) from subp_control: bits 24-28 for a 4:3
// title, bits 16-20 (wide) for a 16:9 one; nullopt when absent (bit 31).
std::optional<int> DvdSubtitleStreamId(std::uint32_t subpControl, bool wide);

DvdAudioKind DvdAudioKindOf(unsigned codeExtension);
DvdSubtitleKind DvdSubtitleKindOf(unsigned codeExtension);

// A palette entry as the IFO stores it (0, Y, Cr, Cb; BT.601, video range)
// as 0xRRGGBB.
std::uint32_t DvdPaletteRgb(std::uint32_t yCrCb);
// The palette as FFmpeg's dvdsub decoder takes it (-palette): "rrggbb,...".
std::string DvdPaletteOption(const std::vector<std::uint32_t>& palette);

const char* DvdAudioFormatName(DvdAudioFormat format);

// The reader's reply: a few lines of text, at most kDvdReplyLimit bytes.
constexpr std::size_t kDvdReplyLimit = 4096;
std::string FormatDvdReply(const DvdTitleInfo& info);
// Any fault (too long, unknown line, an id out of range, too many streams,
// a field out of bounds) gives empty info: no languages known.
DvdTitleInfo ParseDvdReply(std::string_view reply);

} // namespace movarin::encoder
