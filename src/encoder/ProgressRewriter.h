#pragma once
// FFmpeg reports progress as "time=HH:MM:SS.cc"; Movarin reads "time=" followed
// by seconds. The rewriter turns the one into the other on a byte stream and
// passes every other byte through unchanged, holding back nothing but an
// unfinished time value: a progress line ends in CR, not LF, so waiting for
// whole lines would stall the display.
#include <optional>
#include <string>
#include <string_view>

namespace movarin::encoder {

// "01:02:05.60" -> "3725.60", "-00:00:00.04" -> "0.00" (a position before the
// start is shown as the start). nullopt for anything else ("N/A" included),
// which the caller passes on as it was.
std::optional<std::string> ClockToSeconds(std::string_view clock);

class ProgressRewriter {
public:
    // Appends the rewritten form of the next chunk of the stream to out.
    void Feed(std::string_view chunk, std::string& out);
    // End of stream: appends whatever is still held back.
    void Finish(std::string& out);

private:
    void FlushValue(std::string& out);

    static constexpr std::string_view kKey = "time=";
    // A clock longer than this is not FFmpeg's; give it back untouched.
    static constexpr std::size_t kMaxValue = 24;

    std::size_t matched_ = 0; // bytes of kKey seen so far
    bool inValue_ = false;
    std::string value_;
};

} // namespace movarin::encoder
