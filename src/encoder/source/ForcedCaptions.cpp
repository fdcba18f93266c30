#include "encoder/source/ForcedCaptions.h"

namespace movarin::encoder {
namespace {

bool Digits(std::string_view s)
{
    return !s.empty() && s.find_first_not_of("0123456789-") == std::string_view::npos;
}

std::string_view Trimmed(std::string_view s)
{
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// "0,          0,          0,     1001,     1234, 0x89abcdef": stream, dts,
// pts, duration, size, checksum.
bool PacketLine(std::string_view line)
{
    int field = 0;
    for (std::size_t at = 0; at <= line.size(); ++field) {
        const std::size_t comma = std::min(line.find(',', at), line.size());
        const std::string_view value = Trimmed(line.substr(at, comma - at));
        if (field < 5 ? !Digits(value) : field > 5 || !value.starts_with("0x"))
            return false;
        at = comma + 1;
    }
    return field == 6;
}

} // namespace

std::vector<std::string> ForcedCaptionsInputOptions(const SourceStream& subtitle, const SourceStream& video,
                                                    const std::vector<std::string>& inputOptions)
{
    std::vector<std::string> options = inputOptions;
    options.insert(options.end(), {"-forced_subs_only", "1"});
    // Written out again, the captions need a canvas; the track's own, else
    // the picture's it is drawn over.
    const int width = subtitle.width > 0 ? subtitle.width : video.width;
    const int height = subtitle.width > 0 ? subtitle.height : video.height;
    if (width > 0 && height > 0)
        options.insert(options.end(), {"-canvas_size", std::to_string(width) + "x" + std::to_string(height)});
    return options;
}

std::vector<std::string> ForcedCaptionsOutputOptions(const SourceStream& subtitle)
{
    return {"-nostats", "-map", "0:" + std::to_string(subtitle.index), "-c:s", "dvdsub", "-f", "framecrc", "pipe:2"};
}

int CountedCaptions(std::string_view report)
{
    int count = 0;
    for (std::size_t at = 0; at < report.size();) {
        const std::size_t eol = std::min(report.find_first_of("\r\n", at), report.size());
        count += PacketLine(report.substr(at, eol - at)) ? 1 : 0;
        at = eol + 1;
    }
    return count;
}

} // namespace movarin::encoder
