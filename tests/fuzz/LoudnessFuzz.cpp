// The loudness a confined FFmpeg reports, read by the front outside the
// confinement. Whatever the text, the measure is plausible or not found,
// the gain stays within its bounds, and the filter put into the line is
// made of numbers and FFmpeg's own words: nothing of the text gets into it.
#include "FuzzInput.h"
#include "encoder/source/Loudness.h"

#include <string>
#include <vector>

using namespace movarin::encoder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    FuzzInput in(data, size);
    const int rate = in.Byte() % 4 == 0 ? 0 : 8000 * (1 + in.Byte());
    const LoudnessMeasurement m = ParseLoudnessMeasurement(in.Rest());
    if (m.found) {
        Require(m.integrated >= -70 && m.integrated <= 10);
        Require(m.peak >= -200 && m.peak <= 30);
    }
    const std::string_view text = in.Rest();
    const std::vector<LoudnessMeasurement> tracks = ParseTrackLoudness(text);
    Require(tracks.size() <= kMaxMeasuredTracks + 1);
    for (const LoudnessMeasurement& t : tracks)
        Require(!t.found || (t.integrated >= -70 && t.integrated <= 10 && t.peak >= -200 && t.peak <= 30));
    const LoudnessMeasurement limited = ParseLoudnessMeasurement(text.substr(text.size() / 2));
    const Levelling l = MadeUp(ChooseLevelling(m, rate), limited, rate);
    Require(l.gain >= -26.05 && l.gain <= 24.05);
    Require(l.filter.size() <= 160);
    Require(l.filter.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789=.,:_-B") == std::string::npos);
    Require(l.filter.empty() || l.outcome == Levelling::Outcome::Levelled);
    Require(LevellingSummary(l).size() <= 80);

    Translation line;
    line.arguments = {"-nostdin", "-y", "-i", "/v/a.mp4", "-af", "aresample=async=1000", "-ar", "44100", "/o/a.mp4"};
    line.inputs = {"/v/a.mp4"};
    line.outputs = {"/o/a.mp4"};
    ApplyLevelling(line, l);
    Require(line.arguments.size() == 9 && line.arguments[5].starts_with("aresample=async=1000"));
    return 0;
}
