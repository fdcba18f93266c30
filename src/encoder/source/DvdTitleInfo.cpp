#include "encoder/source/DvdTitleInfo.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace movarin::encoder {
namespace {

// ISO 639-1 to the bibliographic 639-2 codes FFmpeg's demuxers tag with.
// The languages discs are authored in; a rarer one stays unknown, which
// the choice of tracks treats like an untagged track.
constexpr std::array<std::pair<std::string_view, std::string_view>, 48> kLanguages = {{
    {"ar", "ara"}, {"bg", "bul"}, {"ca", "cat"}, {"cs", "cze"}, {"cy", "wel"}, {"da", "dan"},
    {"de", "ger"}, {"el", "gre"}, {"en", "eng"}, {"es", "spa"}, {"et", "est"}, {"eu", "baq"},
    {"fa", "per"}, {"fi", "fin"}, {"fr", "fre"}, {"ga", "gle"}, {"gl", "glg"}, {"he", "heb"},
    {"hi", "hin"}, {"hr", "hrv"}, {"hu", "hun"}, {"id", "ind"}, {"is", "ice"}, {"it", "ita"},
    {"ja", "jpn"}, {"ko", "kor"}, {"la", "lat"}, {"lt", "lit"}, {"lv", "lav"}, {"ms", "may"},
    {"nl", "dut"}, {"no", "nor"}, {"pl", "pol"}, {"pt", "por"}, {"ro", "rum"}, {"ru", "rus"},
    {"sk", "slo"}, {"sl", "slv"}, {"sr", "srp"}, {"sv", "swe"}, {"ta", "tam"}, {"th", "tha"},
    {"tl", "tgl"}, {"tr", "tur"}, {"uk", "ukr"}, {"vi", "vie"}, {"yi", "yid"}, {"zh", "chi"},
}};

constexpr std::size_t kMaxAudio = 8;
constexpr std::size_t kMaxSubtitles = 32;
constexpr std::size_t kPaletteSize = 16;
constexpr std::string_view kHeader = "movarin-dvd 1";

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return Lower(x) == Lower(y);
    });
}

// The digits of s exactly (no sign, no blank), as a number up to max.
std::optional<unsigned> Number(std::string_view s, unsigned max, int base = 10)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || s.front() == '+' || s.front() == '-' || error != std::errc() || end != s.data() + s.size()
        || value > max)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; at <= line.size();) {
        const std::size_t space = std::min(line.find(' ', at), line.size());
        fields.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    return fields;
}

// A language field: "-" or three lowercase letters.
std::optional<std::string> Language(std::string_view s)
{
    if (s == "-")
        return std::string();
    if (s.size() != 3 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
        return std::nullopt;
    return std::string(s);
}

// The reply names formats and kinds by word, in the enums' order.
constexpr std::array<std::string_view, 4> kFormatTokens = {"ac3", "mpeg", "lpcm", "dts"};
constexpr std::array<std::string_view, 4> kAudioKindTokens = {"-", "normal", "impaired", "commentary"};
constexpr std::array<std::string_view, 7> kSubtitleKindTokens = {
    "-", "normal", "large", "children", "captions", "forced", "commentary",
};

template <class Enum, std::size_t N>
std::optional<Enum> FromToken(const std::array<std::string_view, N>& tokens, std::string_view token)
{
    const auto found = std::find(tokens.begin(), tokens.end(), token);
    return found == tokens.end() ? std::nullopt : std::optional<Enum>(Enum(found - tokens.begin()));
}

int FormatBase(DvdAudioFormat format)
{
    switch (format) {
    case DvdAudioFormat::Ac3: return 0x80;
    case DvdAudioFormat::Dts: return 0x88;
    case DvdAudioFormat::Lpcm: return 0xA0;
    case DvdAudioFormat::Mpeg: return 0xC0;
    }
    return 0;
}

// Only the ids the demuxer gives the format: a reply cannot name the video
// or a stream of another kind.
bool AudioIdFits(int id, DvdAudioFormat format)
{
    const int base = FormatBase(format);
    return id >= base && id < base + 8;
}

template <class Stream>
bool Known(const std::vector<Stream>& streams, int id)
{
    return std::any_of(streams.begin(), streams.end(), [id](const Stream& s) { return s.streamId == id; });
}

bool ParseAudio(const std::vector<std::string_view>& f, DvdTitleInfo& info)
{
    // audio <id> <language> <kind> <channels> <format>
    if (f.size() != 6 || info.audio.size() >= kMaxAudio)
        return false;
    const auto id = Number(f[1], 0xFF);
    auto language = Language(f[2]);
    const auto kind = FromToken<DvdAudioKind>(kAudioKindTokens, f[3]);
    const auto channels = Number(f[4], 8);
    const auto format = FromToken<DvdAudioFormat>(kFormatTokens, f[5]);
    if (!id || !language || !kind || !channels || *channels == 0 || !format || !AudioIdFits(int(*id), *format)
        || Known(info.audio, int(*id)))
        return false;
    info.audio.push_back({int(*id), std::move(*language), *kind, int(*channels), *format});
    return true;
}

bool ParseSubtitle(const std::vector<std::string_view>& f, DvdTitleInfo& info)
{
    // subtitle <id> <language> <kind>
    if (f.size() != 4 || info.subtitles.size() >= kMaxSubtitles)
        return false;
    const auto id = Number(f[1], 0x3F);
    auto language = Language(f[2]);
    const auto kind = FromToken<DvdSubtitleKind>(kSubtitleKindTokens, f[3]);
    if (!id || *id < 0x20 || !language || !kind || Known(info.subtitles, int(*id)))
        return false;
    info.subtitles.push_back({int(*id), std::move(*language), *kind});
    return true;
}

bool ParsePalette(const std::vector<std::string_view>& f, DvdTitleInfo& info)
{
    // palette <rrggbb> x16
    if (f.size() != kPaletteSize + 1 || !info.palette.empty())
        return false;
    for (std::size_t i = 1; i < f.size(); ++i) {
        const auto colour = f[i].size() == 6 ? Number(f[i], 0xFFFFFF, 16) : std::nullopt;
        if (!colour)
            return false;
        info.palette.push_back(*colour);
    }
    return true;
}

std::string Hex6(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "%06x", unsigned(colour & 0xFFFFFF));
    return text;
}

} // namespace

