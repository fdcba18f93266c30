// The settings file's reader and writer: a write of one key reads back as
// written, and never changes what any other key reads.
#include "FuzzInput.h"
#include "platform/Profile.h"

#include <set>
#include <utility>
#include <vector>

namespace Profile = movarin::Profile;

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Every section and key name the text seems to hold, plus the written ones.
std::vector<std::pair<std::string, std::string>> NamesIn(std::string_view text)
{
    std::set<std::string> sections{"CONF", ""}, keys{"QUALITY", "RAITO", "SAVEDIR", "OPENDIR"};
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const auto lf = text.find('\n', pos);
        const auto line = Trimmed(text.substr(pos, lf == std::string_view::npos ? std::string_view::npos : lf - pos));
        if (!line.empty() && line.front() == '[')
            sections.insert(std::string(Trimmed(line.substr(1, line.find(']') - 1))));
        else if (const auto eq = line.find('='); eq != std::string_view::npos)
            keys.insert(std::string(Trimmed(line.substr(0, eq))));
        if (lf == std::string_view::npos)
            break;
        pos = lf + 1;
    }
    std::vector<std::pair<std::string, std::string>> names;
    for (const auto& s : sections)
        for (const auto& k : keys)
            names.emplace_back(s, k);
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    FuzzInput in(data, size);
    const std::string section = in.Text();
    const std::string key = in.Text();
    const std::string value = in.Text().substr(0, 200);
    const std::string content(in.Rest());

    std::string written;
    try {
        written = Profile::WriteToText(content, section, key, value);
    } catch (const Profile::WriteError&) {
        return 0; // a name or value the file cannot hold
    }
    const std::string missing("\x01missing");
    Require(Profile::ReadFromText(written, section, key, missing) == value);

    const std::string lowerSection = Lower(section), lowerKey = Lower(key);
    for (const auto& [s, k] : NamesIn(content + "\n" + written)) {
        if (Lower(s) == lowerSection && Lower(k) == lowerKey)
            continue;
        Require(Profile::ReadFromText(written, s, k, missing) == Profile::ReadFromText(content, s, k, missing));
    }
    // Writing the value that is there already changes nothing more.
    Require(Profile::WriteToText(written, section, key, value) == written);
    return 0;
}
