#include "runner/LineCutter.h"

void TLineCutter::Cut(std::string_view bytes, const Sink& deliver, const StopTest& stopRequested)
{
    std::string line = std::move(partial_);
    partial_.clear();
    const std::size_t n = bytes.size();
    bool lastWasCR = false;
    std::size_t i = 0;
    while (i < n && !(stopRequested && stopRequested())) {
        const char c = bytes[i];
        lastWasCR = (c == '\r');
        if (c == '\0') {
            ++i;
        } else if (c == '\n' && i == 0 && previousEndedWithCR_) {
            // Completes the CR LF pair whose line the previous read delivered.
            ++i;
        } else if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') {
            lastWasCR = false;  // the last byte looked at is the LF
            i += 2;
            deliver(line, otCompleteLine, rcCRLF);
            line.clear();
        } else if (c == '\r' || c == '\n') {
            ++i;
            deliver(line, otCompleteLine, rcLF);
            line.clear();
        } else {
            line += c;
            ++i;
        }
    }
    previousEndedWithCR_ = lastWasCR;
    partial_ = std::move(line);
    if (!partial_.empty())
        deliver(partial_, otPartialLine, rcLF);
}

bool EndsWithLineBreak(std::string_view text)
{
    const std::size_t len = text.size();
    const std::size_t crlf = text.find("\r\n");
    if (crlf != std::string_view::npos && crlf + 2 == len)
        return true;
    const std::size_t lf = text.find('\n');
    return lf != std::string_view::npos && lf + 1 == len;
}

std::vector<std::string> SplitIntoLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.push_back(std::move(line));
            line.clear();
            pending = false;
        } else {
            line += c;
            pending = true;
        }
    }
    if (pending)
        lines.push_back(std::move(line));
    return lines;
}