std::optional<DvdChapterFile> ParseDvdChapterPath(const std::string& path)
{
    // "VTS_nn_m.VOB" and the VIDEO_TS folder above it.
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return std::nullopt;
    const std::string_view name = std::string_view(path).substr(slash + 1);
    if (name.size() != 12 || !EqualsNoCase(name.substr(0, 4), "vts_") || name[6] != '_'
        || !EqualsNoCase(name.substr(8), ".vob"))
        return std::nullopt;
    const auto titleSet = Number(name.substr(4, 2), 99);
    const auto part = Number(name.substr(7, 1), 9);
    if (!titleSet || *titleSet == 0 || !part || *part == 0)
        return std::nullopt;
    const std::string_view folder = std::string_view(path).substr(0, slash);
    const std::size_t above = folder.find_last_of('/');
    const std::string_view folderName = above == std::string_view::npos ? folder : folder.substr(above + 1);
    if (!EqualsNoCase(folderName, "video_ts"))
        return std::nullopt;
    std::string disc = above == std::string_view::npos ? std::string(".") : std::string(folder.substr(0, above));
    if (disc.empty())
        disc = "/";
    return DvdChapterFile{std::move(disc), std::string(folder), int(*titleSet)};
}

std::string DvdLanguageTag(char first, char second)
{
    const char code[2] = {Lower(first), Lower(second)};
    for (const auto& [twoLetter, tag] : kLanguages)
        if (twoLetter == std::string_view(code, 2))
            return std::string(tag);
    return {};
}

std::optional<DvdAudioFormat> DvdAudioFormatOf(unsigned audioFormat)
{
    switch (audioFormat) {
    case 0: return DvdAudioFormat::Ac3;
    case 2:
    case 3: return DvdAudioFormat::Mpeg;
    case 4: return DvdAudioFormat::Lpcm;
    case 6: return DvdAudioFormat::Dts;
    default: return std::nullopt; // SDDS and the reserved values: no id the demuxer knows
    }
}

std::optional<int> DvdAudioStreamId(unsigned audioFormat, std::uint16_t audioControl)
{
    const auto format = DvdAudioFormatOf(audioFormat);
    if (!format || !(audioControl & 0x8000))
        return std::nullopt;
    return FormatBase(*format) + ((audioControl >> 8) & 0x7);
}

std::optional<int> DvdSubtitleStreamId(std::uint32_t subpControl, bool wide)
{
    if (!(subpControl & 0x80000000U))
        return std::nullopt;
    return 0x20 + int((subpControl >> (wide ? 16 : 24)) & 0x1F);
}

