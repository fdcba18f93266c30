#include "encoder/source/SourceProbe.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace movarin::encoder {
namespace {

constexpr std::array<std::string_view, 5> kFieldOrders = {
    "progressive", "top first", "bottom first", "top coded first (swapped)", "bottom coded first (swapped)",
};
constexpr std::array<std::string_view, 6> kChromaLocations = {
    "left", "center", "topleft", "top", "bottomleft", "bottom",
};

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& names, std::string_view word)
{
    for (std::string_view name : names)
        if (name == word)
            return true;
    return false;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Splits at the commas outside parentheses and brackets: the codec's own
// details ("(Main 10) (hev1 / 0x31766568)") and the pixel format's stay whole.
std::vector<std::string_view> TopLevelParts(std::string_view s)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '(' || s[i] == '[')
            ++depth;
        else if ((s[i] == ')' || s[i] == ']') && depth > 0)
            --depth;
        else if (s[i] == ',' && depth == 0) {
            parts.push_back(Trim(s.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(Trim(s.substr(start)));
    return parts;
}

// A field of the summary as the front keeps it: never past its bound.
std::string Bounded(std::string_view s)
{
    return std::string(s.substr(0, kMaxReportField));
}

bool ParseInt(std::string_view s, int& value)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

// "yuv420p10le(tv, bt2020nc/bt2020/arib-std-b67, progressive)"
void ReadPixelFormat(std::string_view part, SourcePicture& picture)
{
    const std::size_t open = part.find('(');
    picture.pixelFormat = Bounded(Trim(part.substr(0, open)));
    if (open == std::string_view::npos || part.back() != ')')
        return;
    for (std::string_view item : TopLevelParts(part.substr(open + 1, part.size() - open - 2))) {
        if (item == "tv" || item == "pc" || OneOf(kChromaLocations, item))
            continue;
        if (OneOf(kFieldOrders, item)) {
            picture.fieldOrder = std::string(item);
            continue;
        }
        // One name when matrix, primaries and transfer agree, else all three.
        const std::size_t a = item.find('/');
        const std::size_t b = a == std::string_view::npos ? a : item.find('/', a + 1);
        if (b != std::string_view::npos) {
            picture.matrix = Bounded(item.substr(0, a));
            picture.primaries = Bounded(item.substr(a + 1, b - a - 1));
            picture.transfer = Bounded(item.substr(b + 1));
        } else {
            picture.matrix = picture.primaries = picture.transfer = Bounded(item);
        }
    }
    for (std::string* name : {&picture.matrix, &picture.primaries, &picture.transfer})
        if (*name == "unknown" || *name == "reserved")
            name->clear();
}

// No picture FFmpeg decodes is larger; a size beyond it is no size.
constexpr int kMaxDimension = 16384;

// "640x360 [SAR 8:9 DAR 4:3]"
bool ReadSize(std::string_view part, SourcePicture& picture)
{
    const std::size_t x = part.find('x');
    const std::size_t end = part.find_first_of(" [");
    const std::string_view size = part.substr(0, end);
    if (x == std::string_view::npos || x >= size.size()
        || !ParseInt(size.substr(0, x), picture.width) || !ParseInt(size.substr(x + 1), picture.height))
        return false;
    const std::size_t sar = part.find("SAR ");
    if (sar != std::string_view::npos) {
        const std::string_view ratio = part.substr(sar + 4, part.find(' ', sar + 4) - sar - 4);
        const std::size_t colon = ratio.find(':');
        int num = 0;
        int den = 0;
        if (colon != std::string_view::npos && ParseInt(ratio.substr(0, colon), num)
            && ParseInt(ratio.substr(colon + 1), den) && num > 0 && den > 0) {
            picture.sarNum = num;
            picture.sarDen = den;
        }
    }
    return picture.width > 0 && picture.height > 0;
}

// "displaymatrix: rotation of -90.00 degrees"
void ReadRotation(std::string_view line, SourcePicture& picture)
{
    constexpr std::string_view kKey = "displaymatrix: rotation of ";
    const std::size_t at = line.find(kKey);
    if (at == std::string_view::npos)
        return;
    const std::string number(line.substr(at + kKey.size()));
    const double degrees = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(degrees))
        return;
    const long whole = std::lround(degrees);
    picture.rotation = int(((whole % 360) + 360) % 360);
}

// The layouts FFmpeg names; others it prints as "N channels" or
// "N channels (FL+LFE)".
struct NamedLayout {
    std::string_view name;
    int channels;
};
constexpr std::array<NamedLayout, 30> kLayouts = {{
    {"mono", 1}, {"stereo", 2}, {"downmix", 2}, {"2.1", 3}, {"3.0", 3}, {"3.0(back)", 3},
    {"4.0", 4}, {"quad", 4}, {"quad(side)", 4}, {"3.1", 4}, {"5.0", 5}, {"5.0(side)", 5},
    {"4.1", 5}, {"5.1", 6}, {"5.1(side)", 6}, {"6.0", 6}, {"6.0(front)", 6}, {"hexagonal", 6},
    {"6.1", 7}, {"6.1(back)", 7}, {"6.1(front)", 7}, {"7.0", 7}, {"7.0(front)", 7}, {"7.1", 8},
    {"7.1(wide)", 8}, {"7.1(wide-side)", 8}, {"7.1(top)", 8}, {"octagonal", 8}, {"cube", 8},
    {"hexadecagonal", 16},
}};

int ChannelsOf(std::string_view layout)
{
    for (const NamedLayout& named : kLayouts)
        if (named.name == layout)
            return named.channels;
    int channels = 0;
    const std::size_t space = layout.find(' ');
    if (space != std::string_view::npos && layout.substr(space).starts_with(" channels")
        && ParseInt(layout.substr(0, space), channels) && channels > 0 && channels <= 64)
        return channels;
    return 0;
}

constexpr std::array<std::string_view, 4> kBitmapSubtitles = {
    "dvd_subtitle", "hdmv_pgs_subtitle", "dvb_subtitle", "xsub",
};

// Every disposition FFmpeg prints after a stream, in its words; the ones
// the front acts on are kept.
constexpr std::array<std::string_view, 18> kDispositions = {
    "default", "dub", "original", "comment", "lyrics", "karaoke", "forced", "hearing impaired",
    "visual impaired", "clean effects", "attached pic", "timed thumbnails", "non diegetic",
    "captions", "descriptions", "metadata", "dependent", "still image",
};

void SetDisposition(std::string_view name, SourceStream& stream)
{
    if (name == "default")
        stream.isDefault = true;
    else if (name == "forced")
        stream.forced = true;
    else if (name == "comment")
        stream.comment = true;
    else if (name == "visual impaired")
        stream.visualImpaired = true;
    else if (name == "hearing impaired")
        stream.hearingImpaired = true;
    else if (name == "attached pic")
        stream.attachedPic = true;
    else if (name == "dub")
        stream.dub = true;
    else if (name == "original")
        stream.original = true;
}

// Takes the dispositions off the end of "ac3, 48000 Hz, stereo (default) (dub)".
std::string_view TakeDispositions(std::string_view details, SourceStream& stream)
{
    for (;;) {
        details = Trim(details);
        const std::size_t open = details.rfind(" (");
        if (!details.ends_with(')') || open == std::string_view::npos)
            return details;
        const std::string_view name = details.substr(open + 2, details.size() - open - 3);
        if (!OneOf(kDispositions, name))
            return details;
        SetDisposition(name, stream);
        details = details.substr(0, open);
    }
}

SourceStream::Kind KindOf(std::string_view word)
{
    if (word == "Video")
        return SourceStream::Kind::Video;
    if (word == "Audio")
        return SourceStream::Kind::Audio;
    if (word == "Subtitle")
        return SourceStream::Kind::Subtitle;
    if (word == "Attachment")
        return SourceStream::Kind::Attachment;
    return SourceStream::Kind::Other;
}

// "Stream #0:1[0x80](eng): Audio: ac3, 48000 Hz, 5.1(side), fltp, 448 kb/s (default)"
std::optional<SourceStream> ReadStream(std::string_view body)
{
    SourceStream stream;
    std::string_view rest = body.substr(std::string_view("Stream #").size());
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(colon + 1);
    const std::size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
    if (!ParseInt(rest.substr(0, digits), stream.index) || stream.index < 0
        || std::size_t(stream.index) >= kMaxSourceStreams)
        return std::nullopt;
    rest.remove_prefix(digits);
    if (rest.starts_with("[0x")) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view hex = rest.substr(3, close - 3);
        const auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), stream.id, 16);
        if (ec != std::errc() || end != hex.data() + hex.size())
            stream.id = -1;
        rest.remove_prefix(close + 1);
    }
    if (rest.starts_with("(")) {
        const std::size_t close = rest.find(')');
        if (close == std::string_view::npos)
            return std::nullopt;
        const std::string_view language = rest.substr(1, close - 1);
        if (language != "und")
            stream.language = Bounded(language);
        rest.remove_prefix(close + 1);
    }
    if (!rest.starts_with(": "))
        return std::nullopt;
    rest.remove_prefix(2);
    const std::size_t kindEnd = rest.find(':');
    stream.kind = KindOf(rest.substr(0, kindEnd));
    const std::string_view details
        = TakeDispositions(kindEnd == std::string_view::npos ? std::string_view() : rest.substr(kindEnd + 1), stream);
    stream.codec = Bounded(details.substr(0, details.find_first_of(" ,")));
    stream.bitmap = stream.kind == SourceStream::Kind::Subtitle && OneOf(kBitmapSubtitles, details.substr(0, details.find_first_of(" ,")));
    if (stream.kind == SourceStream::Kind::Video || stream.kind == SourceStream::Kind::Subtitle) {
        const std::vector<std::string_view> parts = TopLevelParts(details);
        for (std::size_t i = 1; i < parts.size(); ++i)
            if (SourcePicture size; ReadSize(parts[i], size) && size.width <= kMaxDimension
                && size.height <= kMaxDimension) {
                stream.width = size.width;
                stream.height = size.height;
                break;
            }
    }
    if (stream.kind == SourceStream::Kind::Audio) {
        const std::vector<std::string_view> parts = TopLevelParts(details);
        for (std::size_t i = 1; i + 1 < parts.size(); ++i)
            if (parts[i].ends_with(" Hz")) {
                stream.channelLayout = Bounded(parts[i + 1]);
                stream.channels = ChannelsOf(parts[i + 1]);
                break;
            }
    }
    return stream;
}

