#include "encoder/source/SourceTreatment.h"

#include "encoder/EncoderProcess.h"
#include "encoder/source/PictureTreatment.h"
#include "encoder/source/SourceReport.h"

namespace movarin::encoder {

SourceOutcome TreatSource(Translation& translation, const std::string& ffmpeg, bool confined, int abi,
                          const SourceRequest& request)
{
    SourceOutcome outcome;
    outcome.kind = KindOfLine(translation);
    const std::optional<FrameSize> frame = RequestedFrameSize(translation);
    if ((!frame && outcome.kind == LineKind::Other) || translation.inputs.size() != 1)
        return outcome;
    const SourceReport report = ReadSourceReport(ffmpeg, translation.inputs.front(), confined, abi);
    if (report.stopped) {
        outcome.stopped = report.exitCode;
        return outcome;
    }
    std::optional<PictureTreatment> treatment;
    if (frame)
        treatment = ChooseTreatment(ParseSourcePicture(report.text), *frame);

    const std::vector<SourceStream> streams = ParseSourceStreams(report.text);
    outcome.tracks = ChooseTracks(streams, request.viewer, request.known);
    TrackChoice& tracks = outcome.tracks;
    BurnOptions burn = request.burn;
    burn.libass = HasLibass(report.text);
    if (outcome.kind != LineKind::Video) {
        // A still and a song show no text, and a still plays no sound.
        tracks.subtitle.reset();
        tracks.subtitleReason.clear();
        if (outcome.kind == LineKind::Still)
            tracks.audio.reset();
    } else if (tracks.subtitle && IsTextSubtitle(tracks.subtitle->codec) && !burn.libass) {
        tracks.subtitle.reset();
        tracks.subtitleReason = "FFmpeg cannot draw text";
    }
    if (outcome.kind == LineKind::Other) {
        ApplyTreatment(translation, *treatment);
    } else {
        outcome.burned = ApplyTracks(translation, outcome.kind, tracks, ChosenVideo(streams),
                                     treatment ? &*treatment : nullptr, burn);
        if (outcome.burned == Burned::Nothing && tracks.subtitle) {
            tracks.subtitle.reset();
            tracks.subtitleReason = "no picture"; // no video stream to burn them into
        }
    }
    if (treatment)
        WriteAll(2, "movarin-encoder: " + treatment->summary + "\n");
    return outcome;
}

} // namespace movarin::encoder
