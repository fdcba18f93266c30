// What the front reads of a source from FFmpeg's summary, which a crafted
// source can take FFmpeg over to write: nothing read is longer than its
// bound, there are never more streams than the bound, each index names one
// stream of the list, and the numbers stay within what a source can have.
// The tracks chosen from it, and mapped in a conversion's line, are streams
// the source has, of the kind they are chosen as. The forced-caption pass's
// count of captions is no more than the report has lines.
#include "FuzzInput.h"
#include "encoder/source/ForcedCaptions.h"
#include "encoder/source/SourceProbe.h"
#include "encoder/source/TrackChoice.h"
#include "encoder/source/TrackMapping.h"

#include <algorithm>
#include <cmath>
#include <set>

using namespace movarin::encoder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const std::string_view report(reinterpret_cast<const char*>(data), size);

    const SourcePicture picture = ParseSourcePicture(report);
    for (const std::string* field : {&picture.codec, &picture.fieldOrder, &picture.pixelFormat, &picture.matrix,
                                     &picture.primaries, &picture.transfer})
        Require(field->size() <= kMaxReportField);
    Require(!picture.found || (picture.width > 0 && picture.height > 0));
    Require(picture.sarNum > 0 && picture.sarDen > 0);
    Require(picture.rotation >= 0 && picture.rotation < 360);

    const std::vector<SourceStream> streams = ParseSourceStreams(report);
    Require(streams.size() <= kMaxSourceStreams);
    std::set<int> indices;
    for (const SourceStream& s : streams) {
        Require(s.index >= 0 && std::size_t(s.index) < kMaxSourceStreams);
        Require(indices.insert(s.index).second);
        for (const std::string* field : {&s.codec, &s.language, &s.channelLayout, &s.title})
            Require(field->size() <= kMaxReportField);
        Require(s.language != "und");
        Require(s.channels >= 0 && s.channels <= 64);
        Require(s.kind == SourceStream::Kind::Audio || (s.channels == 0 && s.channelLayout.empty()));
        Require(!s.bitmap || s.kind == SourceStream::Kind::Subtitle);
        Require(s.width >= 0 && s.width <= 16384 && s.height >= 0 && s.height <= 16384);
    }
    // The forced-caption pass's report: a count, at most one per line.
    Require(CountedCaptions(report) <= int(std::count(report.begin(), report.end(), '\n')
                                            + std::count(report.begin(), report.end(), '\r') + 1));

    // The viewer speaks the first stream's language; a disc's description
    // names every other stream's id, claiming it a forced commentary.
    std::vector<KnownStream> disc;
    for (std::size_t i = 1; i < streams.size(); i += 2)
        disc.push_back({streams[i].id, streams[i].title, true, true});
    const Viewer viewer = ViewerFrom(streams.empty() ? nullptr : streams.front().language.c_str(), nullptr);
    const TrackChoice choice = ChooseTracks(streams, viewer, disc);
    const auto has = [&](const std::optional<SourceStream>& chosen, SourceStream::Kind kind) {
        return std::any_of(streams.begin(), streams.end(),
                           [&](const SourceStream& s) { return s.index == chosen->index && s.kind == kind; });
    };
    const auto count = [&](SourceStream::Kind kind) {
        return int(std::count_if(streams.begin(), streams.end(), [&](const SourceStream& s) { return s.kind == kind; }));
    };
    Require(!choice.audio || (has(choice.audio, SourceStream::Kind::Audio) && choice.audioNumber >= 1
                              && choice.audioNumber <= count(SourceStream::Kind::Audio)));
    Require(!choice.subtitle || (has(choice.subtitle, SourceStream::Kind::Subtitle) && choice.subtitleNumber >= 1
                                 && choice.subtitleNumber <= count(SourceStream::Kind::Subtitle)));
    Require(!choice.subtitle || IsTextSubtitle(choice.subtitle->codec) || IsBitmapSubtitle(choice.subtitle->codec));
    Require(!DescribeTracks(choice).empty());

    Translation line = TranslateArguments({"-y", "-i", "in.mkv", "-vcodec", "mpeg4", "-s", "320x180", "-f", "mp4", "o.mp4"});
    const PictureTreatment treatment = ChooseTreatment(picture, {320, 180});
    ApplyTracks(line, KindOfLine(line), choice, ChosenVideo(streams), &treatment, {});
    for (std::size_t i = 0; i + 1 < line.arguments.size(); ++i) {
        const std::string& value = line.arguments[i + 1];
        if (line.arguments[i] != "-map" || value == "[picture]")
            continue;
        Require(value.starts_with("0:"));
        const int index = std::stoi(value.substr(2));
        Require(std::any_of(streams.begin(), streams.end(), [&](const SourceStream& s) { return s.index == index; }));
    }

    if (const std::optional<double> duration = ParseSourceDuration(report))
        Require(std::isfinite(*duration) && *duration >= 0);
    return 0;
}
