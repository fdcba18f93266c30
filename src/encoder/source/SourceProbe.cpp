#include "encoder/source/SourceProbe.h"

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

bool ParseInt(std::string_view s, int& value)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

// "yuv420p10le(tv, bt2020nc/bt2020/arib-std-b67, progressive)"
void ReadPixelFormat(std::string_view part, SourcePicture& picture)
{
    const std::size_t open = part.find('(');
    picture.pixelFormat = std::string(Trim(part.substr(0, open)));
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
            picture.matrix = std::string(item.substr(0, a));
            picture.primaries = std::string(item.substr(a + 1, b - a - 1));
            picture.transfer = std::string(item.substr(b + 1));
        } else {
            picture.matrix = picture.primaries = picture.transfer = std::string(item);
        }
    }
    for (std::string* name : {&picture.matrix, &picture.primaries, &picture.transfer})
        if (*name == "unknown" || *name == "reserved")
            name->clear();
}

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
            candidate.codec = std::string(parts[0].substr(0, parts[0].find(' ')));
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

} // namespace movarin::encoder