// "title           : Director's commentary" in a stream's metadata.
std::optional<std::string_view> TitleOf(std::string_view body)
{
    if (!body.starts_with("title"))
        return std::nullopt;
    const std::string_view rest = body.substr(5);
    const std::size_t colon = rest.find_first_not_of(' ');
    if (colon == std::string_view::npos || rest[colon] != ':')
        return std::nullopt;
    return Trim(rest.substr(colon + 1));
}

// The first input's lines, one at a time; none past its end.
class FirstInputLines {
public:
    explicit FirstInputLines(std::string_view report) : rest_(report) {}
    std::optional<std::string_view> Next()
    {
        while (!rest_.empty()) {
            const std::size_t eol = rest_.find('\n');
            const std::string_view line = rest_.substr(0, eol);
            rest_.remove_prefix(eol == std::string_view::npos ? rest_.size() : eol + 1);
            if (line.starts_with("Input #")) {
                if (inFirst_)
                    break;
                inFirst_ = true;
            } else if (line.starts_with("Output #")) {
                break;
            } else if (inFirst_) {
                return line;
            }
        }
        rest_ = {};
        return std::nullopt;
    }

private:
    std::string_view rest_;
    bool inFirst_ = false;
};

} // namespace

SourcePicture ParseSourcePicture(std::string_view report)
{
    SourcePicture picture;
    bool inFirstInput = false;
    bool inVideo = false;
    while (!report.empty()) {
        const std::size_t eol = report.find('\n');
        const std::string_view line = report.substr(0, eol);
        report.remove_prefix(eol == std::string_view::npos ? report.size() : eol + 1);

        if (line.starts_with("Input #")) {
            if (inFirstInput)
                break;
            inFirstInput = true;
            continue;
        }
        if (line.starts_with("Output #"))
            break;
        if (!inFirstInput)
            continue;
        const std::string_view body = Trim(line);
        if (body.starts_with("Stream #")) {
            if (picture.found)
                break;
            const std::size_t video = body.find(": Video: ");
            if (video == std::string_view::npos || body.ends_with("(attached pic)"))
                continue;
            const std::vector<std::string_view> parts = TopLevelParts(body.substr(video + 9));
            if (parts.size() < 3)
                continue;
            SourcePicture candidate;
            candidate.codec = Bounded(parts[0].substr(0, parts[0].find(' ')));
            ReadPixelFormat(parts[1], candidate);
            if (!ReadSize(parts[2], candidate))
                continue;
            candidate.found = true;
            picture = candidate;
            inVideo = true;
        } else if (inVideo) {
            ReadRotation(body, picture);
        }
    }
    return picture;
}

