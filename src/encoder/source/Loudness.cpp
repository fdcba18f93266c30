#include "encoder/source/Loudness.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace movarin::encoder {
namespace {

// The loudness recommended for mobile listening, and the highest true peak
// it allows.
constexpr double kTargetLufs = -16;
constexpr double kCeilingDbtp = -1;
// The limiter holds the peaks a decibel below the ceiling: the AAC and MP3
// encoders after it overshoot by some tenths of a decibel.
constexpr double kLimiterCeilingDbtp = kCeilingDbtp - 1;
// The first pass reads the peaks of the samples: reading those between them
// (four times over) cost more than half of the pass. Music clipped flat at
// full scale reaches 2.3 dB between its samples; 3 dB are allowed for.
constexpr double kBetweenSamplesDb = 3;
// The loudness the limiter takes off the peaks is made up once, by at most
// this: where the peaks carry the loudness (drum hits over a quiet bed),
// each decibel more is mostly limited away again and flattens the hits.
constexpr double kMaxMakeUpDb = 6;
// A recording quieter than -40 LUFS is mostly its own noise floor: it is
// raised by 24 dB and no more, and comes out short of the target.
constexpr double kMaxGainDb = 24;
// ebur128 reports its floor when no block passed the absolute gate.
constexpr double kSilenceLufs = -70;
// Anything outside these is not a measurement of sound.
constexpr double kLoudestLufs = 10;
constexpr double kHighestPeakDb = 30;
constexpr double kLowestPeakDb = -200;

// The number at at (after spaces) followed by unit: "-36.5 LUFS". Nullopt
// for anything else; infinite tells "-inf", what ebur128 prints as the
// peak of no signal at all.
std::optional<double> NumberAt(std::string_view text, std::size_t at, std::string_view unit, bool& infinite)
{
    infinite = false;
    while (at < text.size() && text[at] == ' ')
        ++at;
    const char* begin = text.data() + at;
    const char* end = text.data() + text.size();
    double value = 0;
    const auto [last, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (ec == std::errc() && std::isfinite(value) && text.substr(std::size_t(last - text.data())).starts_with(unit))
        return value;
    infinite = text.substr(at).starts_with("-inf ");
    return std::nullopt;
}

std::string Fixed(double value, int precision)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision).ptr;
    return std::string(text, end);
}

std::string Signed(double value)
{
    return (value >= 0 ? "+" : "") + Fixed(value, 1);
}

// The limiter looks ahead and delays the sound by as much: latency=true
// takes that back out, keeping the sound on the picture. level=false keeps
// it from raising the whole back up to full scale.
std::string Limiter()
{
    return "alimiter=limit=" + Fixed(std::pow(10, kLimiterCeilingDbtp / 20), 4) + ":level=false:latency=true";
}

std::string Filter(double gain, bool limited, int outputRate)
{
    if (gain == 0 && !limited)
        return "";
    std::string filter = "volume=" + Fixed(gain, 1) + "dB";
    if (!limited)
        return filter;
    // Fed four times the line's rate, the limiter sees the peaks between
    // the samples that the player's converter will make.
    if (outputRate > 0 && outputRate <= 192000) {
        const std::string rate = std::to_string(outputRate);
        return filter + ",aresample=" + std::to_string(4 * outputRate) + "," + Limiter() + ",aresample=" + rate;
    }
    return filter + "," + Limiter();
}

} // namespace

namespace {

// The summary that starts at summary ("] Summary:" and what follows).
LoudnessMeasurement ReadSummary(std::string_view rest)
{
    LoudnessMeasurement m;
    const std::size_t integrated = rest.find("\n    I:");
    // "True peak:" or "Sample peak:", as the pass asked for.
    const std::size_t kind = rest.find(" peak:");
    const std::size_t peak = kind == std::string_view::npos ? kind : rest.find("Peak:", kind);
    if (integrated == std::string_view::npos || peak == std::string_view::npos)
        return m;
    bool infinite = false;
    const std::optional<double> lufs = NumberAt(rest, integrated + 7, " LUFS", infinite);
    bool noPeak = false;
    const std::optional<double> dbtp = NumberAt(rest, peak + 5, " dBFS", noPeak);
    if (!lufs || *lufs < kSilenceLufs || *lufs > kLoudestLufs)
        return m;
    m.integrated = *lufs;
    m.silent = *lufs <= kSilenceLufs + 0.05 || noPeak;
    if (m.silent) {
        m.found = true;
        m.peak = kLowestPeakDb;
        return m;
    }
    if (!dbtp || *dbtp < kLowestPeakDb || *dbtp > kHighestPeakDb)
        return m;
    m.peak = *dbtp;
    m.found = true;
    return m;
}

constexpr std::string_view kSummary = "] Summary:";

} // namespace

LoudnessMeasurement ParseLoudnessMeasurement(std::string_view report)
{
    // The summary ebur128 prints when the stream ends; the last one counts.
    const std::size_t summary = report.rfind(kSummary);
    return summary == std::string_view::npos ? LoudnessMeasurement{} : ReadSummary(report.substr(summary));
}

std::vector<LoudnessMeasurement> ParseTrackLoudness(std::string_view report)
{
    std::vector<LoudnessMeasurement> tracks;
    for (std::size_t at = report.find(kSummary); at != std::string_view::npos && tracks.size() <= kMaxMeasuredTracks;
         at = report.find(kSummary, at + kSummary.size())) {
        const std::size_t next = report.find(kSummary, at + kSummary.size());
        tracks.push_back(ReadSummary(report.substr(at, next == std::string_view::npos ? next : next - at)));
    }
    return tracks;
}

