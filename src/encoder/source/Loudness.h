#pragma once
// Every output with sound is brought to the loudness of mobile listening:
// a first pass measures the chosen audio (integrated loudness and sample
// peak, as FFmpeg's ebur128 reports them), and the conversion applies one
// gain, with a true-peak limiter after it where that gain would push the
// peaks over the ceiling. Linear apart from those peaks: the dynamics of
// the recording stay as they were.
// Pure: no processes, no files.
#include "encoder/ArgumentTranslator.h"

#include <string>
#include <string_view>
#include <vector>

namespace movarin::encoder {

struct LoudnessMeasurement {
    bool found = false;    // FFmpeg's summary was read and is plausible
    bool silent = false;   // nothing loud enough to measure
    double integrated = 0; // LUFS
    double peak = 0;       // dBFS: of the samples or between them, as asked
};

// FFmpeg's report of a measuring pass. The text comes from a confined
// FFmpeg that may have been taken over: anything else than a plausible
// summary is "not found", never a wild gain.
LoudnessMeasurement ParseLoudnessMeasurement(std::string_view report);

// Every audio track measured at once, as the source is first read: the
// reading's own start, most of a short pass's cost, serves both. FFmpeg
// prints one summary per track, in the source's order; more than
// kMaxMeasuredTracks summaries are no measurement.
constexpr std::size_t kMaxMeasuredTracks = 64;
// Before the input of every measuring pass: the sound decoded as the
// conversion decodes it, a bilingual broadcast's main programme in both ears
// (TrackMapping.h), else a silent second programme would be measured too.
std::vector<std::string> LoudnessInputOptions();
std::vector<std::string> EveryTrackLoudnessArguments();
std::vector<LoudnessMeasurement> ParseTrackLoudness(std::string_view report);

// The measuring pass's arguments after "-i input". audioStream is the
// stream to measure as a -map specifier ("0:a:1", "0:3"); empty leaves the
// choice to FFmpeg, which then takes the stream it takes for a conversion
// whose line maps none.
std::vector<std::string> LoudnessPassArguments(const std::string& audioStream);

struct Levelling {
    enum class Outcome { Off, NotMeasured, Silent, Levelled };
    Outcome outcome = Outcome::Off;
    double measured = 0; // LUFS
    double peak = 0;     // dBFS, as measured
    double result = 0;   // LUFS the output is to have
    double gain = 0;     // dB
    bool limited = false;
    // The samples' own peaks go over the limiter's ceiling: it will take
    // some of the loudness, not only what lies between the samples.
    bool peaksOver = false;
    bool held = false;   // the gain stopped at its cap, short of the target
    std::string filter;  // to follow the line's audio filters; empty: none
};

// outputRate: the line's sample rate (-ar), 0 when it sets none.
Levelling ChooseLevelling(const LoudnessMeasurement& measurement, int outputRate);

// Where the samples' peaks go over the limiter's ceiling, they may carry
// much of the loudness (drum hits over a quiet bed). A second pass measures
// the sound through the gain and the limiter, and the loudness lost is
// made up.
std::vector<std::string> LimitedPassArguments(const std::string& audioStream, const Levelling& levelling);
Levelling MadeUp(const Levelling& levelling, const LoudnessMeasurement& limited, int outputRate);

// The levelling's piece of the front's log line, e.g.
// "loudness -36.5 -> -16.0 LUFS, limited".
std::string LevellingSummary(const Levelling& levelling);

// Whether the line writes sound (a conversion, not a picture).
bool CarriesSound(const Translation& translation);

// The line's -ar, 0 when it has none.
int OutputSampleRate(const Translation& translation);

// Puts the levelling's filter after the line's own audio filters.
void ApplyLevelling(Translation& translation, const Levelling& levelling);

} // namespace movarin::encoder