std::vector<SourceStream> ParseSourceStreams(std::string_view report)
{
    std::vector<SourceStream> streams;
    SourceStream* current = nullptr;
    bool inMetadata = false;
    FirstInputLines lines(report);
    while (const std::optional<std::string_view> line = lines.Next()) {
        const std::string_view body = Trim(*line);
        if (body.starts_with("Stream #")) {
            current = nullptr;
            inMetadata = false;
            std::optional<SourceStream> stream = ReadStream(body);
            // A stream in several programs is listed under each.
            const auto seen = [&](const SourceStream& s) { return stream && s.index == stream->index; };
            if (!stream || streams.size() >= kMaxSourceStreams || std::any_of(streams.begin(), streams.end(), seen))
                continue;
            streams.push_back(std::move(*stream));
            current = &streams.back();
        } else if (line->starts_with("  ") && !line->starts_with("   ")) {
            current = nullptr; // "  Chapters:", "  Program 1", ...: the stream's lines have ended
        } else if (current && body == "Metadata:") {
            inMetadata = true;
        } else if (current && body.ends_with(':')) {
            inMetadata = false; // "Side data:"
        } else if (current && inMetadata && current->title.empty()) {
            if (const std::optional<std::string_view> title = TitleOf(body))
                current->title = Bounded(*title);
        }
    }
    return streams;
}

