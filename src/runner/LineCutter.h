#pragma once
// Cuts a child's output, read by read, into lines. A line ends at CR LF, a
// lone LF or a lone CR; a CR LF pair split across two reads ends one line,
// not two. NUL bytes are dropped. After every read the unfinished line, if
// any, is handed out as a partial line; the next read continues it.
// Pure: no threads, no processes.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runner/RunnerTypes.h"

class TLineCutter {
public:
    // ending is meaningful for complete lines only.
    using Sink = std::function<void(const std::string& text, TOutputType type, TReturnCode ending)>;
    using StopTest = std::function<bool()>;

    // One read. stopRequested is asked before each byte; once it answers
    // true the rest of the read is dropped and the line so far becomes the
    // partial text.
    void Cut(std::string_view bytes, const Sink& deliver, const StopTest& stopRequested = {});

    // The unfinished line kept from one read to the next. The echo of input
    // written to the child replaces it, so it is writable.
    std::string& Partial() { return partial_; }
    bool PreviousReadEndedWithCR() const { return previousEndedWithCR_; }

private:
    std::string partial_;
    bool previousEndedWithCR_ = false;
};

// Whether a text queued for the child ends with its line break: its first
// CR LF stands at its last two characters, or its first LF is its last
// character. A text with an earlier line break does not count.
bool EndsWithLineBreak(std::string_view text);

// The lines of a text, as a string list takes a whole text: split at CR LF,
// LF and CR, with no empty line after a final line break.
std::vector<std::string> SplitIntoLines(std::string_view text);
