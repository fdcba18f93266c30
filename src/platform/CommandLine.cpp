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

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    if (line.empty())
        return args;

    const std::size_t n = line.size();
    std::size_t i = 0;

    // The program name knows no escapes, since a path may end in a
    // backslash: an opening quote runs to the next quote whatever lies
    // between, and the next argument begins right after it; without one the
    // name runs to the first blank. A leading blank gives an empty name.
    if (line[0] == '"') {
        const std::size_t close = line.find('"', 1);
        const std::size_t end = close == std::string_view::npos ? n : close;
        args.emplace_back(line.substr(1, end - 1));
        i = close == std::string_view::npos ? n : close + 1;
    } else {
        while (i < n && !IsBlank(line[i]))
            ++i;
        args.emplace_back(line.substr(0, i));
    }

    for (;;) {
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i >= n)
            break;

        std::string arg;
        bool quoted = false;
        while (i < n) {
            const char c = line[i];
            if (!quoted && IsBlank(c))
                break;
            if (c == '\\') {
                std::size_t run = 0;
                while (i < n && line[i] == '\\') {
                    ++run;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(run / 2, '\\');
                    if (run % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // With an even run the quote is handled as a quote below.
                } else {
                    arg.append(run, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    // A doubled quote inside a quoted region is one literal
                    // quote, and the region ends with it.
                    arg += '"';
                    quoted = false;
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

} // namespace movarin