DvdAudioKind DvdAudioKindOf(unsigned codeExtension)
{
    switch (codeExtension) {
    case 1: return DvdAudioKind::Normal;
    case 2: return DvdAudioKind::VisuallyImpaired;
    case 3: // the director's comments
    case 4: // alternate director's comments
        return DvdAudioKind::Commentary;
    default: return DvdAudioKind::Unspecified;
    }
}

DvdSubtitleKind DvdSubtitleKindOf(unsigned codeExtension)
{
    switch (codeExtension) {
    case 1: return DvdSubtitleKind::Normal;
    case 2: return DvdSubtitleKind::Large;
    case 3: return DvdSubtitleKind::Children;
    case 5: // normal, large and children's captions
    case 6:
    case 7: return DvdSubtitleKind::Captions;
    case 9: return DvdSubtitleKind::Forced;
    case 13: // director's comments, large, for children
    case 14:
    case 15: return DvdSubtitleKind::Commentary;
    default: return DvdSubtitleKind::Unspecified;
    }
}

std::uint32_t DvdPaletteRgb(std::uint32_t yCrCb)
{
    // BT.601 video range, in 16.16 fixed point, rounded.
    const int y = int((yCrCb >> 16) & 0xFF) - 16;
    const int cr = int((yCrCb >> 8) & 0xFF) - 128;
    const int cb = int(yCrCb & 0xFF) - 128;
    const auto channel = [](int fixed) { return std::uint32_t(std::clamp((fixed + 32768) >> 16, 0, 255)); };
    const int luma = 76309 * y; // 1.164
    const std::uint32_t r = channel(luma + 104597 * cr);
    const std::uint32_t g = channel(luma - 53279 * cr - 25675 * cb);
    const std::uint32_t b = channel(luma + 132201 * cb);
    return r << 16 | g << 8 | b;
}

std::string DvdPaletteOption(const std::vector<std::uint32_t>& palette)
{
    std::string option;
    for (const std::uint32_t colour : palette)
        option += (option.empty() ? "" : ",") + Hex6(colour);
    return option;
}

const char* DvdAudioFormatName(DvdAudioFormat format)
{
    switch (format) {
    case DvdAudioFormat::Ac3: return "AC-3";
    case DvdAudioFormat::Mpeg: return "MPEG audio";
    case DvdAudioFormat::Lpcm: return "LPCM";
    case DvdAudioFormat::Dts: return "DTS";
    }
    return "";
}

std::string FormatDvdReply(const DvdTitleInfo& info)
{
    const auto language = [](const std::string& l) { return l.empty() ? std::string("-") : l; };
    std::string reply(kHeader);
    reply += '\n';
    for (const DvdAudioStream& a : info.audio)
        reply += "audio " + std::to_string(a.streamId) + ' ' + language(a.language) + ' '
            + std::string(kAudioKindTokens.at(std::size_t(a.kind))) + ' ' + std::to_string(a.channels) + ' '
            + std::string(kFormatTokens.at(std::size_t(a.format))) + '\n';
    for (const DvdSubtitleStream& s : info.subtitles)
        reply += "subtitle " + std::to_string(s.streamId) + ' ' + language(s.language) + ' '
            + std::string(kSubtitleKindTokens.at(std::size_t(s.kind))) + '\n';
    if (!info.palette.empty()) {
        reply += "palette";
        for (const std::uint32_t colour : info.palette)
            reply += ' ' + Hex6(colour);
        reply += '\n';
    }
    return reply;
}

DvdTitleInfo ParseDvdReply(std::string_view reply)
{
    if (reply.size() > kDvdReplyLimit || reply.empty() || reply.back() != '\n')
        return {};
    reply.remove_suffix(1);
    DvdTitleInfo info;
    bool first = true;
    for (std::size_t at = 0; at <= reply.size();) {
        const std::size_t end = std::min(reply.find('\n', at), reply.size());
        const std::string_view line = reply.substr(at, end - at);
        at = end + 1;
        if (first) {
            if (line != kHeader)
                return {};
            first = false;
            continue;
        }
        const std::vector<std::string_view> fields = Fields(line);
        const bool ok = fields[0] == "audio" ? ParseAudio(fields, info)
            : fields[0] == "subtitle"        ? ParseSubtitle(fields, info)
            : fields[0] == "palette"         ? ParsePalette(fields, info)
                                             : false;
        if (!ok)
            return {};
    }
    return info;
}

} // namespace movarin::encoder
