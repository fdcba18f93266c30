#pragma once
// Reading the encoder's progress lines and turning the elapsed source time
// into the status text. Pure functions, locale-independent.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace movarin {

// "HH時間MM分SS秒", each part at least two digits (100 hours give "100").
std::string SecondsToText(std::int32_t seconds);

// The status text during a conversion that has reached seconds of its
// source: "HH時間MM分SS秒までの動画を変換完了".
std::string ProgressText(std::int32_t seconds);

// A decimal number: blanks around it, an optional sign, digits with "." as
// the decimal separator (whatever the user's locale), an optional exponent,
// at least one digit. Nothing else converts.
std::optional<double> ParseDecimal(std::string_view text);

// The elapsed seconds of a progress text: the number between "time=" and the
// following "bitrate", rounded half to even. Nothing when the text holds no
// "time=" (any case), no "bitrate" after it, or no convertible number, or when
// the number does not fit a 32-bit second count.
std::optional<std::int32_t> ProgressSeconds(std::string_view line);

// ProgressText of a progress text's seconds, or nothing.
std::optional<std::string> ProgressStatusText(std::string_view line);

// The source's length from the encoder's "Duration: HH:MM:SS.cc," line, in
// seconds. Nothing for any other text; 0 when the encoder could not tell it
// ("N/A", a broken header), which the caller takes as unknown.
std::optional<double> DurationSeconds(std::string_view line);

// What follows the progress text while a run converts: " (45% 残り約1分20秒)"
// for the share of the run done (0 to 1) and the wall time it still takes.
// Below 100 % until the run has ended. Empty when nothing is done yet.
std::string RunProgressText(double doneShare, double leftSeconds);
// The percent that text shows for doneShare.
int RunPercent(double doneShare);

} // namespace movarin
