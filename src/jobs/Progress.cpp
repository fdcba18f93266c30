#include "jobs/Progress.h"

#include "run/RunTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace movarin {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Position of "time=" in any mix of case, or npos.
std::size_t FindTimeAnyCase(std::string_view line)
{
    static constexpr std::string_view key = "time=";
    if (line.size() < key.size())
        return std::string_view::npos;
    for (std::size_t i = 0; i + key.size() <= line.size(); ++i) {
        // Fast rejection: most texts hold no 't' at all.
        if ((line[i] | 0x20) != 't')
            continue;
        bool match = true;
        for (std::size_t k = 1; k < key.size() && match; ++k) {
            const char c = line[i + k];
            const char lower = (c >= 'A' && c <= 'Z') ? char(c | 0x20) : c;
            match = lower == key[k];
        }
        if (match)
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string SecondsToText(std::int32_t seconds)
{
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds % 3600) / 60;
    const std::int32_t secs = (seconds % 3600) % 60;
    return ElapsedText(hours, minutes, secs).toStdString();
}

std::string ProgressText(std::int32_t seconds)
{
    return ConvertedUpToText(QString::fromStdString(SecondsToText(seconds))).toStdString();
}

std::optional<double> ParseDecimal(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    std::string_view number = text.substr(begin, end - begin);

    // Validate the accepted shape first: from_chars alone would also take
    // "inf", "nan" and hexadecimal floats, and refuses a leading "+".
    bool negative = false;
    std::size_t i = 0;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
        negative = number[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    while (i < number.size() && IsDigit(number[i])) {
        ++i;
        ++digits;
    }
    if (i < number.size() && number[i] == '.') {
        ++i;
        while (i < number.size() && IsDigit(number[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < number.size() && IsDigit(number[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != number.size())
        return std::nullopt;

    std::string_view unsigned_part = number.substr(mantissaStart);
    double value = 0;
    const auto result =
        std::from_chars(unsigned_part.data(), unsigned_part.data() + unsigned_part.size(), value,
                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large: infinite; too small: zero. Both are numbers of the text.
        value = std::abs(value) < 1 ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc() ||
               result.ptr != unsigned_part.data() + unsigned_part.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<std::int32_t> ProgressSeconds(std::string_view line)
{
    if (FindTimeAnyCase(line) == std::string_view::npos)
        return std::nullopt;
    // The number is taken after the first "time=" written in lower case;
    // with only other spellings the text is read from its fifth character,
    // as the position of a missing match counts as zero.
    const std::size_t exact = line.find("time=");
    const std::size_t restStart = exact == std::string_view::npos ? 4 : exact + 5;
    if (restStart > line.size())
        return std::nullopt;
    const std::string_view rest = line.substr(restStart);
    const std::size_t q = rest.find("bitrate");
    if (q == std::string_view::npos || q == 0)
        return std::nullopt;
    const auto value = ParseDecimal(rest.substr(0, q));
    if (!value)
        return std::nullopt;
    // Half to even, as the default rounding mode does.
    const double rounded = std::nearbyint(*value);
    if (!(rounded >= double(std::numeric_limits<std::int32_t>::min()) &&
          rounded <= double(std::numeric_limits<std::int32_t>::max())))
        return std::nullopt;
    return std::int32_t(rounded);
}

std::optional<std::string> ProgressStatusText(std::string_view line)
{
    const auto seconds = ProgressSeconds(line);
    if (!seconds)
        return std::nullopt;
    return ProgressText(*seconds);
}

std::optional<double> DurationSeconds(std::string_view line)
{
    // Written so, with the capital, by FFmpeg for each input; a container's
    // own tags ("DURATION  :") are spelt differently and are left alone.
    static constexpr std::string_view key = "Duration: ";
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view clock = line.substr(at + key.size());
    clock = clock.substr(0, clock.find(','));
    // HH:MM:SS with an optional fraction; anything else is an unknown length.
    int parts[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        const std::size_t start = pos;
        while (pos < clock.size() && IsDigit(clock[pos]) && pos - start < 9)
            parts[k] = parts[k] * 10 + (clock[pos++] - '0');
        if (pos == start || (k < 2 && (pos >= clock.size() || clock[pos++] != ':')))
            return 0.0;
    }
    double fraction = 0;
    if (pos < clock.size()) {
        const auto value = ParseDecimal(clock.substr(pos));
        if (clock[pos] != '.' || !value)
            return 0.0;
        fraction = *value;
    }
    if (parts[1] > 59 || parts[2] > 59)
        return 0.0;
    return parts[0] * 3600.0 + parts[1] * 60.0 + parts[2] + fraction;
}

int RunPercent(double doneShare)
{
    return std::clamp(int(std::min(doneShare, 1.0) * 100), 0, 99);
}

std::string RunProgressText(double doneShare, double leftSeconds)
{
    if (!(doneShare > 0) || !(leftSeconds >= 0))
        return {};
    const int percent = RunPercent(doneShare);
    const long long left = std::llround(std::min(leftSeconds, 359999.0 * 100));
    return TimeLeftText(percent, left).toStdString();
}

} // namespace movarin
