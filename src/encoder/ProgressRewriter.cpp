#include "encoder/ProgressRewriter.h"

#include <cstdint>

namespace movarin::encoder {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads a run of at least one digit at pos; fails on overflow.
bool ReadNumber(std::string_view text, std::size_t& pos, std::uint64_t& value)
{
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (value > 1'000'000'000'000ULL)
            return false;
        value = value * 10 + std::uint64_t(text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

// Characters a clock value can hold; anything else ends it.
bool IsValueChar(char c)
{
    return IsDigit(c) || c == ':' || c == '.' || c == '-' || c == 'N' || c == 'A' || c == '/';
}

} // namespace

std::optional<std::string> ClockToSeconds(std::string_view clock)
{
    std::size_t pos = 0;
    const bool negative = !clock.empty() && clock.front() == '-';
    if (negative)
        ++pos;

    std::uint64_t hours = 0, minutes = 0, seconds = 0;
    if (!ReadNumber(clock, pos, hours) || pos >= clock.size() || clock[pos++] != ':')
        return std::nullopt;
    if (!ReadNumber(clock, pos, minutes) || pos >= clock.size() || clock[pos++] != ':')
        return std::nullopt;
    if (!ReadNumber(clock, pos, seconds))
        return std::nullopt;
    std::string_view fraction;
    if (pos < clock.size()) {
        if (clock[pos++] != '.')
            return std::nullopt;
        fraction = clock.substr(pos);
        if (fraction.empty())
            return std::nullopt;
        for (char c : fraction)
            if (!IsDigit(c))
                return std::nullopt;
    }
    if (minutes > 59 || seconds > 59)
        return std::nullopt;

    if (negative)
        return std::string("0.") + std::string(fraction.empty() ? 2 : fraction.size(), '0');
    // Whole seconds in integers and the fraction copied digit for digit:
    // no rounding through floating point.
    std::string text = std::to_string(hours * 3600 + minutes * 60 + seconds);
    if (!fraction.empty())
        text.append(".").append(fraction);
    return text;
}

void ProgressRewriter::Feed(std::string_view chunk, std::string& out)
{
    std::size_t i = 0;
    while (i < chunk.size()) {
        if (inValue_) {
            // Copy the value's characters into the hold in one go.
            std::size_t end = i;
            while (end < chunk.size() && IsValueChar(chunk[end]))
                ++end;
            value_.append(chunk.substr(i, end - i));
            i = end;
            if (value_.size() > kMaxValue) {
                out += value_;
                value_.clear();
                inValue_ = false;
                continue;
            }
            if (i < chunk.size())
                FlushValue(out); // the terminator is passed on by the scan below
            continue;
        }

        // Scan for the key; everything up to and including it passes through.
        const std::size_t start = i;
        while (i < chunk.size()) {
            const char c = chunk[i++];
            if (c == kKey[matched_]) {
                if (++matched_ == kKey.size()) {
                    matched_ = 0;
                    inValue_ = true;
                    break;
                }
            } else {
                // "time=" has no repeated prefix, so a mismatch can only
                // restart the match at this very character.
                matched_ = (c == kKey[0]) ? 1 : 0;
            }
        }
        out.append(chunk.substr(start, i - start));
    }
}

void ProgressRewriter::Finish(std::string& out)
{
    if (inValue_)
        FlushValue(out);
    matched_ = 0;
}

void ProgressRewriter::FlushValue(std::string& out)
{
    if (const auto seconds = ClockToSeconds(value_))
        out += *seconds;
    else
        out += value_;
    value_.clear();
    inValue_ = false;
}

} // namespace movarin::encoder