std::optional<double> ParseSourceDuration(std::string_view report)
{
    FirstInputLines lines(report);
    while (const std::optional<std::string_view> line = lines.Next()) {
        const std::string_view body = Trim(*line);
        if (!body.starts_with("Duration: "))
            continue;
        // "Duration: 01:02:03.45, start: 0.000000, bitrate: 787 kb/s"
        const std::string_view clock = body.substr(10, body.find(',') - 10);
        int hours = 0;
        int minutes = 0;
        const std::size_t a = clock.find(':');
        const std::size_t b = a == std::string_view::npos ? a : clock.find(':', a + 1);
        if (b == std::string_view::npos || !ParseInt(clock.substr(0, a), hours)
            || !ParseInt(clock.substr(a + 1, b - a - 1), minutes) || hours < 0 || minutes < 0 || minutes > 59)
            return std::nullopt;
        double seconds = 0;
        const std::string_view tail = clock.substr(b + 1);
        const auto [end, ec] = std::from_chars(tail.data(), tail.data() + tail.size(), seconds);
        if (ec != std::errc() || end != tail.data() + tail.size() || !(seconds >= 0 && seconds < 60))
            return std::nullopt;
        return hours * 3600.0 + minutes * 60.0 + seconds;
    }
    return std::nullopt;
}

} // namespace movarin::encoder
