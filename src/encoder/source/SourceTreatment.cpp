#include "encoder/source/SourceTreatment.h"

#include "encoder/EncoderProcess.h"
#include "encoder/source/ForcedCaptions.h"
#include "encoder/source/PictureTreatment.h"
#include "encoder/source/SourceReport.h"

#include <algorithm>
#include <filesystem>

namespace movarin::encoder {
namespace {

// How far FFmpeg must look into a chapter file to meet a subpicture stream
// that starts late: both limits past the stream's first packet, so the whole
// file and all of its length.
std::vector<std::string> LookThroughOptions(const std::string& input, const std::string& report)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(input, error);
    const double seconds = ParseSourceDuration(report).value_or(0);
    if (error || size == 0 || seconds <= 0)
        return {};
    const long long micros = static_cast<long long>(std::min(seconds, 1e6) * 1e6) + 1000000;
    return {"-probesize", std::to_string(size + 1), "-analyzeduration", std::to_string(micros)};
}

// The measure of audio among the summaries of every audio track. Where
// their number is not the number of audio tracks (one could not be decoded,
// or a second reading found others) none is taken for any.
std::optional<LoudnessMeasurement> LoudnessOf(const SourceStream& audio, const std::vector<SourceStream>& streams,
                                              const std::vector<LoudnessMeasurement>& measured)
{
    std::size_t ordinal = 0;
    std::size_t count = 0;
    for (const SourceStream& s : streams)
        if (s.kind == SourceStream::Kind::Audio) {
            if (s.index == audio.index)
                ordinal = count;
            ++count;
        }
    if (count == 0 || measured.size() != count)
        return std::nullopt;
    return measured[ordinal];
}

void InsertInputOptions(Translation& translation, const std::vector<std::string>& options)
{
    auto input = std::find(translation.arguments.begin(), translation.arguments.end(), "-i");
    translation.arguments.insert(input, options.begin(), options.end());
}

} // namespace

void AddDiscKnowledge(SourceRequest& request, const DvdTitleInfo& disc)
{
    for (const DvdAudioStream& audio : disc.audio)
        request.known.push_back({audio.streamId, audio.language,
                                 audio.kind == DvdAudioKind::Commentary || audio.kind == DvdAudioKind::VisuallyImpaired,
                                 false});
    for (const DvdSubtitleStream& subtitle : disc.subtitles) {
        request.known.push_back({subtitle.streamId, subtitle.language, subtitle.kind == DvdSubtitleKind::Commentary,
                                 subtitle.kind == DvdSubtitleKind::Forced});
        request.discSubtitleIds.push_back(subtitle.streamId);
    }
    request.burn.palette = DvdPaletteOption(disc.palette);
}

SourceOutcome TreatSource(Translation& translation, const std::string& ffmpeg, bool confined, int abi,
                          const SourceRequest& request)
{
    SourceOutcome outcome;
    outcome.kind = KindOfLine(translation);
    const std::optional<FrameSize> frame = RequestedFrameSize(translation);
    if ((!frame && outcome.kind == LineKind::Other) || translation.inputs.size() != 1)
        return outcome;
    const std::string& input = translation.inputs.front();
    const bool measuring = request.measureLoudness && CarriesSound(translation);
    SourceReport report
        = ReadSourceReport(ffmpeg, input, confined, abi,
                           measuring ? LoudnessInputOptions() : std::vector<std::string>{},
                           measuring ? EveryTrackLoudnessArguments() : std::vector<std::string>{});
    const std::vector<LoudnessMeasurement> trackLoudness
        = measuring && report.exitCode == 0 ? ParseTrackLoudness(report.text) : std::vector<LoudnessMeasurement>{};
    std::vector<std::string> lookThrough;
    if (!report.stopped && !request.discSubtitleIds.empty()) {
        std::vector<int> reported;
        for (const SourceStream& stream : ParseSourceStreams(report.text))
            reported.push_back(stream.id);
        const bool missing = std::any_of(request.discSubtitleIds.begin(), request.discSubtitleIds.end(), [&](int id) {
            return std::find(reported.begin(), reported.end(), id) == reported.end();
        });
        if (missing) {
            lookThrough = LookThroughOptions(input, report.text);
            if (!lookThrough.empty()) {
                report = ReadSourceReport(ffmpeg, input, confined, abi, lookThrough);
                InsertInputOptions(translation, lookThrough);
            }
        }
    }
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
    if (tracks.audio)
        outcome.loudness = LoudnessOf(*tracks.audio, streams, trackLoudness);
    const std::optional<SourceStream> video = ChosenVideo(streams);
    if (outcome.kind == LineKind::Video && tracks.forcedEventsOnly && tracks.subtitle && video) {
        const SourceReport pass
            = ReadSourceReport(ffmpeg, input, confined, abi,
                               ForcedCaptionsInputOptions(*tracks.subtitle, *video, lookThrough),
                               ForcedCaptionsOutputOptions(*tracks.subtitle));
        if (pass.stopped) {
            outcome.stopped = pass.exitCode;
            return outcome;
        }
        // A pass that failed has not said there are none.
        if (pass.exitCode == 0 && CountedCaptions(pass.text) == 0) {
            tracks.subtitle.reset();
            tracks.forcedEventsOnly = false;
            tracks.subtitleReason = "no forced captions";
        }
    }
    if (outcome.kind == LineKind::Other) {
        ApplyTreatment(translation, *treatment);
    } else {
        outcome.burned = ApplyTracks(translation, outcome.kind, tracks, video,
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

std::string ChosenAudioSpecifier(const TrackChoice& tracks)
{
    return tracks.audio ? "0:" + std::to_string(tracks.audio->index) : std::string();
}

std::string SoundLogLine(const SourceOutcome& source, const std::string& loudness)
{
    std::string line;
    if (source.kind == LineKind::Video || source.kind == LineKind::Music)
        line = DescribeTracks(source.tracks);
    if (!loudness.empty())
        line += (line.empty() ? "" : "; ") + loudness;
    return line;
}

} // namespace movarin::encoder
