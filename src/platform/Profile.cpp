// The text side of the profile file: reading a value and editing one key
// line while keeping the rest of the file as it was.
#include "platform/Profile.h"

#include <vector>

namespace movarin::Profile {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

enum class Kind { Other, Section, Key };

struct Line {
    std::string_view text; // without its terminator
    std::string_view eol;  // "\n", "\r\n"; "\r" or "" only for the last line
    Kind kind = Kind::Other;
    std::string_view name;  // section or key name
    std::string_view value; // raw value of a key line, blanks trimmed
};

Line Classify(std::string_view text, std::string_view eol, bool first)
{
    Line line;
    line.text = text;
    line.eol = eol;
    std::string_view s = text;
    // A file saved by an editor that marks UTF-8 must still show its first
    // section.
    if (first && s.substr(0, 3) == "\xEF\xBB\xBF")
        s.remove_prefix(3);
    s = Trim(s);
    if (s.empty() || s.front() == ';')
        return line;
    if (s.front() == '[') {
        s.remove_prefix(1);
        const auto close = s.find(']');
        line.kind = Kind::Section;
        line.name = Trim(s.substr(0, close));
        return line;
    }
    const auto eq = s.find('=');
    if (eq == std::string_view::npos)
        return line;
    const auto name = Trim(s.substr(0, eq));
    if (name.empty())
        return line;
    line.kind = Kind::Key;
    line.name = name;
    line.value = Trim(s.substr(eq + 1));
    return line;
}

std::vector<Line> SplitLines(std::string_view content)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const auto lf = content.find('\n', pos);
        std::string_view text, eol;
        if (lf == std::string_view::npos) {
            text = content.substr(pos);
            pos = content.size();
            // A lone CR at the end of the file ends the last line, as it
            // does once a write has put a line after it.
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                eol = content.substr(content.size() - 1);
            }
        } else {
            text = content.substr(pos, lf - pos);
            eol = content.substr(lf, 1);
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                eol = content.substr(lf - 1, 2);
            }
            pos = lf + 1;
        }
        lines.push_back(Classify(text, eol, lines.empty()));
    }
    return lines;
}

// Indices of the key line and of the first section header that match; -1
// when absent. The first key in file order wins, so what a write replaces is
// what a read sees.
struct Found {
    long section = -1;
    long key = -1;
    long lastKeyOfSection = -1; // last key line of the first matching section
};

Found Find(const std::vector<Line>& lines, std::string_view section, std::string_view key)
{
    Found f;
    bool inSection = false;
    bool inFirst = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        if (l.kind == Kind::Section) {
            inSection = SameName(l.name, section);
            inFirst = inSection && f.section < 0;
            if (inFirst)
                f.section = long(i);
            continue;
        }
        if (!inSection || l.kind != Kind::Key)
            continue;
        if (inFirst)
            f.lastKeyOfSection = long(i);
        if (f.key < 0 && SameName(l.name, key))
            f.key = long(i);
    }
    return f;
}

// Keeps at most MaxValueLength bytes without cutting a UTF-8 sequence.
std::string Truncated(std::string_view s)
{
    if (s.size() <= MaxValueLength)
        return std::string(s);
    std::size_t end = MaxValueLength;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
        --end;
    return std::string(s.substr(0, end));
}

std::string_view Unquoted(std::string_view v)
{
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        return v.substr(1, v.size() - 2);
    return v;
}

