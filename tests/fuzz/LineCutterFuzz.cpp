// The line cutter at random read boundaries against a plain reference that
// sees the whole stream at once.
#include "FuzzInput.h"
#include "runner/LineCutter.h"

#include <algorithm>
#include <vector>

namespace {

struct Delivery {
    std::string text;
    TOutputType type;
    TReturnCode ending;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 8192)
        return 0;
    FuzzInput in(data, size);
    // The first bytes give the read sizes (1..16), cycled over the stream.
    std::vector<std::size_t> sizes;
    for (std::uint8_t n = in.Byte() % 8; n > 0; --n)
        sizes.push_back(1 + in.Byte() % 16);
    if (sizes.empty())
        sizes.push_back(4096);
    const std::string stream(in.Rest());

    TLineCutter cutter;
    std::vector<Delivery> got;
    std::vector<std::size_t> readEnds;
    for (std::size_t pos = 0, k = 0; pos < stream.size(); ++k) {
        const std::size_t n = std::min(stream.size() - pos, sizes[k % sizes.size()]);
        cutter.Cut(std::string_view(stream).substr(pos, n),
                   [&](const std::string& t, TOutputType type, TReturnCode e) { got.push_back({t, type, e}); });
        pos += n;
        readEnds.push_back(pos);
    }

    // Reference: CR LF, lone CR and lone LF end a line; a CR LF cut between
    // two reads ends it as a lone CR would, and its LF ends nothing; NULs go.
    std::vector<Delivery> lines;
    std::string line;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const char c = stream[i];
        if (c == '\r' || c == '\n') {
            TReturnCode ending = rcLF;
            if (c == '\r' && i + 1 < stream.size() && stream[i + 1] == '\n') {
                const bool cut = std::find(readEnds.begin(), readEnds.end(), i + 1) != readEnds.end();
                ending = cut ? rcLF : rcCRLF;
                ++i;
            }
            lines.push_back({line, otCompleteLine, ending});
            line.clear();
        } else if (c != '\0') {
            line += c;
        }
    }

    std::size_t next = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i].type == otCompleteLine) {
            Require(next < lines.size());
            Require(got[i].text == lines[next].text && got[i].ending == lines[next].ending);
            ++next;
            continue;
        }
        // A partial text is non-empty and the beginning of what follows it.
        Require(!got[i].text.empty());
        const std::string& follows = i + 1 < got.size() ? got[i + 1].text : line;
        Require(follows.compare(0, got[i].text.size(), got[i].text) == 0);
    }
    Require(next == lines.size());
    Require(cutter.Partial() == line);
    return 0;
}
