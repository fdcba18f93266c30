#include "platform/CommandLine.h"

namespace movarin {

std::string QuoteArgument(std::string_view text)
{
    // Backslashes are literal unless a quote follows them: a run of n
    // backslashes before a quote (inner or the closing one) must be doubled,
    // and an inner quote escaped, or the splitter would end the argument there.
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(backslashes, '\\');
            out += c;
        }
        backslashes = 0;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

} // namespace movarin
