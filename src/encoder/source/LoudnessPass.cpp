#include "encoder/source/LoudnessPass.h"

#include "encoder/source/SourceReport.h"

#include <string_view>

namespace movarin::encoder {

bool LoudnessWanted(const char* setting)
{
    return !(setting && std::string_view(setting) == "off");
}

int LevelLoudness(Translation& translation, const std::string& ffmpeg, bool confined, int abi, bool wanted,
                  const std::string& audioStream, const LoudnessMeasurement* measured, std::string& summary)
{
    summary.clear();
    if (!CarriesSound(translation))
        return 0;
    Levelling levelling;
    if (wanted) {
        LoudnessMeasurement measurement;
        if (measured) {
            measurement = *measured;
        } else {
            const SourceReport report = ReadSourceReport(ffmpeg, translation.inputs.front(), confined, abi,
                                                         LoudnessInputOptions(), LoudnessPassArguments(audioStream));
            // As for the reading of the source: a stopped pass stops the run.
            if (report.exitCode >= 128)
                return report.exitCode;
            // A source with no sound fails the pass; it is converted as it is.
            if (report.exitCode == 0)
                measurement = ParseLoudnessMeasurement(report.text);
        }
        const int rate = OutputSampleRate(translation);
        levelling = ChooseLevelling(measurement, rate);
        if (levelling.peaksOver) {
            const SourceReport limited
                = ReadSourceReport(ffmpeg, translation.inputs.front(), confined, abi, LoudnessInputOptions(),
                                   LimitedPassArguments(audioStream, levelling));
            if (limited.exitCode >= 128)
                return limited.exitCode;
            if (limited.exitCode == 0)
                levelling = MadeUp(levelling, ParseLoudnessMeasurement(limited.text), rate);
        }
        ApplyLevelling(translation, levelling);
    }
    summary = LevellingSummary(levelling);
    return 0;
}

} // namespace movarin::encoder