// The stored form of a value that reads back exactly: blanks at either end
// or enclosing quotes would be taken away by the reader, so such a value is
// enclosed in quotes of its own.
std::string Stored(std::string_view value)
{
    const bool needsQuotes = !value.empty()
        && (IsBlank(value.front()) || IsBlank(value.back())
            || (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (needsQuotes)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

void CheckText(std::string_view what, std::string_view text)
{
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw WriteError(std::string(what) + " holds a line break");
}

void CheckNames(std::string_view section, std::string_view key)
{
    CheckText("section name", section);
    CheckText("key name", key);
    if (section.find(']') != std::string_view::npos || Trim(section) != section)
        throw WriteError("unusable section name");
    if (key.empty() || Trim(key) != key || key.find('=') != std::string_view::npos
        || key.front() == '[' || key.front() == ';')
        throw WriteError("unusable key name");
}

} // namespace

std::string ReadFromText(std::string_view content, std::string_view section,
                         std::string_view key, std::string_view def)
{
    const auto lines = SplitLines(content);
    const Found f = Find(lines, section, key);
    if (f.key < 0)
        return Truncated(def);
    return Truncated(Unquoted(lines[std::size_t(f.key)].value));
}

std::string WriteToText(std::string_view content, std::string_view section,
                        std::string_view key, std::string_view value)
{
    CheckNames(section, key);
    CheckText("value", value);

    const auto lines = SplitLines(content);
    const Found f = Find(lines, section, key);
    // New lines follow the file's own line ends.
    std::string_view eol = "\n";
    for (const Line& l : lines) {
        if (!l.eol.empty() && l.eol.back() == '\n') {
            eol = l.eol;
            break;
        }
    }

    std::string out;
    out.reserve(content.size() + key.size() + value.size() + section.size() + 8);
    auto append = [&out](const Line& l) {
        out.append(l.text);
        out.append(l.eol);
    };
    // Before anything goes after the last line it needs an end: a lone CR
    // becomes CR LF (every byte of the line stays), no end gets the file's.
    auto endLastLine = [&out, eol](const Line& l) {
        if (l.eol.empty())
            out.append(eol);
        else if (l.eol == "\r")
            out += '\n';
    };

    if (f.key >= 0) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line& l = lines[i];
            if (long(i) != f.key) {
                append(l);
                continue;
            }
            // Keep the line's indentation and the key as it was spelt.
            const auto keyStart = std::size_t(l.name.data() - l.text.data());
            const auto indent = l.text.substr(0, keyStart);
            out.append(indent);
            out.append(l.name);
            out += '=';
            out += Stored(value);
            out.append(l.eol.empty() ? std::string_view() : l.eol);
        }
        return out;
    }

    const std::string keyLine = std::string(key) + "=" + Stored(value);
    if (f.section >= 0) {
        const long after = f.lastKeyOfSection >= 0 ? f.lastKeyOfSection : f.section;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            append(lines[i]);
            if (long(i) == after) {
                endLastLine(lines[i]);
                out += keyLine;
                // The inserted line needs an end only when something follows it.
                if (i + 1 < lines.size() || !lines[i].eol.empty())
                    out.append(eol);
            }
        }
        return out;
    }

    out.append(content);
    if (!lines.empty()) {
        endLastLine(lines.back());
        if (!Trim(lines.back().text).empty())
            out.append(eol);
    }
    out += "[";
    out.append(section);
    out += "]";
    out.append(eol);
    out += keyLine;
    out.append(eol);
    return out;
}

std::optional<Integer> ParseWholeInteger(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    if (i == n)
        return std::nullopt;

    unsigned base = 10;
    bool negative = false;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
        base = 16;
        ++i;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n)
        return std::nullopt;

    // Unsigned arithmetic wraps modulo 2^32, which is the documented rule for
    // numbers too large for 32 bits; whether the number is zero is told from
    // all of its digits.
    std::uint32_t v = 0;
    bool nonZero = false;
    for (; i < n; ++i) {
        const char c = text[i];
        unsigned d;
        if (c >= '0' && c <= '9')
            d = unsigned(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = unsigned(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = unsigned(c - 'A' + 10);
        else
            return std::nullopt;
        v = v * base + d;
        nonZero = nonZero || d != 0;
    }
    if (negative)
        v = 0u - v;
    return Integer{static_cast<std::int32_t>(v), nonZero};
}

std::optional<std::int32_t> ParseInteger(std::string_view text)
{
    const auto whole = ParseWholeInteger(text);
    if (!whole)
        return std::nullopt;
    return whole->low32;
}

} // namespace movarin::Profile