std::vector<std::string> LoudnessPassArguments(const std::string& audioStream)
{
    std::vector<std::string> args = {"-nostats", "-vn", "-sn", "-dn"};
    if (!audioStream.empty())
        args.insert(args.end(), {"-map", audioStream});
    // Measured in two channels, as both lines write it and the player plays
    // it: a mono recording heard in both ears counts twice, as it sounds.
    // Only the summary is wanted, not a line per tenth of a second; the
    // samples leave the filter as it made them, unconverted.
    args.insert(args.end(), {"-ac", "2", "-af", "ebur128=peak=sample:framelog=verbose", "-c:a", "pcm_f64le", "-f",
                             "null", "-"});
    return args;
}

std::vector<std::string> LoudnessInputOptions()
{
    return {"-dual_mono_mode", "main"};
}

std::vector<std::string> EveryTrackLoudnessArguments()
{
    return LoudnessPassArguments("0:a?");
}

std::vector<std::string> LimitedPassArguments(const std::string& audioStream, const Levelling& levelling)
{
    std::vector<std::string> args = LoudnessPassArguments(audioStream);
    // At the source's rate: the loudness taken off comes out the same to a
    // tenth of a decibel (drum hits, a knock in a quiet recording) as at four
    // times the rate, for a fraction of the cost.
    const auto filter = std::find(args.begin(), args.end(), "ebur128=peak=sample:framelog=verbose");
    *filter = "volume=" + Fixed(levelling.gain, 1) + "dB," + Limiter() + ",ebur128=peak=sample:framelog=verbose";
    return args;
}

Levelling ChooseLevelling(const LoudnessMeasurement& measurement, int outputRate)
{
    Levelling l;
    l.measured = measurement.integrated;
    if (!measurement.found) {
        l.outcome = Levelling::Outcome::NotMeasured;
        return l;
    }
    if (measurement.silent) {
        l.outcome = Levelling::Outcome::Silent;
        return l;
    }
    l.outcome = Levelling::Outcome::Levelled;
    l.held = kTargetLufs - measurement.integrated > kMaxGainDb;
    l.gain = std::round(std::min(kTargetLufs - measurement.integrated, kMaxGainDb) * 10) / 10;
    l.result = measurement.integrated + l.gain;
    l.peak = measurement.peak;
    l.limited = measurement.peak + l.gain > kLimiterCeilingDbtp - kBetweenSamplesDb;
    l.peaksOver = measurement.peak + l.gain > kLimiterCeilingDbtp;
    l.filter = Filter(l.gain, l.limited, outputRate);
    return l;
}

Levelling MadeUp(const Levelling& levelling, const LoudnessMeasurement& limited, int outputRate)
{
    if (!levelling.peaksOver || !limited.found || limited.silent)
        return levelling;
    // The loss grows with the gain as the peaks are pushed further over the
    // ceiling: taken in proportion to how far they go over (measured on
    // drum hits over a quiet bed: 0.67 of a decibel lost per decibel over
    // predicted, 0.63 found), more gain raises the loudness by share of it.
    Levelling l = levelling;
    const double lost = levelling.measured + levelling.gain - limited.integrated;
    const double over = levelling.peak + levelling.gain - kLimiterCeilingDbtp;
    const double share = 1 - std::clamp(lost / std::max(over, 0.1), 0.0, 0.9);
    const double wanted = (kTargetLufs - limited.integrated) / share;
    const double makeUp = std::clamp(wanted, 0.0, kMaxMakeUpDb);
    l.held = l.held || wanted > kMaxMakeUpDb || levelling.gain + makeUp > kMaxGainDb;
    l.gain = std::round(std::min(levelling.gain + makeUp, kMaxGainDb) * 10) / 10;
    l.result = limited.integrated + (l.gain - levelling.gain) * share;
    l.filter = Filter(l.gain, true, outputRate);
    return l;
}

std::string LevellingSummary(const Levelling& l)
{
    switch (l.outcome) {
    case Levelling::Outcome::Off:
        return "loudness as recorded (levelling off)";
    case Levelling::Outcome::NotMeasured:
        return "loudness not measured, as recorded";
    case Levelling::Outcome::Silent:
        return "loudness: silent, no gain";
    case Levelling::Outcome::Levelled:
        break;
    }
    std::string text = "loudness " + Fixed(l.measured, 1) + " -> " + Fixed(l.result, 1) + " LUFS";
    if (l.held)
        text += " (gain held at " + Signed(l.gain) + " dB)";
    return l.limited ? text + ", limited" : text;
}

bool CarriesSound(const Translation& translation)
{
    if (translation.inputs.size() != 1 || translation.outputs.empty())
        return false;
    const std::vector<std::string>& args = translation.arguments;
    if (std::find(args.begin(), args.end(), "-an") != args.end())
        return false;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-f" && (args[i + 1] == "image2" || args[i + 1] == "mjpeg"))
            return false;
    return true;
}

int OutputSampleRate(const Translation& translation)
{
    const std::vector<std::string>& args = translation.arguments;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "-ar")
            continue;
        int rate = 0;
        const std::string& value = args[i + 1];
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), rate);
        return ec == std::errc() && end == value.data() + value.size() && rate > 0 ? rate : 0;
    }
    return 0;
}

void ApplyLevelling(Translation& translation, const Levelling& levelling)
{
    if (levelling.filter.empty())
        return;
    // No value of any option is an option's name (a word that looks like an
    // option is never taken as a value), so these are the options.
    std::vector<std::string>& args = translation.arguments;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "-af") {
            args[i + 1] += "," + levelling.filter;
            return;
        }
    }
    // Options between the input and the output are the output's.
    const auto input = std::find(args.begin(), args.end(), "-i");
    if (input == args.end() || input + 1 == args.end())
        return;
    args.insert(input + 2, {"-af", levelling.filter});
}

} // namespace movarin::encoder
