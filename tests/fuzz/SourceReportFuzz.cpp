// What the front reads of a source from FFmpeg's summary, which a crafted
// source can take FFmpeg over to write: nothing read is longer than its
// bound, there are never more streams than the bound, each index names one
// stream of the list, and the numbers stay within what a source can have.
#include "FuzzInput.h"
#include "encoder/source/SourceProbe.h"

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
    }

    if (const std::optional<double> duration = ParseSourceDuration(report))
        Require(std::isfinite(*duration) && *duration >= 0);
    return 0;
}
